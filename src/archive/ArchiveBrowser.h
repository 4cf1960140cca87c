#pragma once

#include "card/CargoCard.h"
#include "store/DayFiles.h"
#include "weighing/Weighing.h"

#include <QDate>
#include <QObject>
#include <QString>

class AppContext;
class DayList;

// The archive frame "Архивная карточка груза" without its widgets: the day
// chosen in the calendar, its card shown, its completion buttons, and the
// completion of an earlier day's card into today's file.
class ArchiveBrowser : public QObject
{
    Q_OBJECT

public:
    ArchiveBrowser(AppContext &context, DayFiles &days, Weighing &weighing, QObject *parent = nullptr);

    static QString futureDateMessage(const QDate &today);
    static QString noDataMessage();

    // The calendar and its "Дата" button.
    bool calendarVisible() const { return m_calendarVisible; }
    void toggleCalendar();
    QDate calendarDate() const { return m_calendarDate; }
    void setCalendarDate(const QDate &date);
    // A day clicked in the calendar: empty when it was opened, else the
    // message for the operator; then nothing else has changed.
    QString chooseDate(const QDate &date);

    // The day opened, invalid before the first.
    QDate archiveDay() const { return m_day; }
    QString folder() const { return m_folder; }
    QString resultFolder() const { return m_resultFolder; }
    QString plusFilePath() const;
    const DayList &list() const;
    // The mode "Архив" is entered.
    void enter();

    const CargoCard &shownCard() const { return m_shown; }
    // The card shown was closed by an archive completion: the completed copy
    // that holds its weighing, in the day it was closed. No card otherwise.
    DayCard completedCopy() const;
    int openedForCompletion() const { return m_opened; }
    bool grossButtonVisible() const { return m_grossButton; }
    bool tareButtonVisible() const { return m_tareButton; }
    bool receiptButtonVisible() const { return m_receiptButton; }
    int netFieldColour() const { return m_netColour; }
    int tareFieldColour() const { return m_tareColour; }

    void ShowArchiveCard(int n);
    void SetArchiveCompletionButtons(int n);
    // A line of the archive list was chosen.
    void selectCard(int n);

    // "Бруто" / "Тара": the card opened for completion is closed in its own
    // day and completed as a copy in today's. False when nothing was
    // completed or a day file could not be written.
    bool CompleteArchiveCard(Weighing::Kind kind);

signals:
    void changed();
    // The archive list was rebuilt: show its last page.
    void listChanged();
    // The tare of an archive completion is confirmed by a beep.
    void beep();

private:
    // A card written by any step: the day shown and its card follow.
    void takeWritten(const DayCard &written);
    AppContext &m_context;
    DayFiles &m_days;
    Weighing &m_weighing;

    bool m_calendarVisible = false;
    QDate m_calendarDate;
    QDate m_day;
    QString m_folder;
    QString m_resultFolder;
    CargoCard m_shown;
    int m_shownSlot = 0;
    // The slots of the card shown and of the card opened, as they were read.
    DayCard m_shownRead;
    DayCard m_openedRead;
    int m_opened = 0;
    // The day of the card opened, so no other day's slot is written.
    QDate m_openedDay;
    bool m_grossButton = false;
    bool m_tareButton = false;
    bool m_receiptButton = false;
    int m_netColour = Weighing::DarkGreen;
    int m_tareColour = Weighing::DarkGreen;
    bool m_busy = false;
};
