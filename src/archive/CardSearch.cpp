#include "CardSearch.h"

#include "store/DayFileCodec.h"
#include "store/VehicleRegister.h"

#include <QFile>
#include <QPointer>
#include <QThread>

bool cardMatches(const CargoCard &card, const QString &text)
{
    const QString needle = text.trimmed();
    if (needle.isEmpty())
        return true;
    for (const QString &t : card.texts)
        if (t.contains(needle, Qt::CaseInsensitive))
            return true;
    // A plate typed on either layout, with or without its blanks.
    if (const QString plate = VehicleRegister::plateKey(needle);
        !plate.isEmpty() && VehicleRegister::plateKey(card.texts[VehicleNumber]).contains(plate))
        return true;
    return card.operationType.contains(needle, Qt::CaseInsensitive)
        || card.status.contains(needle, Qt::CaseInsensitive);
}

QList<CardHit> findCards(const Folders &folders, const CardQuery &query,
                         const std::function<bool(int done, int total)> &progress)
{
    QList<CardHit> hits;
    if (!query.from.isValid() || !query.to.isValid() || query.from > query.to)
        return hits;
    const int total = int(query.from.daysTo(query.to)) + 1;
    const QString text = query.text.trimmed();
    int done = 0;
    for (QDate day = query.to; day >= query.from; day = day.addDays(-1)) {
        QFile file(dayFilePath(folders, day));
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray data = file.readAll();
            file.close();
            // The cards up to the first slot without an ID, as the archive reads a day.
            qint64 count = 0;
            while (decodeDayCardId(data, count + 1) != 0)
                ++count;
            for (qint64 n = count; n >= 1; --n) {
                CargoCard card = decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n)));
                if (IsDeleted(card.status) || (query.incompleteOnly && !IsIncomplete(card.status)))
                    continue;
                if (cardMatches(card, text))
                    hits.append({day, std::move(card)});
            }
        }
        if (progress && !progress(++done, total))
            break;
    }
    return hits;
}

CardSearch::CardSearch(const Folders &folders, QObject *parent)
    : QObject(parent)
    , m_folders(folders)
{
}

CardSearch::~CardSearch()
{
    stopThread();
}

void CardSearch::stopThread()
{
    if (!m_thread)
        return;
    m_cancel->store(true);
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void CardSearch::cancel()
{
    if (!m_thread)
        return;
    ++m_generation;
    stopThread();
    emit cancelled();
}

void CardSearch::start(const CardQuery &query)
{
    if (m_thread) {
        ++m_generation;
        stopThread();
    }
    m_results.clear();
    const quint64 generation = ++m_generation;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    const Folders folders = m_folders;
    QPointer<CardSearch> self(this);
    // Only the search of this generation reports; one cancelled or
    // replaced meanwhile is silent.
    m_thread = QThread::create([=] {
        int lastPercent = -1;
        QList<CardHit> hits = findCards(folders, query, [&](int done, int total) {
            const int percent = int(qint64(done) * 100 / total);
            if (percent != lastPercent) {
                lastPercent = percent;
                QMetaObject::invokeMethod(self, [self, generation, percent] {
                    if (self && self->m_generation == generation)
                        emit self->progressChanged(percent);
                }, Qt::QueuedConnection);
            }
            return !cancel->load();
        });
        if (cancel->load())
            return;
        QMetaObject::invokeMethod(self, [self, generation, hits = std::move(hits)]() mutable {
            if (!self || self->m_generation != generation)
                return;
            self->m_results = std::move(hits);
            self->stopThread();
            emit self->finished();
        }, Qt::QueuedConnection);
    });
    m_thread->start();
}
