#include "Weighing.h"

#include "core/AppContext.h"
#include "core/Hooks.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/OleDate.h"
#include "core/Rounding.h"
#include "store/DayFiles.h"

Weighing::Weighing(AppContext &context, DayFiles &days, WorkingCards &cards, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_days(days)
    , m_cards(cards)
    , m_operationType(OperationTypes::unloading())
{
}

void Weighing::selectOperationType(const QString &type)
{
    m_operationType = type;
    m_tareField = QStringLiteral("0");
    m_grossText = QStringLiteral("0");
    m_netText = QStringLiteral("0");
    emit changed();
}

void Weighing::setEntryText(int i, const QString &text)
{
    if (i >= 0 && i < CardTextCount)
        m_entryTexts[size_t(i)] = text;
}

void Weighing::setEntryLitterText(const QString &text)
{
    m_entryLitter = text;
    m_liveLitter = text;
    emit changed();
}

void Weighing::takeTare()
{
    m_tareField = NumberText(m_weighingWeight);
    emit changed();
}

void Weighing::setReceiptButtonVisible(bool visible)
{
    m_receiptButton = visible;
    emit changed();
}

void Weighing::liveFromCard(const CargoCard &card, double f)
{
    const double w = m_weighingWeight;
    if (IsIncomplete(card.status)) {
        if (card.operationType == OperationTypes::unloading()) {
            m_live.gross = card.gross;
            m_live.tare = w;
        } else {
            m_live.gross = w;
            m_live.tare = card.tare;
        }
        m_live.net = round6(m_live.gross - m_live.tare);
    } else {
        m_live.gross = card.gross;
        m_live.tare = card.tare;
        m_live.net = card.net;
    }
    m_live.litter = m_live.net * f;
    m_live.clean = round6(m_live.net - m_live.litter);
}

void Weighing::UpdateLiveWeights()
{
    if (m_context.settings.AxleProgram == 1) {
        m_weighingWeight = 0;
        for (double a : AxleWeights)
            m_weighingWeight += a;
    } else {
        m_weighingWeight = m_terminalWeight;
    }
    const double w = m_weighingWeight;
    const double f = ParseNumber(m_liveLitter) / 100;

    switch (m_frame) {
    case Frame::DataEntry:
        if (m_operationType == OperationTypes::single()) {
            m_live.gross = w;
            m_live.tare = ParseNumber(m_tareField);
            m_live.net = round6(m_live.gross - m_live.tare);
            m_live.first = w;
            m_live.second = 0;
        } else if (m_operationType == OperationTypes::unloading()) {
            m_live.gross = w;
            m_live.first = w;
            m_live.tare = m_live.net = m_live.second = 0;
        } else {
            m_live.tare = w;
            m_live.first = w;
            m_live.gross = m_live.net = m_live.second = 0;
        }
        m_live.litter = m_live.net * f;
        m_live.clean = round6(m_live.net - m_live.litter);
        break;
    case Frame::CurrentCard:
        liveFromCard(m_shown, f);
        break;
    case Frame::Archive:
        liveFromCard(m_archiveShown, f);
        break;
    case Frame::Other:
        return;
    }
    showLive();
}

void Weighing::showLive()
{
    m_grossText = NumberText(m_live.gross);
    m_netText = NumberText(m_live.net);
    m_tareField = NumberText(m_live.tare);
    m_cleanText = NumberText(m_live.clean);
    m_litterText = NumberText(m_live.litter);
    emit changed();
}

bool Weighing::StoreNewCard()
{
    // One store at a time: a request during a store (automatic mode, a
    // second click) is refused rather than interleaved with it.
    if (m_storing)
        return false;
    m_storing = true;
    Settings &s = m_context.settings;
    // The live values follow the type, tare and litter as they are now, not
    // as they were at the last reading: a type chosen just before the click
    // must not store the previous type's weights.
    if (m_frame == Frame::DataEntry)
        UpdateLiveWeights();

    runHook(hooks.prepareSpreadsheets);
    const NewCardNumbers numbers = numberNewCard(s, [&] { int n = 0; return m_days.nextTodayNumber(n) ? n : 0; }());
    applyRunningSum(s, m_live.net);

    CargoCard &c = m_cards.CurrentCard;
    c = CargoCard();
    c.operationType = m_operationType.left(32);
    for (int i = 0; i < CardTextCount; ++i)
        c.texts[size_t(i)] = limitEntry(i, m_entryTexts[size_t(i)]);
    const QDateTime now = m_context.clock.now();
    const bool single = c.operationType == OperationTypes::single();
    c.date2 = single ? toOleDate(now.date()) : 0;
    c.time2 = single ? toOleTime(now.time()) : 0;
    c.litterPercent = ParseNumber(m_entryLitter);
    c.id = numbers.id;
    c.number = numbers.number;
    c.date1 = toOleDate(now.date());
    c.time1 = toOleTime(now.time());
    c.status = single ? Statuses::complete() : Statuses::incomplete();
    c.gross = m_live.gross;
    c.net = m_live.net;
    c.tare = m_live.tare;
    c.weight1 = m_live.first;
    c.weight2 = m_live.second;
    c.litterWeight = c.net * c.litterPercent / 100;
    c.cleanWeight = round6(c.net - c.litterWeight);
    c.sumWeight = s.SumWeight;
    c.sumCount = s.SumCount;

    runHook(hooks.findPickListEntries, c);

    // The counters go to disk before the card: a crash in between leaves a
    // gap in the numbers, never an ID given twice.
    m_context.storeSettings();
    const bool written = m_days.WriteDayCard(DayTarget::Today, c.number).ok;
    const int n = c.number;
    const CargoCard stored = c;
    runHook(hooks.exportDayWorkbook, n);
    runHook(hooks.exportAccountingSheet, n);
    runHook(hooks.exportAccountingText, n);
    runHook(hooks.writeExtras, n);

    ShowCurrentCard(n);
    m_days.list(DayTarget::Today).append(stored);
    runHook(hooks.todayListChanged);
    runHook(hooks.resetAxles);
    runHook(hooks.takePhoto, QString::number(stored.id), 0);
    m_storing = false;
    emit changed();
    return written;
}

bool Weighing::CompleteCard(Kind kind)
{
    const int n = m_opened;
    if (n < 1 || m_storing)
        return false;
    // The slot is read again: whatever happened since the card was shown,
    // only card N itself is completed into slot N.
    m_days.ReadDayCard(DayTarget::Today, n);
    CargoCard &c = m_cards.CurrentCard;
    const QDateTime now = m_context.clock.now();
    c.date2 = toOleDate(now.date());
    c.time2 = toOleTime(now.time());
    if (kind == Kind::Gross)
        c.gross = m_weighingWeight;
    else
        c.tare = m_weighingWeight;
    c.net = c.gross - c.tare;
    c.status = Statuses::complete();
    c.litterWeight = c.net * c.litterPercent / 100;
    c.cleanWeight = round6(c.net - c.litterWeight);

    const bool written = m_days.WriteDayCard(DayTarget::Today, n).ok;
    runHook(hooks.exportDayWorkbook, n);
    runHook(hooks.exportAccountingText, n);
    runHook(hooks.exportAccountingSheet, n);
    ShowCurrentCard(n);

    if (kind == Kind::Gross)
        m_grossButton = false;
    else
        m_tareButton = false;
    m_opened = 0;
    m_days.LoadToday();
    runHook(hooks.todayListChanged);
    if (kind == Kind::Gross)
        m_netColour = DarkGreen;
    else
        m_tareColour = DarkGreen;
    runHook(hooks.takePhoto, QString::number(m_shown.id) + QStringLiteral("_1"), 1);
    runHook(hooks.showCardPhotos);
    m_receiptButton = true;
    emit changed();
    return written;
}

void Weighing::ShowCurrentCard(int n)
{
    if (n < 1)
        return;
    m_days.ReadDayCard(DayTarget::Today, n);
    m_shown = m_cards.CurrentCard;
    m_liveLitter = NumberText(m_shown.litterPercent);
    emit changed();
}

void Weighing::SetCompletionButtons(int n)
{
    if (n < 1)
        return;
    m_days.ReadDayCard(DayTarget::Today, n);
    const CargoCard &c = m_cards.CurrentCard;
    m_netColour = DarkGreen;
    m_tareColour = DarkGreen;
    m_opened = 0;
    if (IsIncomplete(c.status)) {
        m_receiptButton = m_grossButton = m_tareButton = false;
        if (c.operationType == OperationTypes::loading()) {
            m_grossButton = true;
            m_netColour = LightGreen;
            m_opened = n;
        } else if (c.operationType == OperationTypes::unloading()) {
            m_tareButton = true;
            m_tareColour = LightGreen;
            m_opened = n;
        }
    } else {
        m_receiptButton = true;
        m_grossButton = m_tareButton = false;
    }
    emit changed();
}

void Weighing::dayChanged()
{
    m_grossButton = false;
    m_tareButton = false;
    m_opened = 0;
    emit changed();
}
