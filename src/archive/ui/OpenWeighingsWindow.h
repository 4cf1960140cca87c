#pragma once

#include <QWidget>

class CardHitTable;
class OpenWeighings;
class QLabel;
class QPushButton;
struct Settings;

// "Открытые взвешивания": the incomplete cards of the last days; one
// chosen opens in its frame for its second weighing.
class OpenWeighingsWindow : public QWidget
{
    Q_OBJECT

public:
    OpenWeighingsWindow(OpenWeighings &open, QWidget *parent = nullptr);

    // Read again and shown.
    void open(const Settings &settings);

    CardHitTable *table() const { return m_table; }
    QPushButton *openButton() const { return m_open; }
    QLabel *countLine() const { return m_count; }

signals:
    void cardChosen(const QDate &day, int number);

private:
    void showCards();

    OpenWeighings &m_weighings;
    QLabel *m_count;
    CardHitTable *m_table;
    QPushButton *m_open;
};
