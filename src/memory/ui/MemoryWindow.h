#pragma once

#include <QWidget>

class MemoryLookup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Весовая память": a number from a ticket in, the record and whether it
// and its card agree out; or the check of the whole memory.
class MemoryWindow : public QWidget
{
    Q_OBJECT

public:
    MemoryWindow(MemoryLookup &lookup, QWidget *parent = nullptr);

    void open();

    QLineEdit *numberField() const { return m_number; }
    QPushButton *showButton() const { return m_show; }
    QPushButton *verifyButton() const { return m_verify; }
    QPlainTextEdit *recordView() const { return m_record; }
    QLabel *verdictLine() const { return m_verdict; }

private:
    void showLookup();

    MemoryLookup &m_lookup;
    QLabel *m_status;
    QLineEdit *m_number;
    QPushButton *m_show;
    QPushButton *m_verify;
    QPlainTextEdit *m_record;
    QLabel *m_verdict;
};
