#pragma once

#include <QString>

class AppContext;

// The journal of logins, exits and overloads: one Windows-1251 line per
// event, "dd.MM.yyyy  HH:mm:ss  message" ended by CR LF, appended only.
class EventLog
{
public:
    explicit EventLog(AppContext &context);

    static constexpr qsizetype kViewerChars = 64000;

    // Falls back to the default journal when no file exists at LogPath.
    void checkPath();

    // Appends one line; a journal that cannot be written loses it silently.
    void WriteLog(const QString &message);

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

private:
    AppContext &m_context;
};
