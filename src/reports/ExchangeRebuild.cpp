#include "ExchangeRebuild.h"

#include "ExchangeLines.h"
#include "ExchangeRows.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "platform/SpreadsheetExport.h"
#include "store/DayFileCodec.h"
#include "store/DurableWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

using namespace Qt::StringLiterals;

ExchangeRebuild::ExchangeRebuild(AppContext &context, EventLog &log, SpreadsheetExport &spreadsheet,
                                 QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_spreadsheet(spreadsheet)
{
}

bool ExchangeRebuild::rebuild(const QDate &day)
{
    using namespace ExchangeLines;
    if (m_running) {
        emit finished(false, u"Файлы обмена ещё создаются"_s);
        return false;
    }
    const QString dayPath = dayFilePath(m_context.folders, day);
    if (!day.isValid() || !QFileInfo(dayPath).isFile()) {
        emit finished(false, u"Нет файла дня "_s + dayFileName(day));
        return false;
    }
    QString error;
    const auto cards = ExchangeRows::readDay(dayPath, &error);
    if (!error.isEmpty()) {
        emit finished(false, u"Файл дня "_s + dayFileName(day) + u" не прочитан: "_s + error);
        return false;
    }
    m_running = true;
    m_day = day;
    m_failed.clear();
    m_cards = int(cards.size());
    m_rowsDone = {};
    const bool workbooks = m_spreadsheet.available();
    m_total = m_cards * (workbooks ? 3 : 1);

    // The texts in one piece each, in place only once complete.
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, day);
    const QString folder = m_context.folders.MonthResultFolder(m_context.settings.ResultFolder, day);
    CodeBook book(m_context.folders.BaseFolder);
    QByteArray dayText = headerRecords(m_context.settings.ParamNames, day);
    QByteArray accountingText;
    QList<std::pair<int, ExchangeLines::Codes>> codes;
    for (const auto &[n, card] : cards) {
        const ExchangeLines::Codes cardCodes = book.codes(card);
        codes.append({n, cardCodes});
        // Slots without a card stay zero, as they do in the files written live.
        const qint64 dayAt = qint64(n + HeaderRecords - 1) * DayRecordSize;
        if (dayText.size() < dayAt)
            dayText.append(QByteArray(dayAt - dayText.size(), '\0'));
        dayText.replace(dayAt, DayRecordSize, dayLine(card));
        const qint64 accountingAt = qint64(n - 1) * AccountingRecordSize;
        if (accountingText.size() < accountingAt)
            accountingText.append(QByteArray(accountingAt - accountingText.size(), '\0'));
        accountingText.replace(accountingAt, AccountingRecordSize, accountingLine(card, cardCodes));
    }
    const QString dayTextFile = dayTextPath(folder, day);
    const QString accountingFile = accountingTextPath(folder, day);
    for (const auto &[path, content] : {std::pair{dayTextFile, dayText}, std::pair{accountingFile, accountingText}}) {
        if (content.isEmpty() && !QFileInfo::exists(path))
            continue;
        if (const StoreResult written = replaceDurably(path, content); !written) {
            m_failed << QFileInfo(path).fileName();
            m_log.WriteLog(u"Файл обмена %1 не создан заново: %2"_s.arg(QFileInfo(path).fileName(), written.reason));
        }
    }
    m_textsDone = m_cards;
    emit progress(m_textsDone, m_total);

    if (!workbooks) {
        m_workbooksLeft = 0;
        finish();
        return true;
    }
    SpreadsheetExport::Rows dayRows, accountingRows;
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const auto &[n, card] = cards[i];
        dayRows.append({n + 2, ExchangeRows::dayRow(card)});
        accountingRows.append({n + 2, ExchangeRows::accountingRow(card, codes[i].second)});
    }
    m_workbooksLeft = 2;
    const QPointer<ExchangeRebuild> self(this);
    const auto onWorker = [self](auto call) {
        // Back on the window's thread; nothing when this object is gone.
        QMetaObject::invokeMethod(self.get(), [self, call] {
            if (self)
                call(*self);
        }, Qt::QueuedConnection);
    };
    const QStringList targets{m_spreadsheet.dayWorkbookPath(day), m_spreadsheet.accountingWorkbookPath(day)};
    for (int k = 0; k < 2; ++k) {
        const QString target = targets[k];
        m_spreadsheet.RebuildWorkbook(
            target, k == 0 ? dayRows : accountingRows, day,
            [onWorker, k](int done, int) {
                onWorker([k, done](ExchangeRebuild &r) {
                    r.m_rowsDone[size_t(k)] = done;
                    emit r.progress(r.m_textsDone + r.m_rowsDone[0] + r.m_rowsDone[1], r.m_total);
                });
            },
            [onWorker, target](bool written) {
                onWorker([target, written](ExchangeRebuild &r) {
                    if (!written)
                        r.m_failed << QFileInfo(target).fileName();
                    r.workbookDone(written);
                });
            });
    }
    return true;
}

QString ExchangeRebuild::reconcile(AppContext &context, EventLog &log, const QDate &day)
{
    using namespace ExchangeLines;
    const QString date = ShortDateText(day);
    const QString dayPath = dayFilePath(context.folders, day);
    if (!day.isValid() || !QFileInfo(dayPath).isFile())
        return u"Нет файла дня "_s + dayFileName(day);
    QString error;
    const auto cards = ExchangeRows::readDay(dayPath, &error);
    if (!error.isEmpty())
        return u"Файл дня "_s + dayFileName(day) + u" не прочитан: "_s + error;
    if (cards.isEmpty())
        return u"Файлы обмена за %1: в файле дня нет карточек"_s.arg(date);

    context.folders.createMonthResultFolder(context.settings.ResultFolder, day);
    const QString folder = context.folders.MonthResultFolder(context.settings.ResultFolder, day);
    const QString dayText = dayTextPath(folder, day);
    const QString accountingText = accountingTextPath(folder, day);
    const auto readAll = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray dayBytes = readAll(dayText);
    const QByteArray accountingBytes = readAll(accountingText);
    QStringList failures;
    if (!hasHeaders(dayText))
        if (const StoreResult written = writeRecord(dayText, HeaderRecords * DayRecordSize, 1,
                                                    headerRecords(context.settings.ParamNames, day));
            !written)
            failures << written.reason;

    CodeBook book(context.folders.BaseFolder);
    QStringList rewritten;
    for (const auto &[n, card] : cards) {
        const QByteArray dayWanted = dayLine(card);
        const QByteArray accountingWanted = accountingLine(card, book.codes(card));
        if (dayBytes.mid(qint64(n + HeaderRecords - 1) * DayRecordSize, DayRecordSize) == dayWanted
            && accountingBytes.mid(qint64(n - 1) * AccountingRecordSize, AccountingRecordSize) == accountingWanted)
            continue;
        if (const StoreResult written = writeCardLines(dayText, accountingText, n, dayWanted, accountingWanted);
            !written) {
            failures << written.reason;
            break;
        }
        rewritten << QString::number(n);
    }
    if (!rewritten.isEmpty())
        log.WriteLog(u"Файлы обмена за %1 сверены с файлом дня, строки карточек переписаны: %2"_s.arg(
            date, rewritten.join(u", "_s)));
    if (!failures.isEmpty()) {
        const QString message = u"Файлы обмена за %1 не исправлены: %2"_s.arg(date, failures.first());
        log.WriteLog(message);
        return message;
    }
    return rewritten.isEmpty()
               ? u"Файлы обмена за %1 совпадают с файлом дня, карточек: %2"_s.arg(date).arg(cards.size())
               : u"Файлы обмена за %1: переписаны строки карточек %2"_s.arg(date, rewritten.join(u", "_s));
}

void ExchangeRebuild::workbookDone(bool)
{
    if (--m_workbooksLeft == 0)
        finish();
}

void ExchangeRebuild::finish()
{
    m_running = false;
    const QString date = ShortDateText(m_day);
    QString message = u"Файлы обмена за %1 созданы заново, карточек: %2"_s.arg(date).arg(m_cards);
    if (!m_spreadsheet.available())
        message += u"; книги Excel не созданы: офисная программа недоступна"_s;
    if (!m_failed.isEmpty())
        message = u"Файлы обмена за %1 созданы не все, не созданы: %2"_s.arg(date, m_failed.join(u", "_s));
    m_log.WriteLog(message);
    emit finished(m_failed.isEmpty(), message);
}
