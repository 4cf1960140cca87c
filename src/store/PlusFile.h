#pragma once

#include "ExtraNames.h"
#include "core/StoreResult.h"
#include "core/WriteJournal.h"

#include <QByteArray>
#include <QString>

#include <array>

// ДП-value(i, 1..10) of one card for the seven text parameters; [i][0] is
// unused.
using ExtraParams = std::array<std::array<QString, ExtraNames::kExtras + 1>, ExtraNames::kTextParams>;

// The companion of a day file, "08.12.2011_Plus.dat": 128-byte records from
// 1; card N holds value (i, j) in record (N - 1) * 70 + i * 10 + j, so its
// 70 records lie in one place whatever the other cards hold.
class PlusFile
{
public:
    static constexpr int kRecordSize = 128;
    static constexpr int kRecordsPerCard = ExtraNames::kTextParams * ExtraNames::kExtras; // 70

    explicit PlusFile(const QString &path);
    // Beside the day file, named like it with "_Plus.dat" for ".dat".
    static QString besideDayFile(const QString &dayFilePath);
    static qint64 recordOf(int card, int i, int j) { return qint64(card - 1) * kRecordsPerCard + i * 10 + j; }

    // A missing file or slot reads as empty values.
    ExtraParams read(int card) const;
    // The card's 70 records as one piece of a write.
    WriteJournal::Piece piece(int card, const ExtraParams &values) const;
    // The card's 70 records in one durable write.
    StoreResult write(int card, const ExtraParams &values) const;

    // The 128-character text at `offset`, without its padding; a text that
    // begins below the blank, or lies beyond the data, is empty.
    static QString field(QByteArrayView data, qsizetype offset);

private:
    QString m_path;
};
