#include "CardFieldsView.h"

#include "core/Settings.h"
#include "card/CardFieldText.h"
#include "card/CargoCard.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace {

// The weights in pairs, as the frame shows them below type and status.
constexpr std::array<std::array<int, 2>, 4> kWeightRows = {{
    {Gross, Tare}, {Net, LitterPercent}, {LitterWeight, CleanWeight}, {SumWeight, SumCount}}};

// Parameters whose caption is a fixed text rather than their name.
bool fixedCaption(int n)
{
    return n == CardNumber || n == Date1 || n == Time1 || n == Date2 || n == Time2;
}

} // namespace

QString CardFieldsView::startedCaption()
{
    return u"Начата:"_s;
}

QString CardFieldsView::finishedCaption()
{
    return u"Окончена:"_s;
}

CardFieldsView::CardFieldsView(const QString &numberCaption, QWidget *parent)
    : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    int row = 0;

    // A field beside its caption; a caption shared by a date and a time is
    // passed again for the time.
    auto place = [&](int n, QLabel *caption, int column, int span = 1) {
        auto *field = new QLineEdit(this);
        field->setReadOnly(true);
        if (!caption->buddy())
            caption->setBuddy(field);
        field->setAccessibleName(caption->text());
        m_captions[size_t(n)] = caption;
        m_fields[size_t(n)] = field;
        grid->addWidget(field, row, column, 1, span);
    };
    auto newCaption = [&](const QString &text, int column) {
        auto *caption = new QLabel(text, this);
        grid->addWidget(caption, row, column);
        return caption;
    };

    for (int n = 0; n < CardTextCount; ++n, ++row)
        place(n, newCaption(QString(), 0), 1, 3);

    place(CardNumber, newCaption(numberCaption, 0), 1);
    place(CardId, newCaption(QString(), 2), 3);
    ++row;
    QLabel *started = newCaption(startedCaption(), 0);
    place(Date1, started, 1);
    place(Time1, started, 2, 2);
    ++row;
    QLabel *finished = newCaption(finishedCaption(), 0);
    place(Date2, finished, 1);
    place(Time2, finished, 2, 2);
    ++row;
    place(OperationType, newCaption(QString(), 0), 1);
    place(Status, newCaption(QString(), 2), 3);
    ++row;
    for (const auto &pair : kWeightRows) {
        place(pair[0], newCaption(QString(), 0), 1);
        place(pair[1], newCaption(QString(), 2), 3);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void CardFieldsView::setCaptions(const Settings &settings)
{
    for (int n = 0; n < MainParamCount; ++n) {
        QLineEdit *field = m_fields[size_t(n)];
        if (!field)
            continue;
        const QString name = MainParamName(settings, n);
        if (fixedCaption(n)) {
            // The date and the time share their caption; the name tells them apart.
            field->setAccessibleDescription(name);
            continue;
        }
        m_captions[size_t(n)]->setText(name);
        field->setAccessibleName(name);
    }
}

void CardFieldsView::showCard(const CargoCard &c)
{
    for (int n = 0; n < MainParamCount; ++n) {
        if (QLineEdit *f = m_fields[size_t(n)])
            f->setText(CardFieldText(c, n));
    }
}

QLineEdit *CardFieldsView::field(int n) const
{
    return n >= 0 && n < MainParamCount ? m_fields[size_t(n)] : nullptr;
}

QLabel *CardFieldsView::caption(int n) const
{
    return n >= 0 && n < MainParamCount ? m_captions[size_t(n)] : nullptr;
}

void CardFieldsView::setFieldColour(int n, const QColor &colour)
{
    QLineEdit *f = field(n);
    if (!f)
        return;
    QPalette palette = f->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, colour.lightness() < 100 ? Qt::white : Qt::black);
    f->setPalette(palette);
}

QColor CardFieldsView::fieldColour(int n) const
{
    const QLineEdit *f = field(n);
    return f ? f->palette().color(QPalette::Base) : QColor();
}

QString CardFieldsView::fieldText(int n) const
{
    const QLineEdit *f = field(n);
    return f ? f->text() : QString();
}
