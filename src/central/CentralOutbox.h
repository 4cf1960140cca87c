#pragma once

#include "CentralSettings.h"
#include "OutboxJournal.h"
#include "store/CardCommit.h"
#include "store/PlusFile.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"

#include <QDate>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <deque>
#include <vector>

class CentralSender;
class Folders;

// The mirror of this scale's cards in the central database. Every card
// written into a day file is appended to a durable local journal before
// the write's step returns; a worker thread sends the journal to the server
// in order and drops what the server confirmed. The weighing never waits
// for the server: a server that is down, slow or refusing only lets the
// queue grow, and the status says why.
class CentralOutbox : public QObject, public CardMirror
{
    Q_OBJECT

public:
    // The journal lives in "Central/" below `baseFolder`, the settings beside it.
    CentralOutbox(const QString &baseFolder, QObject *parent = nullptr);
    ~CentralOutbox() override;

    // Loads the settings and the journal and starts sending when enabled.
    void start();
    const CentralSettings &settings() const { return m_settings; }
    // New settings: saved, and the sender restarted with them.
    StoreResult applySettings(const CentralSettings &settings);
    // How long the sender waits after a failure before it tries again.
    void setRetryInterval(int ms) { m_retryMs = ms; }
    // Changes sent in one transaction at most.
    void setBatchSize(int cards) { m_batchSize = cards; }

    // A card was written into the day file of `day` by `change`, done by
    // `who`. Nothing happens while the mirror is off. Fails only when the
    // local journal could not be written.
    StoreResult cardWritten(const CargoCard &card, const ExtraParams &extras, const QDate &day, CardChange change,
                            const QString &who);

    using Item = CardMirror::Item;
    // A card change's entries written by the change's own commit.
    StoreResult commitWith(const std::vector<Item> &items, CardChange change, const QString &who,
                           const Commit &commit) override;
    // Several cards with one flush.
    StoreResult cardsWritten(const std::vector<Item> &items, CardChange change, const QString &who);
    // "Отправить всё заново": every card of the day files from `from` to
    // `to` is queued again. The number queued, or -1 with `error`.
    int resendPeriod(const Folders &folders, const QDate &from, const QDate &to, const QString &who,
                     QString &error);

    int queued() const;
    // Why the queue does not drain; empty while it does.
    QString reason() const { return m_reason; }
    // "Центральная база: N карточек в очереди" and the reason; empty when off.
    QString statusText() const;

    // For the sender, on its thread.
    std::vector<OutboxEntry> peek(int count) const;
    void confirm(qint64 seq);

signals:
    void statusChanged();

private:
    // The entries of `items`, numbered after the last; called under the lock.
    std::vector<OutboxEntry> entriesOf(const std::vector<Item> &items, CardChange change, const QString &who) const;
    void queue(std::vector<OutboxEntry> &entries);
    void startSender();
    void stopSender();
    void setReason(const QString &reason);
    void wakeSender();

    QString m_baseFolder;
    CentralSettings m_settings;
    OutboxJournal m_journal;
    mutable QMutex m_mutex;
    std::deque<OutboxEntry> m_pending;
    qint64 m_lastSeq = 0;
    QString m_reason;
    QThread m_thread;
    CentralSender *m_sender = nullptr;
    int m_retryMs = 5000;
    int m_batchSize = 500;
    bool m_loaded = false;
};
