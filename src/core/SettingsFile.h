#pragma once

#include "DurableFile.h"
#include "Settings.h"
#include "StoreResult.h"

#include <QByteArray>
#include <QString>

class QDate;

// The settings file: 131 records of 100 bytes, record k at byte (k-1)*100.
namespace SettingsLayout {
constexpr int kRecordSize = 100;
constexpr int kRecordCount = 131;
constexpr int kFileSize = kRecordSize * kRecordCount;
constexpr int kTextMax = 98;        // 2-byte length + text
constexpr int kVariantTextMax = 96; // 2-byte type code 8 + 2-byte length + text
} // namespace SettingsLayout

// The 13,100 bytes of the records, texts cut to what their record holds.
QByteArray encodeSettings(const Settings &settings);

// Fills `settings` from `bytes`: a record beyond the end reads as zero or
// empty. The load corrections are applied afterwards.
void decodeSettings(const QByteArray &bytes, Settings &settings);

// Why `bytes` cannot be a settings file (cut short, a text longer than its
// record, a number out of its range); empty when they can. A file of whole
// records from 126 on is one an earlier version wrote.
QString settingsDamage(const QByteArray &bytes);
// The settings file as it stood before the last save, kept beside it.
QString lastGoodCopyPath(const QString &path);
// Where a damaged settings file is moved: "<name>.damaged-dd.MM.yyyy", with
// "-2", "-3", ... when that name is taken.
QString damagedCopyPath(const QString &path, const QDate &date);

// Reads the file into `settings`; an unreadable file leaves it as it is.
void LoadSettings(Settings &settings, const QString &path);

// Writes the 131 records atomically: a temporary file with the new records
// and any extra trailing bytes of the old file replaces the old one, so a
// kill in the middle leaves either the old or the new file. The replacement
// is on disk, folder entry included, when the call returns. The file it
// replaces becomes the last good copy.
StoreResult StoreSettings(const Settings &settings, const QString &path);


// Removes what an interrupted save of `path` left beside it (QSaveFile's
// "<name>.XXXXXX" with six letters); nothing else. Returns how many.
int removeLeftoverSaveFiles(const QString &path);
