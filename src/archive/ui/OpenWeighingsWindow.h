#pragma once

#include <QWidget>

class CardHitTable;
class OpenWeighings;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// "Открытые взвешивания": the incomplete cards of the last days; one
// chosen opens in its frame for its second weighing.
class OpenWeighingsWindow : public QWidget
{
    Q_OBJECT

public:
    OpenWeighingsWindow(OpenWeighings &open, QWidget *parent = nullptr);

    // Read again and shown, the card of `plate` (the vehicle on the scale)
    // marked when there is one; else none, so Enter opens nothing unchosen.
    void open(const Settings &settings, const QString &plate);

    CardHitTable *table() const { return m_table; }
    QPushButton *openButton() const { return m_open; }
    QLabel *countLine() const { return m_count; }
    QLineEdit *filterField() const { return m_filter; }

signals:
    void cardChosen(const QDate &day, int number);

private:
    void showCards();

    OpenWeighings &m_weighings;
    QLabel *m_count;
    CardHitTable *m_table;
    QPushButton *m_open;
    QLineEdit *m_filter;
};
