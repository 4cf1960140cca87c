#pragma once

#include "core/Folders.h"

#include <QObject>
#include <QStringList>

class WeighingMemory;

// What the window "Весовая память" shows: a record looked up by the number
// printed on a paper, with whether it and its card agree, or the check of
// the whole memory; and the program's identification for "О программе".
class MemoryLookup : public QObject
{
    Q_OBJECT

public:
    MemoryLookup(const Folders &folders, const WeighingMemory &memory, QObject *parent = nullptr);

    void setSoftwareIdentity(const QString &identity) { m_identity = identity; }

    QString numberText() const { return m_numberText; }
    void setNumberText(const QString &text) { m_numberText = text.trimmed(); }
    // The record of the number typed.
    void lookUp();
    // Every record and every card.
    void verifyAll();

    // What the window's text shows, and its one-line verdict.
    QString shownText() const { return m_shown; }
    QString verdict() const { return m_verdict; }
    bool holds() const { return m_holds; }
    // The last number, the event counter and the key's fingerprint.
    QString statusText() const;
    // "О программе": version and the hashes of the running files, the key.
    QString aboutText() const;

signals:
    void changed();

private:
    Folders m_folders;
    const WeighingMemory &m_memory;
    QString m_identity;
    QString m_numberText;
    QString m_shown;
    QString m_verdict;
    bool m_holds = true;
};
