#include "ArchiveBrowser.h"

#include "DayFileCodec.h"
#include "DayFiles.h"
#include "PlusFile.h"
#include "core/AppContext.h"
#include "ParamExtras.h"
#include "core/StoreResult.h"
#include "core/Formats.h"
#include "core/OleDate.h"

#include <QFile>

using namespace Qt::StringLiterals;

ArchiveBrowser::ArchiveBrowser(AppContext &context, DayFiles &days, WorkingCards &cards, Weighing &weighing,
                               QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_days(days)
    , m_cards(cards)
    , m_weighing(weighing)
    , m_calendarDate(context.clock.today())
{
}

QString ArchiveBrowser::futureDateMessage(const QDate &today)
{
    return u"Выберите дату до "_s + ShortDateText(today);
}

QString ArchiveBrowser::noDataMessage()
{
    return u"Данные отсутствуют"_s;
}

void ArchiveBrowser::toggleCalendar()
{
    m_calendarVisible = !m_calendarVisible;
    emit changed();
}

void ArchiveBrowser::setCalendarDate(const QDate &date)
{
    m_calendarDate = date;
    emit changed();
}

QString ArchiveBrowser::plusFilePath() const
{
    return m_day.isValid() ? PlusFile::besideDayFile(m_days.archivePath()) : QString();
}

const DayList &ArchiveBrowser::list() const
{
    return m_days.list(DayTarget::Archive);
}

QString ArchiveBrowser::chooseDate(const QDate &date)
{
    if (!date.isValid() || m_busy)
        return QString();
    const QDate today = m_context.clock.today();
    if (date > today) {
        // The calendar goes back to the day still open.
        m_calendarDate = m_day.isValid() ? m_day : today;
        emit changed();
        return futureDateMessage(today);
    }
    const QString path = dayFilePath(m_context.folders, date);
    if (!QFile::exists(path)) {
        m_calendarDate = date;
        emit changed();
        return noDataMessage();
    }

    m_day = date;
    m_folder = m_context.folders.MonthDataFolder(date);
    m_resultFolder = m_context.folders.MonthResultFolder(m_context.settings.ResultFolder, date);
    m_calendarDate = date;
    m_calendarVisible = false;
    m_cards.ArchiveCard = CargoCard();
    m_days.LoadArchiveDay(path);
    emit listChanged();
    // The buttons follow the card now shown: nothing of the day shown
    // before stays open for completion.
    selectCard(m_days.archiveCardCount());
    if (m_days.archiveCardCount() < 1) {
        ShowArchiveCard(0);
        SetArchiveCompletionButtons(0);
    }
    return QString();
}

void ArchiveBrowser::enter()
{
    if (!m_day.isValid()) {
        // Nothing is open yet: the archive starts in this month, with the
        // calendar to choose from.
        m_folder = m_context.MonthDataFolder();
        m_calendarVisible = true;
        m_weighing.setArchiveShownCard(m_shown);
        emit changed();
        return;
    }
    emit listChanged();
    // The day file may have changed since (a completion, today's cards).
    ShowArchiveCard(m_shownSlot);
    SetArchiveCompletionButtons(m_shownSlot);
}

void ArchiveBrowser::ShowArchiveCard(int n)
{
    m_days.ReadDayCard(DayTarget::Archive, n);
    const bool otherCard = m_cards.ArchiveCard.id != m_shown.id;
    m_shown = m_cards.ArchiveCard;
    m_shownSlot = n;
    m_weighing.setArchiveShownCard(m_shown);
    if (otherCard && m_shown.id != 0)
        m_weighing.photos().showCardPhotos(CardPhotos::Frame::ArchiveCard, m_folder, m_shown.id);
    emit changed();
}

void ArchiveBrowser::SetArchiveCompletionButtons(int n)
{
    m_days.ReadDayCard(DayTarget::Archive, n);
    const CargoCard &c = m_cards.ArchiveCard;
    m_netColour = Weighing::DarkGreen;
    m_tareColour = Weighing::DarkGreen;
    m_opened = 0;
    m_openedPath.clear();
    m_grossButton = m_tareButton = m_receiptButton = false;
    if (n < 1 || c.id == 0) {
        // An empty slot: nothing to print and nothing to complete.
    } else if (IsIncomplete(c.status)) {
        if (c.operationType == OperationTypes::loading()) {
            m_grossButton = true;
            m_netColour = Weighing::LightGreen;
            m_opened = n;
        } else if (c.operationType == OperationTypes::unloading()) {
            m_tareButton = true;
            m_tareColour = Weighing::LightGreen;
            m_opened = n;
        }
        if (m_opened != 0)
            m_openedPath = m_days.archivePath();
    } else {
        m_receiptButton = true;
    }
    emit changed();
}

void ArchiveBrowser::selectCard(int n)
{
    if (n < 1 || m_busy)
        return;
    ShowArchiveCard(n);
    SetArchiveCompletionButtons(n);
}

int ArchiveBrowser::CopyArchiveCardToToday()
{
    // The copy goes into the file of the day the clock names.
    m_weighing.followClock();
    // The running sum takes the live net as it is now.
    if (m_weighing.visibleFrame() == Weighing::Frame::Archive)
        m_weighing.UpdateLiveWeights();

    const int n = m_weighing.storeNewTodayCard([this](CargoCard &c, const NewCardNumbers &numbers) {
        const CargoCard &a = m_cards.ArchiveCard;
        c = a;
        const QDateTime now = m_context.clock.now();
        c.date2 = toOleDate(now.date());
        c.time2 = toOleTime(now.time());
        c.id = numbers.id;
        c.number = numbers.number;
        const DerivedWeights derived = deriveWeights(a.net, a.litterPercent);
        c.litterWeight = derived.litterWeight;
        c.cleanWeight = derived.cleanWeight;
        // The copy keeps the sum and count the archive card shows, and the
        // labels show them too.
        c.sumWeight = a.sumWeight;
        c.sumCount = a.sumCount;
    });
    if (n > 0)
        m_weighing.photos().takePhoto(QString::number(m_cards.CurrentCard.id) + u"_1"_s, 1);
    return n;
}

bool ArchiveBrowser::CompleteArchiveCard(Weighing::Kind kind)
{
    const int n = m_opened;
    if (n < 1 || m_busy || m_weighing.storing() || m_openedPath != m_days.archivePath())
        return false;
    if ((kind == Weighing::Kind::Gross && !m_grossButton) || (kind == Weighing::Kind::Tare && !m_tareButton))
        return false;
    if (!m_weighing.checkWeightAvailable())
        return false;
    // The slot is read again: only card N of the day opened is completed,
    // and only while it is still open.
    m_days.ReadDayCard(DayTarget::Archive, n);
    CargoCard &a = m_cards.ArchiveCard;
    const QString type = kind == Weighing::Kind::Gross ? OperationTypes::loading() : OperationTypes::unloading();
    if (a.id == 0 || !IsIncomplete(a.status) || a.operationType != type) {
        selectCard(n);
        return false;
    }
    m_busy = true;

    const int number = CopyArchiveCardToToday();
    if (number == 0) {
        // Nothing of the completion was stored: the card stays open.
        m_busy = false;
        ShowArchiveCard(n);
        SetArchiveCompletionButtons(n);
        return false;
    }
    if (kind == Weighing::Kind::Tare)
        emit beep();

    const QDateTime now = m_context.clock.now();
    a.date2 = toOleDate(now.date());
    a.time2 = toOleTime(now.time());
    CargoCard &c = m_cards.CurrentCard;
    if (kind == Weighing::Kind::Gross)
        c.gross = m_weighing.WeighingWeight();
    else
        c.tare = m_weighing.WeighingWeight();
    c.net = c.gross - c.tare;
    c.status = Statuses::complete();
    a.status = Statuses::complete();
    const DerivedWeights derived = deriveWeights(c.net, c.litterPercent);
    c.litterWeight = derived.litterWeight;
    c.cleanWeight = derived.cleanWeight;

    CardExports &exports = m_weighing.exports();
    if (m_context.ExcelAvailable == 1)
        exports.writeArchiveStatus(m_resultFolder, m_day, n, a.status);
    StoreResult written = m_days.WriteDayCard(DayTarget::Today, number);
    QString refused = m_days.todayPath();
    if (written)
        emit m_weighing.cardWritten(c, PlusFile(PlusFile::besideDayFile(refused)).read(number),
                                    m_context.clock.today(), CardChange::ArchiveCompletion);
    exports.writeAccountingTexts(number);
    exports.writeDayWorkbookRow(number);
    exports.writeAccountingWorkbookRow(number);
    // The weighing lives only in the copy: without it the card stays open
    // in its own day, to be completed again.
    if (written) {
        written = m_days.WriteDayCard(DayTarget::Archive, n);
        refused = m_days.archivePath();
        if (written)
            emit m_weighing.cardWritten(a, PlusFile(plusFilePath()).read(n), m_day, CardChange::ArchiveCompletion);
    }
    if (!written)
        m_weighing.reportFailure(Weighing::notStoredMessage(refused, written.reason));

    m_weighing.ShowCurrentCard(number);
    m_days.LoadToday();
    emit m_weighing.todayListChanged();
    // The card frame shows the completed copy: its buttons follow it, and
    // no card of today stays open beside it.
    m_weighing.SetCompletionButtons(number);

    m_busy = false;
    ShowArchiveCard(n);
    SetArchiveCompletionButtons(n);
    if (m_shown.id != 0)
        m_weighing.photos().showCardPhotos(CardPhotos::Frame::ArchiveCard, m_folder, m_shown.id);
    return bool(written);
}
