#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
struct CargoCard;
struct Settings;

// One card as captioned read-only fields: the texts, the number and ID, the
// start ("Начата:") and end ("Окончена:") of the weighing, type, status and
// the weights. The weights of the first and second weighing are not shown.
class CardFieldsView : public QWidget
{
    Q_OBJECT

public:
    // `numberCaption` labels the card's number in its day: "N:" in the
    // current-card frame, "№:" in the archive frame.
    explicit CardFieldsView(const QString &numberCaption, QWidget *parent = nullptr);

    static QString startedCaption();
    static QString finishedCaption();

    // The captions that follow the parameter names.
    void setCaptions(const Settings &settings);
    void showCard(const CargoCard &card);
    // Empty for a parameter the view does not show.
    QString fieldText(int n) const;
    // The field of parameter n, nullptr when not shown.
    QLineEdit *field(int n) const;
    // The caption beside the field of parameter n.
    QLabel *caption(int n) const;
    // The field's background; the text stays readable on dark colours.
    void setFieldColour(int n, const QColor &colour);
    QColor fieldColour(int n) const;

private:
    // Caption of each field; the date and time of one weighing share one.
    std::array<QLabel *, 25> m_captions{};
    // nullptr for the weights of the first and second weighing.
    std::array<QLineEdit *, 25> m_fields{};
};
