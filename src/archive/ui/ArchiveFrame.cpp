#include "ArchiveFrame.h"

#include "core/Colour.h"

#include "store/ui/DayListView.h"
#include "archive/ArchiveBrowser.h"
#include "card/CargoCard.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

} // namespace

ArchiveFrame::ArchiveFrame(QWidget *parent)
    : QGroupBox(u"Архивная карточка груза"_s, parent)
    , m_fields(new CardFieldsView(u"№:"_s, this))
    , m_list(new DayListView(u"Архив дня"_s, this))
    , m_calendar(new QCalendarWidget(this))
    , m_date(new QPushButton(u"Дата"_s, this))
    , m_gross(new QPushButton(u"Бруто"_s, this))
    , m_tare(new QPushButton(u"Тара"_s, this))
    , m_receipt(new QPushButton(u"Квит."_s, this))
    , m_insert(new QPushButton(u"Вставить"_s, this))
    , m_edit(new QPushButton(u"+"_s, this))
{
    setAccessibleName(title());
    m_calendar->setAccessibleName(u"Календарь"_s);
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->hide();

    auto *buttons = new QHBoxLayout;
    m_date->setAccessibleName(m_date->text());
    buttons->addWidget(m_date);
    m_insert->setAccessibleName(m_insert->text());
    buttons->addWidget(m_insert);
    m_edit->setAccessibleName(m_edit->text());
    buttons->addWidget(m_edit);
    for (QPushButton *b : {m_gross, m_tare, m_receipt}) {
        b->setAccessibleName(b->text());
        b->hide();
        buttons->addWidget(b);
    }
    buttons->addStretch();

    // The calendar takes its room from the fields, not from the window.
    auto *left = new QVBoxLayout;
    left->addWidget(scrollableCardFields(m_fields, this));
    left->addLayout(buttons);
    left->addWidget(m_calendar);
    left->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addWidget(m_list, 4);
}

void ArchiveFrame::setPhotoSlots(QWidget *photoSlots)
{
    // Under the buttons, above the calendar.
    static_cast<QBoxLayout *>(layout()->itemAt(0)->layout())->insertWidget(2, photoSlots);
}

void ArchiveFrame::attach(ArchiveBrowser &browser)
{
    m_browser = &browser;
    connect(m_date, &QPushButton::clicked, &browser, &ArchiveBrowser::toggleCalendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &ArchiveFrame::chooseDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &ArchiveFrame::chooseDate);
    connect(m_list, &DayListView::cardChosen, &browser, &ArchiveBrowser::selectCard);
    connect(m_gross, &QPushButton::clicked, &browser, [&browser] { browser.CompleteArchiveCard(Weighing::Kind::Gross); });
    connect(m_tare, &QPushButton::clicked, &browser, [&browser] { browser.CompleteArchiveCard(Weighing::Kind::Tare); });
    connect(&browser, &ArchiveBrowser::changed, this, &ArchiveFrame::refresh);
    connect(&browser, &ArchiveBrowser::listChanged, this, [this] { m_list->showList(m_browser->list()); });
    refresh();
}

void ArchiveFrame::setCaptions(const Settings &settings)
{
    m_fields->setCaptions(settings);
    m_list->setCaptions(settings);
}

void ArchiveFrame::chooseDate(const QDate &date)
{
    const QString message = m_browser->chooseDate(date);
    if (message.isEmpty())
        return;
    QMessageBox box(QMessageBox::Information, QCoreApplication::applicationName(), message, QMessageBox::Ok, this);
    box.exec();
}

void ArchiveFrame::refresh()
{
    const ArchiveBrowser &b = *m_browser;
    m_fields->showCard(b.shownCard());
    m_fields->setFieldColour(Net, colourFromValue(b.netFieldColour()));
    m_fields->setFieldColour(Tare, colourFromValue(b.tareFieldColour()));
    m_gross->setVisible(b.grossButtonVisible());
    m_tare->setVisible(b.tareButtonVisible());
    m_receipt->setVisible(b.receiptButtonVisible());
    m_calendar->setVisible(b.calendarVisible());
    if (m_calendar->selectedDate() != b.calendarDate()) {
        const QSignalBlocker quiet(m_calendar);
        m_calendar->setSelectedDate(b.calendarDate());
    }
}
