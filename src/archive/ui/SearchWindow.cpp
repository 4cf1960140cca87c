#include "SearchWindow.h"

#include "CardHitTable.h"
#include "archive/CardSearch.h"
#include "core/Clock.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QDateEdit *dateField(const QString &name, QWidget *parent)
{
    auto *field = new QDateEdit(parent);
    field->setCalendarPopup(true);
    field->setDisplayFormat(u"dd.MM.yyyy"_s);
    field->setAccessibleName(name);
    return field;
}

} // namespace

SearchWindow::SearchWindow(CardSearch &search, Clock &clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_search(search)
    , m_clock(clock)
    , m_text(new QLineEdit(this))
    , m_from(dateField(u"С"_s, this))
    , m_to(dateField(u"По"_s, this))
    , m_find(new QPushButton(u"Найти"_s, this))
    , m_cancel(new QPushButton(u"Отмена"_s, this))
    , m_progress(new QProgressBar(this))
    , m_result(new QLabel(this))
    , m_table(new CardHitTable(u"Найденные карточки"_s, this))
{
    setWindowTitle(u"Поиск"_s);
    setAccessibleName(windowTitle());
    m_text->setAccessibleName(u"Искать"_s);
    m_text->setPlaceholderText(u"номер машины, груз, отправитель…"_s);
    m_find->setAccessibleName(m_find->text());
    m_find->setDefault(true);
    m_cancel->setAccessibleName(m_cancel->text());
    m_progress->setAccessibleName(u"Ход поиска"_s);
    m_progress->setRange(0, 100);
    m_result->setAccessibleName(u"Итог поиска"_s);

    auto *textCaption = new QLabel(u"&Искать:"_s, this);
    textCaption->setBuddy(m_text);
    auto *fromCaption = new QLabel(u"&С"_s, this);
    fromCaption->setBuddy(m_from);
    auto *toCaption = new QLabel(u"&по"_s, this);
    toCaption->setBuddy(m_to);

    auto *query = new QHBoxLayout;
    query->addWidget(textCaption);
    query->addWidget(m_text, 1);
    query->addWidget(fromCaption);
    query->addWidget(m_from);
    query->addWidget(toCaption);
    query->addWidget(m_to);
    query->addWidget(m_find);
    query->addWidget(m_cancel);
    auto *state = new QHBoxLayout;
    state->addWidget(m_progress, 1);
    state->addWidget(m_result, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(query);
    layout->addLayout(state);
    layout->addWidget(m_table, 1);
    resize(1000, 520);

    connect(m_find, &QPushButton::clicked, this, &SearchWindow::find);
    connect(m_text, &QLineEdit::returnPressed, this, &SearchWindow::find);
    connect(m_cancel, &QPushButton::clicked, &m_search, &CardSearch::cancel);
    connect(&m_search, &CardSearch::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&m_search, &CardSearch::finished, this, [this] {
        showRunning(false);
        const qsizetype found = m_search.results().size();
        m_table->showCards(m_search.results());
        // Up, Down and Enter go on from the first card found.
        if (found > 0)
            m_table->setFocus(Qt::OtherFocusReason);
        m_result->setText(found > CardHitTable::MaxRows
                              ? u"Найдено: %1, показаны первые %2"_s.arg(found).arg(CardHitTable::MaxRows)
                              : u"Найдено: %1"_s.arg(found));
    });
    connect(&m_search, &CardSearch::cancelled, this, [this] {
        showRunning(false);
        m_result->setText(u"Поиск прерван"_s);
    });
    connect(m_table, &CardHitTable::cardChosen, this, &SearchWindow::cardChosen);
    showRunning(false);
}

void SearchWindow::open(const Settings &settings)
{
    m_table->setCaptions(settings);
    const QDate today = m_clock.today();
    if (!m_search.running()) {
        m_to->setDate(today);
        m_from->setDate(today.addDays(-30));
    }
    show();
    raise();
    activateWindow();
    m_text->setFocus(Qt::OtherFocusReason);
    m_text->selectAll();
}

void SearchWindow::find()
{
    CardQuery query;
    query.text = m_text->text();
    query.from = m_from->date();
    query.to = m_to->date();
    if (query.from > query.to) {
        m_result->setText(u"Начало периода позже его конца"_s);
        return;
    }
    m_result->setText(u"Поиск…"_s);
    m_progress->setValue(0);
    showRunning(true);
    m_search.start(query);
}

void SearchWindow::showRunning(bool running)
{
    m_find->setEnabled(!running);
    m_cancel->setEnabled(running);
    m_progress->setVisible(running);
}

void SearchWindow::closeEvent(QCloseEvent *event)
{
    // A closed window leaves no search running behind it.
    m_search.cancel();
    QWidget::closeEvent(event);
}
