#include "OpenWeighingsWindow.h"

#include "CardHitTable.h"
#include "archive/OpenWeighings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OpenWeighingsWindow::OpenWeighingsWindow(OpenWeighings &open, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_weighings(open)
    , m_count(new QLabel(this))
    , m_table(new CardHitTable(u"Незавершённые карточки"_s, this))
    , m_open(new QPushButton(u"Открыть"_s, this))
    , m_filter(new QLineEdit(this))
{
    setWindowTitle(u"Открытые взвешивания"_s);
    setAccessibleName(windowTitle());
    m_count->setAccessibleName(u"Количество"_s);
    m_open->setAccessibleName(m_open->text());
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_open);
    auto *filterCaption = new QLabel(u"Найти:"_s, this);
    filterCaption->setBuddy(m_filter);
    m_filter->setAccessibleName(u"Найти"_s);
    m_filter->setClearButtonEnabled(true);
    auto *top = new QHBoxLayout;
    top->addWidget(filterCaption);
    top->addWidget(m_filter, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(900, 420);

    // A card chosen opens in the main window, which takes the keyboard.
    connect(m_table, &CardHitTable::cardChosen, this, [this](const QDate &day, int number) {
        close();
        emit cardChosen(day, number);
    });
    connect(m_open, &QPushButton::clicked, this, [this] {
        const CardHit hit = m_table->cardAt(m_table->currentRow());
        if (!hit.day.isValid())
            return;
        close();
        emit cardChosen(hit.day, hit.card.number);
    });
    connect(&m_weighings, &OpenWeighings::changed, this, &OpenWeighingsWindow::showCards);
    connect(m_filter, &QLineEdit::textChanged, &m_weighings, &OpenWeighings::setFilter);
    // Down from the filter goes on to the cards; Enter opens the one marked.
    connect(m_filter, &QLineEdit::returnPressed, m_open, &QPushButton::click);
}

void OpenWeighingsWindow::open(const Settings &settings, const QString &plate)
{
    m_table->setCaptions(settings);
    m_filter->clear();
    m_weighings.setFilter(QString());
    m_weighings.refresh();
    // The vehicle on the scale, when its plate is known; never simply the newest card.
    const int row = m_weighings.rowOf(plate);
    m_table->clearSelection();
    m_table->setCurrentCell(row, 0);
    if (row < 0)
        m_table->setCurrentItem(nullptr);
    show();
    raise();
    activateWindow();
    m_filter->setFocus(Qt::OtherFocusReason);
}

void OpenWeighingsWindow::showCards()
{
    m_table->showCards(m_weighings.cards());
    // One card left by the filter is the one meant.
    if (m_weighings.cards().size() != 1 || m_filter->text().trimmed().isEmpty())
        m_table->setCurrentItem(nullptr);
    m_count->setText(m_weighings.countText());
    m_open->setEnabled(m_weighings.count() > 0);
}
