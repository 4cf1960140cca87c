#pragma once

#include "CentralSettings.h"
#include "OutboxJournal.h"
#include "store/CardCommit.h"
#include "store/PlusFile.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "memory/WeighingMemory.h"

#include <QDate>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class CentralSender;
class Folders;
class OutboxQueue;
class OutboxRelay;
class QThread;

// The mirror of this scale's cards in the central database. Every card
// written into a day file is appended to a durable local journal before
// the write's step returns; a worker thread sends the journal to the server
// in order and drops what the server confirmed. Nothing on the window's
// thread waits for the server: a server that is down, slow, hung or
// refusing only lets the queue grow, and the status says why.
//
// The weighing memory's records travel the same way, each its own change,
// in the commit that writes them; the office verifies them remotely.
class CentralOutbox : public QObject, public CardMirror, public MemoryMirror
{
    Q_OBJECT

public:
    // The journal lives in "Central/" below `baseFolder`, the settings beside it.
    CentralOutbox(const QString &baseFolder, QObject *parent = nullptr);
    // Waits for its workers at most a second: the queue is on disk.
    ~CentralOutbox() override;

    // Loads the settings and the journal and starts sending when enabled.
    void start();
    const CentralSettings &settings() const { return m_settings; }
    // The installation's key (see CentralSettings::installationKey).
    QString installationKey() const { return m_key; }
    // New settings: saved, and the sender restarted with them; returns at
    // once, whatever the old sender is waiting for.
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
    using Commit = CardMirror::Commit; // the memory's is the same
    // A card change's entries written by the change's own commit.
    StoreResult commitWith(const std::vector<Item> &items, CardChange change, const QString &who,
                           const Commit &commit) override;
    // The memory's records, written by the commit that writes them.
    StoreResult commitRecords(const QList<QByteArray> &records, const Commit &commit) override;
    // Several cards with one flush. Thread-safe.
    StoreResult cardsWritten(const std::vector<Item> &items, CardChange change, const QString &who);
    // Every card of the day files from `from` to `to`, and every record of
    // the weighing memory written then, queued again, on the calling thread. The number queued, or -1 with `error`. `progress`
    // hears (days done, days) and may stop it by returning false.
    int resendPeriod(const Folders &folders, const QDate &from, const QDate &to, const QString &who,
                     QString &error, const std::function<bool(int, int)> &progress = {});
    // "Отправить всё заново" on a worker: resendProgress while it reads,
    // resendFinished when done. False when one is running already.
    bool startResend(const Folders &folders, const QDate &from, const QDate &to, const QString &who);
    bool resending() const { return m_resend != nullptr; }

    // The days since the mirror was switched on compared with the server
    // (count and digest per day), on a worker; the days that differ are
    // queued again, and so are the memory's records the server lacks.
    // reconcileFinished says how many days.
    bool startReconcile(const Folders &folders, const QDate &today);
    bool reconciling() const { return m_reconcile != nullptr; }

    int queued() const;
    // The cards the server refused, with its reasons; queued again by
    // resendRejected.
    std::vector<RejectedEntry> rejected() const;
    StoreResult resendRejected(int &count);
    // Why the queue does not drain; empty while it does.
    QString reason() const { return m_reason; }
    // "Центральная база: N карточек в очереди", what is set aside and the
    // reason; empty when off.
    QString statusText() const;
    // "1 карточка", "3 карточки", "5 карточек".
    static QString cardsText(int count);

signals:
    void statusChanged();
    // For the event log: a damaged queue, a rename, a card set aside.
    void notice(const QString &text);
    void resendProgress(int done, int total);
    void resendFinished(int queued, const QString &error);
    void reconcileFinished(int days, const QString &error);

private:
    static std::vector<QByteArray> recordBodies(const QList<QByteArray> &records);
    static std::vector<QByteArray> bodiesOf(const std::vector<Item> &items, CardChange change, const QString &who);
    void startSender();
    // Waits `waitMs` at most for the sender's thread; 0: not at all.
    void stopSender(int waitMs = 0);
    void setReason(const QString &reason);
    void wakeSender();
    // Queues the items whether the mirror is on or not and wakes the
    // sender; thread-safe, and never touches the outbox itself, which a
    // worker may outlive.
    static StoreResult queueItems(OutboxQueue &queue, OutboxRelay &relay, const std::vector<Item> &items,
                                  CardChange change, const QString &who);
    static int resendDays(OutboxQueue &queue, OutboxRelay &relay, const Folders &folders, const QDate &from,
                          const QDate &to, const QString &who, QString &error,
                          const std::function<bool(int, int)> &progress);

    QString m_baseFolder;
    CentralSettings m_settings;
    QString m_key;
    std::shared_ptr<OutboxQueue> m_queue;
    // The workers' voice, kept by them too.
    std::shared_ptr<OutboxRelay> m_relay;
    QString m_reason;
    QThread *m_thread = nullptr;
    CentralSender *m_sender = nullptr;
    QThread *m_resend = nullptr;
    QThread *m_reconcile = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    int m_retryMs = 5000;
    int m_batchSize = 500;
};
