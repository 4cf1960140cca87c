#include "CurrentCardFrame.h"

#include "CardFieldsView.h"
#include "core/Colour.h"
#include "weighing/Weighing.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

class CardFieldsScrollArea : public QScrollArea
{
public:
    explicit CardFieldsScrollArea(QWidget *parent)
        : QScrollArea(parent)
    {
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFocusPolicy(Qt::NoFocus);
        viewport()->setAutoFillBackground(false);
    }

    QSize minimumSizeHint() const override
    {
        QSize size = QScrollArea::minimumSizeHint();
        if (const QWidget *inner = widget())
            size.setWidth(inner->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width()
                          + 2 * frameWidth());
        return size;
    }

    QSize sizeHint() const override
    {
        // The whole card where there is room for it.
        const QWidget *inner = widget();
        return inner ? QSize(minimumSizeHint().width(), inner->sizeHint().height() + 2 * frameWidth())
                     : QScrollArea::sizeHint();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // New captions change the width the fields need.
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }
};

} // namespace

QScrollArea *scrollableCardFields(CardFieldsView *fields, QWidget *parent)
{
    auto *area = new CardFieldsScrollArea(parent);
    fields->setAutoFillBackground(false);
    area->setWidget(fields);
    return area;
}

CurrentCardFrame::CurrentCardFrame(QWidget *parent)
    : QGroupBox(u"Карточка груза"_s, parent)
    , m_fields(new CardFieldsView(u"N:"_s, this))
    , m_gross(new QPushButton(u"Бруто"_s, this))
    , m_tare(new QPushButton(u"Тара"_s, this))
    , m_receipt(new QPushButton(u"Квит."_s, this))
    , m_insert(new QPushButton(u"Вставить"_s, this))
    , m_edit(new QPushButton(u"+"_s, this))
{
    setAccessibleName(title());
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_gross, m_tare, m_receipt}) {
        b->setAccessibleName(b->text());
        b->setMinimumHeight(32);
        b->hide();
        buttons->addWidget(b);
    }
    m_insert->setAccessibleName(m_insert->text());
    m_insert->setMinimumHeight(32);
    buttons->addWidget(m_insert);
    m_edit->setAccessibleName(m_edit->text());
    m_edit->setMinimumHeight(32);
    buttons->addWidget(m_edit);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scrollableCardFields(m_fields, this));
    layout->addLayout(buttons);
    layout->addStretch();
}

void CurrentCardFrame::setPhotoSlots(QWidget *photoSlots)
{
    // Fields, buttons, then the photos above the stretch.
    static_cast<QBoxLayout *>(layout())->insertWidget(2, photoSlots);
}

void CurrentCardFrame::attach(Weighing &weighing)
{
    connect(m_gross, &QPushButton::clicked, &weighing, [&weighing] { weighing.CompleteCard(Weighing::Kind::Gross); });
    connect(m_tare, &QPushButton::clicked, &weighing, [&weighing] { weighing.CompleteCard(Weighing::Kind::Tare); });
    connect(&weighing, &Weighing::changed, this, [this, &weighing] {
        m_fields->showCard(weighing.shownCard());
        m_gross->setVisible(weighing.grossButtonVisible());
        m_tare->setVisible(weighing.tareButtonVisible());
        m_receipt->setVisible(weighing.receiptButtonVisible());
        m_fields->setFieldColour(Net, colourFromValue(weighing.netFieldColour()));
        m_fields->setFieldColour(Tare, colourFromValue(weighing.tareFieldColour()));
    });
}
