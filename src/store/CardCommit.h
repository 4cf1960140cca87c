#pragma once

#include "DayFiles.h"
#include "PlusFile.h"
#include "VehicleRegister.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "core/CommitLog.h"
#include "core/StoreResult.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class AppContext;
class EventLog;

// Where the written cards are mirrored (the central database). Its own
// record of a change joins the change's commit, so a cut between the day
// file and the mirror's queue cannot lose the mirror's copy.
class CardMirror
{
public:
    struct Item
    {
        CargoCard card;
        ExtraParams extras;
        QDate day;
    };
    using Commit = std::function<StoreResult(const QList<WriteJournal::Piece> &)>;

    virtual ~CardMirror() = default;
    // Calls `commit` with the mirror's pieces for `items` (none while the
    // mirror is off) and takes them into its queue once it succeeded.
    virtual StoreResult commitWith(const std::vector<Item> &items, CardChange change, const QString &who,
                                   const Commit &commit) = 0;
};

// One card of a change: the slot as it was read when the operator saw it
// (DayCard::noCard for a new card), what goes into it, and the card's
// additional values when they change with it.
struct CardWrite
{
    DayCard read;
    CargoCard card;
    std::optional<ExtraParams> extras;
};

// Where every weight a card takes, and every later change of it, is kept
// for good (the weighing memory). Its records join the change's commit
// like the mirror's: no flush of their own, and a cut keeps both or neither.
class CardRecorder
{
public:
    using Commit = CardMirror::Commit;

    virtual ~CardRecorder() = default;
    // Calls `commit` with the recorder's pieces for `writes` and takes them
    // as written once it succeeded; refuses the change when it cannot
    // record it.
    virtual StoreResult commitWith(const QList<CardWrite> &writes, CardChange change, const QString &who,
                                   const Commit &commit) = 0;
};

// Every change of a card ends here: the store, the completion, the archive
// completion (both cards), the correction and the deletion. The day slots,
// the count, the plus records, the settings with their counters, today's
// exchange lines and the mirror's queue go to disk as one entry of the
// commit log, with one flush; then the workbook rows are queued, the tare
// is learnt, the photos are taken and cardWritten is emitted once per card.
// Nothing after it reads a card back by its number.
class CardCommit : public QObject
{
    Q_OBJECT

public:
    CardCommit(AppContext &context, EventLog &log, DayFiles &days, CardExports &exports, CardPhotos &photos,
               QObject *parent = nullptr);

    void setMirror(CardMirror *mirror) { m_mirror = mirror; }
    void setRecorder(CardRecorder *recorder) { m_recorder = recorder; }
    CommitLog &journal() { return m_journal; }

    // Refused as a whole, with the file and the reason, when a slot no
    // longer holds what was read or a file cannot be written.
    StoreResult commit(const QList<CardWrite> &writes, CardChange change);

signals:
    // `written` holds the card and the slot's bytes as they are now.
    void cardWritten(const DayCard &written, const ExtraParams &extras, CardChange change);

private:
    // The photos and the tare that follow a card of today.
    void afterCommit(const CardWrite &write, CardChange change);

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    CardExports &m_exports;
    CardPhotos &m_photos;
    CardMirror *m_mirror = nullptr;
    CardRecorder *m_recorder = nullptr;
    CommitLog m_journal;
    VehicleRegister m_vehicles;
};
