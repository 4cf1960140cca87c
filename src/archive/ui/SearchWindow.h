#pragma once

#include <QWidget>

class CardHitTable;
class CardSearch;
class Clock;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
struct Settings;

// "Поиск": a text and a period, the cards found in the day files. The
// search runs off the window's thread; a double click opens a card.
class SearchWindow : public QWidget
{
    Q_OBJECT

public:
    SearchWindow(CardSearch &search, Clock &clock, QWidget *parent = nullptr);

    // Shown again: the period ends today, the text is ready for typing.
    void open(const Settings &settings);

    QLineEdit *textField() const { return m_text; }
    QDateEdit *fromField() const { return m_from; }
    QDateEdit *toField() const { return m_to; }
    QPushButton *findButton() const { return m_find; }
    QPushButton *cancelButton() const { return m_cancel; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *resultLine() const { return m_result; }
    CardHitTable *table() const { return m_table; }

signals:
    void cardChosen(const QDate &day, int number);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void find();
    void showRunning(bool running);

    CardSearch &m_search;
    Clock &m_clock;
    QLineEdit *m_text;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QPushButton *m_find;
    QPushButton *m_cancel;
    QProgressBar *m_progress;
    QLabel *m_result;
    CardHitTable *m_table;
};
