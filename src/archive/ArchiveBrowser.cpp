#include "ArchiveBrowser.h"

#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/OleDate.h"
#include "core/StoreResult.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/PlusFile.h"

#include <QFile>

using namespace Qt::StringLiterals;

ArchiveBrowser::ArchiveBrowser(AppContext &context, DayFiles &days, Weighing &weighing, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_days(days)
    , m_weighing(weighing)
    , m_calendarDate(context.clock.today())
{
    connect(&weighing.commit(), &CardCommit::cardWritten, this,
            [this](const DayCard &written, const ExtraParams &, CardChange) { takeWritten(written); });
}

void ArchiveBrowser::takeWritten(const DayCard &written)
{
    if (!m_day.isValid() || written.day != m_day)
        return;
    if (written.number > m_days.archiveCardCount() || !m_days.list(DayTarget::Archive).update(written.card))
        m_days.LoadArchiveDay(m_days.archivePath());
    emit listChanged();
    if (written.number == m_shownSlot) {
        m_shownRead = written;
        m_shown = written.card;
        m_weighing.setArchiveShownCard(m_shown);
        SetArchiveCompletionButtons(written.number);
    }
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

DayCard ArchiveBrowser::completedCopy() const
{
    if (m_shown.id == 0 || !closedByCopy(m_shown))
        return DayCard();
    const CargoCard original = m_shown;
    return m_days.findDayCard(fromOleDate(m_shown.date2).date(),
                              [&original](const CargoCard &c) { return isCompletedCopyOf(c, original); });
}

void ArchiveBrowser::ShowArchiveCard(int n)
{
    const DayCard read = m_days.ReadDayCard(m_day, n);
    const CargoCard &card = read.card;
    const bool otherCard = card.id != m_shown.id;
    m_shown = card;
    m_shownSlot = n;
    m_weighing.setArchiveShownCard(m_shown);
    m_shownRead = read;
    if (otherCard && m_shown.id != 0)
        m_weighing.photos().showCardPhotos(CardPhotos::Frame::ArchiveCard, m_folder, m_shown.id);
    emit changed();
}

void ArchiveBrowser::SetArchiveCompletionButtons(int n)
{
    // The card shown is the one read when it was shown.
    const DayCard read = m_shownRead.number == n && m_shownRead.day == m_day ? m_shownRead : m_days.ReadDayCard(m_day, n);
    const CargoCard &c = read.card;
    m_netColour = Weighing::DarkGreen;
    m_tareColour = Weighing::DarkGreen;
    m_opened = 0;
    m_openedDay = QDate();
    m_openedRead = DayCard();
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
        if (m_opened != 0) {
            m_openedDay = m_day;
            m_openedRead = read;
        }
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

bool ArchiveBrowser::CompleteArchiveCard(Weighing::Kind kind)
{
    const int n = m_opened;
    if (n < 1 || m_busy || m_weighing.storing() || m_openedDay != m_day)
        return false;
    if ((kind == Weighing::Kind::Gross && !m_grossButton) || (kind == Weighing::Kind::Tare && !m_tareButton))
        return false;
    if (!m_weighing.checkWeightAvailable())
        return false;
    // Only card N of the day opened, as it was read when it was opened, and
    // only while it is still open.
    const DayCard &archived = m_openedRead;
    const CargoCard &a = archived.card;
    const QString type = kind == Weighing::Kind::Gross ? OperationTypes::loading() : OperationTypes::unloading();
    if (a.id == 0 || !IsIncomplete(a.status) || a.operationType != type) {
        selectCard(n);
        return false;
    }
    m_busy = true;

    // The copy goes into the file of the day the clock names.
    m_weighing.followClock();
    // The running sum takes the live net as it is now.
    if (m_weighing.visibleFrame() == Weighing::Frame::Archive)
        m_weighing.UpdateLiveWeights();
    // The weighing goes into a completed copy of today; the archived card
    // is only closed. Both, or neither: a card left open in its own day is
    // completed again.
    const QDateTime now = m_context.clock.now();
    CargoCard closed = a;
    closed.date2 = toOleDate(now.date());
    closed.time2 = toOleTime(now.time());
    closed.status = Statuses::complete();
    const double weight = m_weighing.WeighingWeight();
    if (!m_weighing.confirmNet(completeCard(a, kind, weight, now).net, a.texts[VehicleNumber])) {
        m_busy = false;
        return false;
    }
    const int number = m_weighing.storeNewTodayCard(
        [&](CargoCard &c, const NewCardNumbers &numbers) {
            c = a;
            c.id = numbers.id;
            c.number = numbers.number;
            applyDerivedWeights(c);
            // The copy keeps the sum and count the archive card shows, and
            // the labels show them too.
            c.sumWeight = a.sumWeight;
            c.sumCount = a.sumCount;
            c = completeCard(c, kind, weight, now);
        },
        PlusFile(plusFilePath()).read(n), CardChange::ArchiveCompletion, {{archived, closed, std::nullopt}});
    m_busy = false;
    if (number == 0) {
        // Nothing of the completion was stored: the card stays open as its
        // file holds it now.
        selectCard(n);
        return false;
    }
    if (kind == Weighing::Kind::Tare)
        emit beep();
    if (m_context.ExcelAvailable == 1)
        m_weighing.exports().writeArchiveStatus(m_resultFolder, m_day, n, closed.status);
    return true;
}
