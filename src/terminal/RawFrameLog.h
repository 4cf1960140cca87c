#pragma once

#include "ParseResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// The last polls as the service engineer sees them: what was sent, the
// bytes that came back and what the protocol made of them.
class RawFrameLog
{
public:
    struct Entry
    {
        QDateTime time;
        int type = 0;
        QByteArray sent;
        // At most kKeptBytes of what arrived; receivedSize counts all of it.
        QByteArray received;
        qsizetype receivedSize = 0;
        ParseResult result;
        // Of `received`, the bytes left by the read before, a frame's start.
        qsizetype carried = 0;
    };

    static constexpr int kKeptEntries = 50;
    static constexpr qsizetype kKeptBytes = 512;

    void add(Entry entry);
    void clear() { m_entries.clear(); }
    const QList<Entry> &entries() const { return m_entries; }

    // The bytes as text with every control byte named: "<STX> 12345<CR><LF>".
    static QString visibleText(QByteArrayView bytes);
    // "02 20 31 32".
    static QString hexText(QByteArrayView bytes);
    // "вес 12345" or "нет веса: ..." as the protocol decided.
    static QString resultText(const ParseResult &result);
    // One entry in a few lines for the view.
    static QString entryText(const Entry &entry);

private:
    QList<Entry> m_entries;
};
