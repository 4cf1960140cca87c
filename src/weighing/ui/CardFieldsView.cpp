#include "CardFieldsView.h"

#include "core/Formats.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "weighing/CargoCard.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// Texts first, then the numbers, dates and weights: the order an operator
// reads a card in.
constexpr std::array<int, 25> kOrder = {
    CargoName, DocumentNumber, Sender, Receiver, VehicleNumber, DriverName, EscortName,
    CardNumber, CardId, OperationType, Status, Date1, Time1, Date2, Time2,
    Gross, Tare, Net, Weight1, Weight2, LitterPercent, LitterWeight, CleanWeight, SumWeight, SumCount};

QString dateText(double v) { return v == 0 ? QString() : ShortDateText(oleDateToDate(v)); }
QString timeText(double v, double date) { return v == 0 && date == 0 ? QString() : LongTimeText(oleDateToTime(v)); }

} // namespace

CardFieldsView::CardFieldsView(QWidget *parent)
    : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    for (size_t i = 0; i < kOrder.size(); ++i) {
        const int n = kOrder[i];
        auto *caption = new QLabel(this);
        auto *field = new QLineEdit(this);
        field->setReadOnly(true);
        caption->setBuddy(field);
        m_captions[size_t(n)] = caption;
        m_fields[size_t(n)] = field;
        // Texts span the width; the rest sit in two columns.
        if (i < CardTextCount) {
            grid->addWidget(caption, int(i), 0);
            grid->addWidget(field, int(i), 1, 1, 3);
        } else {
            const int k = int(i) - CardTextCount;
            grid->addWidget(caption, CardTextCount + k / 2, (k % 2) * 2);
            grid->addWidget(field, CardTextCount + k / 2, (k % 2) * 2 + 1);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void CardFieldsView::setCaptions(const Settings &settings)
{
    for (int n = 0; n < MainParamCount; ++n) {
        m_captions[size_t(n)]->setText(MainParamName(settings, n));
        m_fields[size_t(n)]->setAccessibleName(MainParamName(settings, n));
    }
}

void CardFieldsView::showCard(const CargoCard &c)
{
    for (int i = 0; i < CardTextCount; ++i)
        m_fields[size_t(i)]->setText(c.texts[size_t(i)]);
    m_fields[Date2]->setText(dateText(c.date2));
    m_fields[Time2]->setText(timeText(c.time2, c.date2));
    m_fields[LitterPercent]->setText(NumberText(c.litterPercent));
    m_fields[CardId]->setText(QString::number(c.id));
    m_fields[CardNumber]->setText(QString::number(c.number));
    m_fields[Date1]->setText(dateText(c.date1));
    m_fields[Time1]->setText(timeText(c.time1, c.date1));
    m_fields[OperationType]->setText(c.operationType);
    m_fields[Status]->setText(c.status);
    m_fields[Gross]->setText(NumberText(c.gross));
    m_fields[Net]->setText(NumberText(c.net));
    m_fields[Tare]->setText(NumberText(c.tare));
    m_fields[Weight1]->setText(NumberText(c.weight1));
    m_fields[Weight2]->setText(NumberText(c.weight2));
    m_fields[LitterWeight]->setText(NumberText(c.litterWeight));
    m_fields[CleanWeight]->setText(NumberText(c.cleanWeight));
    m_fields[SumWeight]->setText(NumberText(c.sumWeight));
    m_fields[SumCount]->setText(QString::number(c.sumCount));
}

void CardFieldsView::setFieldColour(int n, const QColor &colour)
{
    if (n < 0 || n >= MainParamCount)
        return;
    QLineEdit *field = m_fields[size_t(n)];
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, colour.lightness() < 100 ? Qt::white : Qt::black);
    field->setPalette(palette);
}

QColor CardFieldsView::fieldColour(int n) const
{
    return n >= 0 && n < MainParamCount ? m_fields[size_t(n)]->palette().color(QPalette::Base) : QColor();
}

QString CardFieldsView::fieldText(int n) const
{
    return n >= 0 && n < MainParamCount ? m_fields[size_t(n)]->text() : QString();
}
