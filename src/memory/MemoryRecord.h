#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <utility>

// One record of the weighing memory: numbered, its fields as the inspector
// reads them ("Вес: 23480"), chained to the record before it by that
// record's SHA-256 and signed with the installation's key.
//
// On disk: "TVM1", the body's length (32 bits, little-endian), the body
// (UTF-8 lines "name: value"), the previous record's SHA-256 (32 bytes), the
// Ed25519 signature of everything before it (64 bytes).
struct MemoryRecord
{
    static constexpr qsizetype HashSize = 32;
    static constexpr qsizetype SignatureSize = 64;

    qint64 number = 0;
    QList<std::pair<QString, QString>> fields; // after "№", in order

    QString value(const QString &name) const;
    void add(const QString &name, const QString &value);

    // The body: "№: N" first, then every field.
    QByteArray body() const;
    // The record as the inspector reads it, one field a line.
    QString text() const;
};

namespace MemoryFields {
inline const QString Number = QStringLiteral("№");
inline const QString Kind = QStringLiteral("Запись");
inline const QString Written = QStringLiteral("Записано");
inline const QString CardId = QStringLiteral("Карточка ID");
inline const QString CardNumber = QStringLiteral("Карточка №");
inline const QString Day = QStringLiteral("Файл дня");
inline const QString Weighing = QStringLiteral("Взвешивание");
inline const QString Mode = QStringLiteral("Способ");
inline const QString Axles = QStringLiteral("Оси");
inline const QString Weight = QStringLiteral("Вес");
inline const QString Unit = QStringLiteral("Единица");
inline const QString Stable = QStringLiteral("Вес стабилен");
inline const QString TerminalType = QStringLiteral("Тип терминала");
inline const QString Frame = QStringLiteral("Кадр терминала");
inline const QString Operator = QStringLiteral("Оператор");
inline const QString FirstRecord = QStringLiteral("Первое взвешивание в записи");
inline const QString Changes = QStringLiteral("Изменения");
inline const QString Key = QStringLiteral("Открытый ключ");
inline const QString IdCounter = QStringLiteral("Счётчик ID");
inline const QString EventCounter = QStringLiteral("Счётчик событий");
inline const QString Parameters = QStringLiteral("Параметры");
inline const QString Software = QStringLiteral("Программа");
// The card as the change left it: what its day file must hold.
inline const QString Date1 = QStringLiteral("Дата 1");
inline const QString Time1 = QStringLiteral("Время 1");
inline const QString Date2 = QStringLiteral("Дата 2");
inline const QString Time2 = QStringLiteral("Время 2");
inline const QString Gross = QStringLiteral("Брутто");
inline const QString Tare = QStringLiteral("Тара");
inline const QString Net = QStringLiteral("Нетто");
inline const QString Weight1 = QStringLiteral("Вес 1");
inline const QString Weight2 = QStringLiteral("Вес 2");
inline const QString Status = QStringLiteral("Статус");
} // namespace MemoryFields

namespace MemoryModes {
// The "Способ" of a weighing nobody attended.
inline QString unattended() { return QStringLiteral("без оператора"); }
} // namespace MemoryModes

namespace MemoryKinds {
inline const QString Start = QStringLiteral("начало памяти");
inline const QString Weighing = QStringLiteral("взвешивание");
inline const QString Closing = QStringLiteral("закрытие карточки");
inline const QString Correction = QStringLiteral("правка карточки");
inline const QString Deletion = QStringLiteral("удаление карточки");
inline const QString Settings = QStringLiteral("изменение настроек");
inline const QString Software = QStringLiteral("программа");
} // namespace MemoryKinds

// A record as read from a file.
struct StoredRecord
{
    MemoryRecord record;
    QByteArray previous;  // the SHA-256 it carries
    QByteArray signature;
    QByteArray signedPart; // everything the signature covers
    QByteArray hash;       // SHA-256 of the whole record
    qsizetype size = 0;    // 0: no whole record here
};

// Where a record lies, read without its fields, for readers of many.
struct RecordSpan
{
    qsizetype size = 0; // 0: no record whole there
    qint64 number = 0;
    qint32 cardId = 0;  // 0: no card's record
};
RecordSpan scanRecord(QByteArrayView data);

// The record's bytes, signed with `secretKey` (64 bytes).
QByteArray encodeRecord(const MemoryRecord &record, const QByteArray &previous, const QByteArray &secretKey);
// The record at the start of `data`; size 0 when none is whole there.
StoredRecord decodeRecord(QByteArrayView data);
