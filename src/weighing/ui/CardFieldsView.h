#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
struct CargoCard;
struct Settings;

// The 25 main parameters of one card as captioned read-only fields.
class CardFieldsView : public QWidget
{
    Q_OBJECT

public:
    explicit CardFieldsView(QWidget *parent = nullptr);

    void setCaptions(const Settings &settings);
    void showCard(const CargoCard &card);
    QString fieldText(int n) const;
    // The field's background; the text stays readable on dark colours.
    void setFieldColour(int n, const QColor &colour);
    QColor fieldColour(int n) const;

private:
    std::array<QLabel *, 25> m_captions{};
    std::array<QLineEdit *, 25> m_fields{};
};
