#pragma once

#include "card/CargoCard.h"
#include "core/Folders.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// A card found in the day file of `day`.
struct CardHit
{
    QDate day;
    CargoCard card;
};

// What is looked for in the day files of a period, both ends included.
struct CardQuery
{
    // Found in any text of the card (the seven main texts, the operation
    // type, the status), whatever its case; empty: every card.
    QString text;
    QDate from;
    QDate to;
    // Only cards still waiting for their second weighing.
    bool incompleteOnly = false;
};

// Whether `card` holds `text` (trimmed, any case) in one of its texts.
bool cardMatches(const CargoCard &card, const QString &text);

// The cards of the period that answer the query, newest first (latest day
// first, in a day the highest № first); deleted cards are left out. A day
// without a file is skipped; a damaged file gives the cards before the
// damage. `progress`(days done, days in all) is asked after every day and
// ends the search early by returning false. Reads files only, so it runs
// on any thread.
QList<CardHit> findCards(const Folders &folders, const CardQuery &query,
                         const std::function<bool(int done, int total)> &progress = {});

// "Поиск" without its window: one search at a time on a thread of its own,
// so the window keeps being drawn and the scale read while the days are
// read. Progress and results come back as signals on the owner's thread.
class CardSearch : public QObject
{
    Q_OBJECT

public:
    explicit CardSearch(const Folders &folders, QObject *parent = nullptr);
    ~CardSearch() override;

    // A search still running is cancelled first.
    void start(const CardQuery &query);
    // The running search stops after the day it reads; no results follow.
    void cancel();
    bool running() const { return m_thread != nullptr; }
    const QList<CardHit> &results() const { return m_results; }

signals:
    // Percent of the period's days read.
    void progressChanged(int percent);
    // The search ran to its end: results() holds what it found.
    void finished();
    void cancelled();

private:
    void stopThread();

    Folders m_folders;
    QThread *m_thread = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
    QList<CardHit> m_results;
    quint64 m_generation = 0;
};
