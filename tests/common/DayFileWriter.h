#pragma once

// A day file written by hand: `cards` in their slots, as they are.

#include "core/Folders.h"
#include "store/DayFileCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

inline void writeDay(const Folders &folders, const QDate &day, const QList<CargoCard> &cards)
{
    QByteArray data = encodeCountRecord(qint32(cards.size()));
    data.resize(DayFileLayout::RecordSize, '\0');
    for (const CargoCard &c : cards)
        data += encodeDayCard(c);
    const QString path = dayFilePath(folders, day);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write(data) == data.size());
}
