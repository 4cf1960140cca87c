#include "CardHitTable.h"

#include "core/Formats.h"
#include "core/OleDate.h"
#include "core/Settings.h"

#include <QHeaderView>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

CardHitTable::CardHitTable(const QString &accessibleName, QWidget *parent)
    : QTableWidget(0, 9, parent)
{
    setAccessibleName(accessibleName);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    Settings defaults;
    defaults.ParamNames = defaultParamNames(u"кг"_s);
    setCaptions(defaults);
    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { chooseRow(row); });
}

void CardHitTable::setCaptions(const Settings &s)
{
    const auto name = [&s](int i) { return s.ParamNames[size_t(i)]; };
    setHorizontalHeaderLabels({u"Дата"_s, u"Время"_s, name(11), name(4), name(0), name(16), name(18), name(17),
                               name(15)});
}

void CardHitTable::showCards(const QList<CardHit> &cards)
{
    m_cards = cards.mid(0, MaxRows);
    setUpdatesEnabled(false);
    clearContents();
    setRowCount(int(m_cards.size()));
    for (int row = 0; row < m_cards.size(); ++row) {
        const CardHit &hit = m_cards[row];
        const CargoCard &c = hit.card;
        const QStringList cells = {ShortDateText(hit.day), LongTimeText(fromOleDate(c.time1).time()),
                                   QString::number(c.number), c.texts[VehicleNumber], c.texts[CargoName],
                                   NumberText(c.gross), NumberText(c.tare), NumberText(c.net), c.status};
        for (int col = 0; col < cells.size(); ++col) {
            auto *item = new QTableWidgetItem(cells[col]);
            if (col == 2 || (col >= 5 && col <= 7))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, col, item);
        }
    }
    resizeColumnsToContents();
    setUpdatesEnabled(true);
    if (!m_cards.isEmpty())
        selectRow(0);
}

CardHit CardHitTable::cardAt(int row) const
{
    return row >= 0 && row < m_cards.size() ? m_cards[row] : CardHit();
}

void CardHitTable::chooseRow(int row)
{
    const CardHit hit = cardAt(row);
    if (hit.day.isValid())
        emit cardChosen(hit.day, hit.card.number);
}

void CardHitTable::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        chooseRow(currentRow());
        return;
    }
    QTableWidget::keyPressEvent(event);
}
