#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class AppContext;
class EventLog;
class SpreadsheetExport;

// Writes a day's exchange files anew from its day file: "{date}.txt" and
// "{date}_1C.txt" at once, "{date}.xls" and "{date}_1C.xls" from the
// template on the spreadsheet worker. What an engineer does after a day on
// which the office was missing or a file was lost. The result equals the
// files the exports write card by card.
class ExchangeRebuild : public QObject
{
    Q_OBJECT

public:
    ExchangeRebuild(AppContext &context, EventLog &log, SpreadsheetExport &spreadsheet, QObject *parent = nullptr);

    // False, with finished() already sent, when the day has no day file or
    // a rebuild is still running.
    bool rebuild(const QDate &day);
    bool running() const { return m_running; }

    // Compares the exchange texts of `day` with the lines the day file gives
    // and rewrites the lines that differ (a crash between a card and its
    // lines leaves them behind). Logs what it rewrote; returns what the
    // window says.
    static QString reconcile(AppContext &context, EventLog &log, const QDate &day);
    QString reconcile(const QDate &day) { return reconcile(m_context, m_log, day); }

signals:
    // Rows done of all rows to write (the text lines and each workbook's rows).
    void progress(int done, int total);
    // `message` is what the window says.
    void finished(bool ok, const QString &message);

private:
    void workbookDone(bool written);
    void finish();

    AppContext &m_context;
    EventLog &m_log;
    SpreadsheetExport &m_spreadsheet;
    bool m_running = false;
    QDate m_day;
    QStringList m_failed;
    int m_workbooksLeft = 0;
    int m_cards = 0;
    int m_total = 0;
    int m_textsDone = 0;
    std::array<int, 2> m_rowsDone{};
};
