#pragma once

#include <QDialog>

class ExchangeRebuild;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;

// "Пересоздать файлы обмена": asks for the day and shows the rebuild's
// progress and outcome; beside it the check of the texts against the day file.
class ExchangeRebuildDialog : public QDialog
{
    Q_OBJECT

public:
    ExchangeRebuildDialog(ExchangeRebuild &rebuild, QWidget *parent = nullptr);

    void setDate(const QDate &date);
    QDateEdit *dateEdit() const { return m_date; }
    QPushButton *startButton() const { return m_start; }
    QPushButton *checkButton() const { return m_check; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *result() const { return m_result; }

private:
    void start();

    ExchangeRebuild &m_rebuild;
    QDateEdit *m_date;
    QPushButton *m_start;
    QPushButton *m_check;
    QPushButton *m_close;
    QProgressBar *m_progress;
    QLabel *m_result;
};
