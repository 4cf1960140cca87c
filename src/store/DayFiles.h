#pragma once

#include "DayList.h"
#include "card/CargoCard.h"
#include "core/StoreResult.h"
#include "core/WriteJournal.h"

#include <QDate>
#include <QString>
#include <functional>

class AppContext;
class EventLog;
class ProgressDisplay;

// Which of the two day lists.
enum class DayTarget {
    Today,   // today's file
    Archive, // the day opened in the archive
};

// A card as read from slot `number` of the day file of `day`, with the bytes
// the slot held then: a write over it is refused when the slot changed in
// between. A slot that holds no card (beyond the end, or ID 0) keeps no bytes.
struct DayCard
{
    // Slot `n` of `day` holding no card: where a new card goes.
    static DayCard noCard(const QDate &day, int n)
    {
        DayCard slot;
        slot.day = day;
        slot.number = n;
        return slot;
    }

    QDate day;
    int number = 0;
    CargoCard card;
    QByteArray slot;
    // Whether the day file could be opened.
    bool fileRead = false;

    bool holdsCard() const { return !slot.isEmpty(); }
};

// The only way cards reach and leave the day files. Every operation opens
// the file, does its work and closes it; nothing stays open in between.
class DayFiles
{
public:
    DayFiles(AppContext &context, EventLog &log);

    void setProgressDisplay(ProgressDisplay *display) { m_progress = display; }

    // Today's file by the clock at the moment of the call.
    QString todayPath() const;
    bool todayFileExists() const;

    QString archivePath() const { return m_archivePath; }
    int archiveCardCount() const { return m_archiveCount; }

    DayList &list(DayTarget target) { return target == DayTarget::Today ? m_todayList : m_archiveList; }
    const DayList &list(DayTarget target) const
    {
        return target == DayTarget::Today ? m_todayList : m_archiveList;
    }

    // "Карточка № n изменена с момента открытия: …"
    static QString changedMessage(int n);

    // Writes `card` into the slot `read` came from, in one positioned write,
    // and flushes it to disk. Refused when the slot no longer holds the bytes
    // it held when read, so a copy opened earlier never writes back over a
    // newer card. For today the missing folders are made first, and only
    // after the card is on disk the count record follows, as the larger of
    // the slots present and `n`; DayCardNumber takes it. A slot more than one
    // past the last card is refused, so nothing lands past the end.
    StoreResult WriteDayCard(const DayCard &read, const CargoCard &card);
    // What WriteDayCard writes, checked as it checks, for a write that
    // carries more than the card: the slot and, for today, the count.
    struct SlotWrite
    {
        WriteJournal::Piece slot;
        bool today = false;
        qint32 count = 0;       // the count after the write
        qint32 storedCount = 0; // the count record before it
        qint64 present = 0;     // the cards the file held before it
        WriteJournal::Piece countPiece() const { return {slot.path, 0, encodedCount()}; }
        QByteArray encodedCount() const;
    };
    StoreResult prepareDayCard(const DayCard &read, const CargoCard &card, SlotWrite &slot) const;
    // Those pieces are on disk: DayCardNumber follows today's count.
    void dayCardWritten(const DayCard &read, const SlotWrite &slot);
    // Slot `n` of the day file of `day`; a slot beyond the end reads as an
    // empty card, and so does a number that is not positive.
    DayCard ReadDayCard(const QDate &day, int n) const;
    // The first card of the day file of `day` that `match` accepts, read in
    // one pass; a slot holding no card when none does.
    DayCard findDayCard(const QDate &day, const std::function<bool(const CargoCard &)> &match) const;
    // Whether the slot still holds what `read` found there.
    bool slotUnchanged(const DayCard &read) const;
    // Reads today's file whole: DayCardNumber from its count and today's
    // list. A missing file (and its folders) is
    // created empty. A count that disagrees with the cards the file holds is
    // repaired, so a card written just before a crash is kept; a card ID
    // above CardIdCounter raises the counter. Both are logged.
    StoreResult LoadToday();
    // The № the next new card of today takes: today's count record + 1, after
    // the count was checked against the slots the file holds (repaired and
    // logged when they disagree); 1 for a missing or empty file. Fails when
    // the file cannot be read or written, or the numbers are exhausted.
    StoreResult nextTodayNumber(int &number);
    // The day LoadToday last read (invalid before the first).
    QDate loadedDay() const { return m_loadedDay; }
    // Reads an archive day whole, up to the first card whose ID is 0; the
    // count record is not consulted.
    void LoadArchiveDay(const QString &path);
    // After settings that are new or restored: CardIdCounter above every ID
    // of the day files, the newest months first, back to the first month
    // whose cards give no higher ID. A raise is logged.
    void raiseIdCounterFromRecord();

private:
    // The count record, when it is not `present`, is rewritten to it and logged.
    StoreResult repairCount(const QString &path, qint32 stored, qint64 present);
    void logCountRepair(const QString &path, qint64 count, qint32 stored);

    AppContext &m_context;
    EventLog &m_log;
    ProgressDisplay *m_progress = nullptr;
    DayList m_todayList;
    DayList m_archiveList;
    QString m_archivePath;
    int m_archiveCount = 0;
    QDate m_loadedDay;
};
