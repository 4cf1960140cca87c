#include "DurableWrite.h"

#include "core/WriteJournal.h"

StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes)
{
    return WriteJournal::write({{path, offset, bytes}});
}
