#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class AppContext;

// The journal of logins, exits and overloads: one Windows-1251 line per
// event, "dd.MM.yyyy  HH:mm:ss  message" ended by CR LF, appended only.
class EventLog : public QObject
{
    Q_OBJECT

public:
    explicit EventLog(AppContext &context, QObject *parent = nullptr);

    static constexpr qsizetype kViewerChars = 64000;

    // Falls back to the default journal when no file exists at LogPath.
    void checkPath();

    // Appends one line. A journal that cannot be written (a full disk)
    // keeps its lines in memory, in order, until it can be written again:
    // at the next line or the next flushPending().
    void WriteLog(const QString &message);
    // Lines kept since the journal could not be written.
    int pendingLines() const { return int(m_pending.size()); }
    // Tries to write the kept lines now.
    void flushPending();

    // What the viewer shows: every line ended by CR LF, oldest on top, at
    // most the last 64,000 characters.
    QString viewerText();

    // Deletes the journal; returns the message to show the operator.
    QString ClearLog();

    // Takes a folder chosen by the operator (empty: nothing happens) as the
    // journal's folder and stores the settings. Returns the message to show,
    // empty when there is none.
    QString ChooseLogFolder(const QString &folder);

    QString lineFor(const QString &message) const;

signals:
    // Once when the journal stops taking lines, with what the operator reads.
    void writeFailed(const QString &text);
    // The kept lines are written.
    void writeResumed();

private:
    // The kept lines and `line` appended; false when the file refused them.
    bool append(const QString &line);

    AppContext &m_context;
    QStringList m_pending;
    bool m_failed = false;
};
