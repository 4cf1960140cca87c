#include "CurrentCardFrame.h"

#include "CardFieldsView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CurrentCardFrame::CurrentCardFrame(QWidget *parent)
    : QGroupBox(u"Карточка груза"_s, parent)
    , m_fields(new CardFieldsView(u"N:"_s, this))
    , m_gross(new QPushButton(u"Бруто"_s, this))
    , m_tare(new QPushButton(u"Тара"_s, this))
    , m_receipt(new QPushButton(u"Квит."_s, this))
    , m_insert(new QPushButton(u"Вставить"_s, this))
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
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fields);
    layout->addLayout(buttons);
    layout->addStretch();
}
