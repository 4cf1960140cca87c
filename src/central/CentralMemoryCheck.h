#pragma once

#include "CentralSettings.h"

#include <QObject>
#include <QStringList>

// "Проверить весовую память" for a site of the central database: its
// records and cards are read from the server and checked as the scale's
// own verifier checks them there (chain, signatures, numbers, each card
// against its last record). It only reads, so the office's read-only user
// may; the reading runs on a worker that nobody waits for.
class CentralMemoryCheck : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    struct Result
    {
        QString headline; // "Весовая память весов X: N записей, ..."
        QStringList findings;
        bool ok = false;
    };
    // On the calling thread, over the connection `connection` (opened and
    // closed here).
    static Result check(const CentralSettings &settings, const QString &site, const QString &connection);
    // The site codes the server knows, or empty with `error`.
    static QStringList sites(const CentralSettings &settings, const QString &connection, QString &error);
    // "1 запись", "3 записи", "5 записей".
    static QString recordsText(qint64 count);

    // The same on a worker: checked / sitesRead on this object's thread.
    // False while a check runs.
    bool startCheck(const CentralSettings &settings, const QString &site);
    void startSites(const CentralSettings &settings);
    bool checking() const { return m_checking; }

signals:
    void checked(const CentralMemoryCheck::Result &result);
    void sitesRead(const QStringList &sites, const QString &error);

private:
    bool m_checking = false;
};
