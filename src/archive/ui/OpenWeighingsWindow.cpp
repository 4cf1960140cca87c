#include "OpenWeighingsWindow.h"

#include "CardHitTable.h"
#include "archive/OpenWeighings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OpenWeighingsWindow::OpenWeighingsWindow(OpenWeighings &open, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_weighings(open)
    , m_count(new QLabel(this))
    , m_table(new CardHitTable(u"Незавершённые карточки"_s, this))
    , m_open(new QPushButton(u"Открыть"_s, this))
{
    setWindowTitle(u"Открытые взвешивания"_s);
    setAccessibleName(windowTitle());
    m_count->setAccessibleName(u"Количество"_s);
    m_open->setAccessibleName(m_open->text());
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_open);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(900, 420);

    connect(m_table, &CardHitTable::cardChosen, this, &OpenWeighingsWindow::cardChosen);
    connect(m_open, &QPushButton::clicked, this, [this] {
        const CardHit hit = m_table->cardAt(m_table->currentRow());
        if (hit.day.isValid())
            emit cardChosen(hit.day, hit.card.number);
    });
    connect(&m_weighings, &OpenWeighings::changed, this, &OpenWeighingsWindow::showCards);
}

void OpenWeighingsWindow::open(const Settings &settings)
{
    m_table->setCaptions(settings);
    m_weighings.refresh();
    show();
    raise();
    activateWindow();
    m_table->setFocus(Qt::OtherFocusReason);
}

void OpenWeighingsWindow::showCards()
{
    m_table->showCards(m_weighings.cards());
    m_count->setText(m_weighings.countText());
    m_open->setEnabled(m_weighings.count() > 0);
}
