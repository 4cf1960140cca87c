#include "CardCommit.h"

#include "DayFileCodec.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

CardCommit::CardCommit(AppContext &context, EventLog &log, DayFiles &days, CardExports &exports, CardPhotos &photos,
                       QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_days(days)
    , m_exports(exports)
    , m_photos(photos)
    , m_journal(CommitLog::pathIn(context.folders.BaseFolder))
    , m_vehicles(context.folders.BaseFolder)
{
    connect(&m_journal, &CommitLog::settleFailed, this, [this](const QString &reason) {
        m_log.WriteLog(u"Запись карточек не сброшена на диск: %1 (будет завершена при запуске)"_s.arg(reason));
    });
}

StoreResult CardCommit::commit(const QList<CardWrite> &writes, CardChange change)
{
    const QDate today = m_context.clock.today();
    QList<WriteJournal::Piece> pieces;
    std::vector<DayFiles::SlotWrite> slotWrites;
    std::vector<CardMirror::Item> items;
    Settings settings = m_context.settings;
    bool newCard = false;
    for (const CardWrite &write : writes) {
        const QString dayPath = dayFilePath(m_context.folders, write.read.day);
        DayFiles::SlotWrite slot;
        if (const StoreResult prepared = m_days.prepareDayCard(write.read, write.card, slot); !prepared)
            return StoreResult::failed(QFileInfo(dayPath).fileName() + u": "_s + prepared.reason);
        // Two cards of one day (an archive completion within today) give
        // the day the higher count.
        for (DayFiles::SlotWrite &other : slotWrites)
            if (other.slot.path == slot.slot.path)
                other.count = slot.count = qMax(other.count, slot.count);
        pieces.append(slot.slot);
        const PlusFile plus(PlusFile::besideDayFile(dayPath));
        // A new card always gets its record, so none is left without one.
        const ExtraParams extras = write.extras ? *write.extras : plus.read(write.read.number);
        if (write.extras || !write.read.holdsCard())
            pieces.append(plus.piece(write.read.number, extras));
        if (write.read.day == today) {
            pieces += m_exports.exchangeLines(write.card);
            settings.DayCardNumber = slot.count;
        }
        newCard = newCard || !write.read.holdsCard();
        slotWrites.push_back(slot);
        items.push_back({write.card, extras, write.read.day});
    }
    for (qsizetype k = 0; k < qsizetype(slotWrites.size()); ++k)
        if (slotWrites[size_t(k)].today && std::none_of(slotWrites.begin() + k + 1, slotWrites.end(), [&](const auto &later) {
                return later.slot.path == slotWrites[size_t(k)].slot.path;
            }))
            pieces.append(slotWrites[size_t(k)].countPiece());
    // The counters of a new card travel with it: no flush of their own,
    // and a cut leaves both or neither.
    if (newCard)
        pieces.append({m_context.folders.SettingsFile, 0, encodeSettings(settings)});

    // The memory's records, then the mirror's, join the one entry.
    const QString &who = m_context.CurrentOperator;
    const auto mirrored = [&](const QList<WriteJournal::Piece> &recorded) {
        const auto write = [&](const QList<WriteJournal::Piece> &queued) {
            return m_journal.commit(pieces + recorded + queued);
        };
        return m_mirror ? m_mirror->commitWith(items, change, who, write) : write({});
    };
    const StoreResult committed = m_recorder ? m_recorder->commitWith(writes, change, who, mirrored) : mirrored({});
    if (!committed)
        return committed;

    for (qsizetype k = 0; k < writes.size(); ++k) {
        const CardWrite &w = writes[k];
        m_days.dayCardWritten(w.read, slotWrites[size_t(k)]);
        DayCard written = w.read;
        written.card = w.card;
        written.slot = encodeDayCard(w.card);
        written.fileRead = true;
        if (w.read.day == today)
            m_exports.writeWorkbookRows(w.card);
        afterCommit(w, change);
        emit cardWritten(written, items[size_t(k)].extras, change);
    }
    return {};
}

void CardCommit::afterCommit(const CardWrite &write, CardChange change)
{
    if (write.read.day != m_context.clock.today())
        return;
    const CargoCard &card = write.card;
    const bool fresh = !write.read.holdsCard();
    if (change == CardChange::Store && fresh) {
        m_photos.takePhoto(QString::number(card.id), 0);
        return;
    }
    const bool secondWeighing =
        change == CardChange::Completion || (change == CardChange::ArchiveCompletion && fresh);
    if (!secondWeighing)
        return;
    m_photos.takePhoto(QString::number(card.id) + u"_1"_s, 1);
    // A two-pass weighing gave the vehicle's tare; one whose tare is not
    // below its gross gave no tare worth keeping.
    if (card.tare <= 0 || card.net <= 0 || card.texts[VehicleNumber].trimmed().isEmpty())
        return;
    if (const StoreResult kept =
            m_vehicles.remember(card.texts[VehicleNumber], card.tare, m_context.clock.today(), card.texts[DriverName]);
        !kept)
        m_log.WriteLog(u"Справочник машин не записан: "_s + kept.reason);
}
