#include "MemoryLookup.h"

#include "MemoryVerifier.h"
#include "WeighingMemory.h"

using namespace Qt::StringLiterals;

MemoryLookup::MemoryLookup(const Folders &folders, const WeighingMemory &memory, QObject *parent)
    : QObject(parent)
    , m_folders(folders)
    , m_memory(memory)
{
}

void MemoryLookup::lookUp()
{
    bool ok = false;
    const qint64 n = m_numberText.toLongLong(&ok);
    if (!ok || n < 1) {
        m_shown.clear();
        m_verdict = u"Введите номер записи из документа"_s;
        m_holds = false;
        emit changed();
        return;
    }
    const MemoryVerifier::RecordCheck check = MemoryVerifier(m_folders).record(n);
    m_shown = check.text;
    for (const QString &finding : check.findings)
        m_shown += u"! "_s + finding + u'\n';
    m_verdict = check.verdict;
    m_holds = check.found && check.findings.isEmpty();
    emit changed();
}

void MemoryLookup::verifyAll()
{
    const MemoryVerifier::Report report = MemoryVerifier(m_folders).verify();
    m_shown = report.findings.isEmpty() ? QString() : report.findings.join(u'\n') + u'\n';
    m_verdict = report.summary();
    m_holds = report.ok();
    emit changed();
}

QString MemoryLookup::statusText() const
{
    return u"Последняя запись № %1; счётчик событий %2; ключ %3"_s.arg(m_memory.lastNumber())
        .arg(m_memory.eventCounter())
        .arg(m_memory.fingerprint());
}

QString MemoryLookup::aboutText() const
{
    return u"Tarvo, весовая программа\n"
           "Идентификация ПО: %1\n"
           "Отпечаток ключа весовой памяти: %2\n"
           "Записей в весовой памяти: %3; счётчик событий: %4"_s.arg(m_identity, m_memory.fingerprint())
        .arg(m_memory.lastNumber())
        .arg(m_memory.eventCounter());
}
