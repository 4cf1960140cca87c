#include "ArchiveFrame.h"

#include "DayListView.h"
#include "weighing/ui/CardFieldsView.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ArchiveFrame::ArchiveFrame(QWidget *parent)
    : QGroupBox(u"Архивная карточка груза"_s, parent)
    , m_fields(new CardFieldsView(this))
    , m_list(new DayListView(u"Архив дня"_s, this))
    , m_calendar(new QCalendarWidget(this))
    , m_date(new QPushButton(u"Дата"_s, this))
    , m_gross(new QPushButton(u"Бруто"_s, this))
    , m_tare(new QPushButton(u"Тара"_s, this))
    , m_receipt(new QPushButton(u"Квит."_s, this))
{
    setAccessibleName(title());
    m_calendar->setAccessibleName(u"Календарь"_s);
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->hide();
    connect(m_date, &QPushButton::clicked, this, [this] { m_calendar->setVisible(!m_calendar->isVisible()); });

    auto *buttons = new QHBoxLayout;
    m_date->setAccessibleName(m_date->text());
    buttons->addWidget(m_date);
    for (QPushButton *b : {m_gross, m_tare, m_receipt}) {
        b->setAccessibleName(b->text());
        b->hide();
        buttons->addWidget(b);
    }
    buttons->addStretch();

    auto *left = new QVBoxLayout;
    left->addWidget(m_fields);
    left->addLayout(buttons);
    left->addWidget(m_calendar);
    left->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addWidget(m_list, 4);
}
