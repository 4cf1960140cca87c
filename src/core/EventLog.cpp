#include "EventLog.h"

#include "AppContext.h"
#include "Cp1251.h"
#include "Formats.h"
#include "SettingsChange.h"
#include "SystemErrorText.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Enough of the journal's end for the viewer; lines are short.
constexpr qint64 kTailBytes = 1 << 20;

} // namespace

EventLog::EventLog(AppContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
}

void EventLog::checkPath()
{
    QString &path = m_context.settings.LogPath;
    if (!QFile::exists(path))
        path = m_context.folders.defaultLogPath();
}

QString EventLog::lineFor(const QString &message) const
{
    const QDateTime now = m_context.clock.now();
    return ShortDateText(now.date()) + u"  "_s + LongTimeText(now.time()) + u"  "_s + message + u"\r\n"_s;
}

void EventLog::WriteLog(const QString &message)
{
    append(lineFor(message));
}

void EventLog::flushPending()
{
    if (!m_pending.isEmpty())
        append(QString());
}

bool EventLog::append(const QString &line)
{
    checkPath();
    const QString text = m_pending.join(QString()) + line;
    QFile file(m_context.settings.LogPath);
    const QByteArray bytes = encode1251(text);
    const qint64 sizeBefore = file.size();
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Append);
    written = written && file.write(bytes) == bytes.size() && file.flush();
    QString reason;
    if (!written) {
        reason = fileErrorText(file);
        // No half line stays behind: the whole text comes again later.
        if (file.isOpen())
            file.resize(sizeBefore);
    }
    file.close();
    if (written) {
        m_pending.clear();
        if (m_failed) {
            m_failed = false;
            emit writeResumed();
        }
        return true;
    }
    // Enough for days of events; beyond it the oldest kept lines go.
    constexpr qsizetype kMaxPending = 10000;
    if (!line.isEmpty())
        m_pending.append(line);
    if (m_pending.size() > kMaxPending)
        m_pending.remove(0, m_pending.size() - kMaxPending);
    if (!m_failed) {
        m_failed = true;
        emit writeFailed(u"Журнал событий не записывается (%1): записи хранятся в памяти"_s.arg(reason));
    }
    return false;
}

QString EventLog::viewerText()
{
    checkPath();
    QFile file(m_context.settings.LogPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    bool cutAtStart = false;
    if (file.size() > kTailBytes) {
        file.seek(file.size() - kTailBytes);
        cutAtStart = true;
    }
    QString text = decode1251(file.readAll());

    // Lines end in CR LF, CR or LF; each is shown ending in CR LF.
    QStringList lines = text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (cutAtStart && !lines.isEmpty())
        lines.removeFirst(); // a partial line
    QString shown;
    for (const QString &line : std::as_const(lines))
        shown += line + u"\r\n"_s;
    if (shown.size() > kViewerChars)
        shown = shown.right(kViewerChars);
    return shown;
}

QString EventLog::ClearLog()
{
    checkPath();
    if (!QFile::remove(m_context.settings.LogPath))
        return u"Очистить журнал не удалось"_s;
    WriteLog(u"Содержание журнала очищено"_s);
    return u"Журнал сообщений очищен"_s;
}

QString EventLog::ChooseLogFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    m_context.settings.LogPath = withSeparator(folder) + u"err.log"_s;
    // The journal moves either way; a file not written is said as well.
    const StoreResult stored = storeSettingsChange(m_context, *this);
    return stored ? u"Данные сохранены"_s : u"Данные сохранены\n\n"_s + stored.reason;
}
