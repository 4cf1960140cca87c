#pragma once

// Services that write down what they were asked to do, in order, so tests
// see every step a store hands on.

#include "card/CardServices.h"
#include "card/CargoCard.h"

#include <QStringList>

class RecordingExports final : public CardExports
{
public:
    explicit RecordingExports(QStringList &calls)
        : m_calls(calls)
    {
    }
    void prepareDay(bool withAccounting) override
    {
        m_calls << (withAccounting ? QStringLiteral("prepareDay+accounting") : QStringLiteral("prepareDay"));
    }
    QList<WriteJournal::Piece> exchangeLines(const CargoCard &card) override
    {
        m_calls << QStringLiteral("texts %1").arg(card.number);
        return {};
    }
    void writeWorkbookRows(const CargoCard &card) override
    {
        m_calls << QStringLiteral("dayRow %1").arg(card.number) << QStringLiteral("accountingRow %1").arg(card.number);
    }
    void writeTextReportHeaders() override { m_calls << QStringLiteral("textHeaders"); }
    void reconcileTexts(const QDate &) override {}
    void writeArchiveStatus(const QString &, const QDate &day, int n, const QString &status) override
    {
        m_calls << QStringLiteral("archiveStatus %1 %2 %3").arg(day.toString(Qt::ISODate)).arg(n).arg(status);
    }

private:
    QStringList &m_calls;
};

class RecordingPhotos final : public CardPhotos
{
public:
    explicit RecordingPhotos(QStringList &calls)
        : m_calls(calls)
    {
    }
    void takePhoto(const QString &name, int slot) override { m_calls << QStringLiteral("photo %1 %2").arg(name).arg(slot); }
    void showCardPhotos(Frame, const QString &, qint32 id) override { m_calls << QStringLiteral("showPhotos %1").arg(id); }
    void startForAutoMode() override { m_calls << QStringLiteral("startAutoPhoto"); }
    void switchOff() override { m_calls << QStringLiteral("closeVideo"); }

private:
    QStringList &m_calls;
};
