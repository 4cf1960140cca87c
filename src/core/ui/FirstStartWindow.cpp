#include "FirstStartWindow.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/SettingsChange.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

using namespace Qt::StringLiterals;

FirstStartWindow::FirstStartWindow(AppContext &context, EventLog &log, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_log(log)
    , m_maxWeight(new QSpinBox(this))
    , m_dueKnown(new QCheckBox(u"Дата следующей поверки известна"_s, this))
    , m_due(new QDateEdit(this))
    , m_state(new QLabel(this))
{
    setWindowTitle(u"Первый запуск"_s);
    setAccessibleName(windowTitle());
    const Settings &s = m_context.settings;
    m_maxWeight->setRange(100, 1000000);
    m_maxWeight->setSingleStep(1000);
    m_maxWeight->setValue(int(s.MaxWeight));
    m_maxWeight->setSuffix(u" "_s + s.WeightUnit);
    m_due->setDisplayFormat(u"dd.MM.yyyy"_s);
    m_due->setCalendarPopup(true);
    m_due->setDate(m_context.clock.today().addYears(1));
    m_due->setEnabled(false);
    m_dueKnown->setAccessibleName(m_dueKnown->text());
    connect(m_dueKnown, &QCheckBox::toggled, m_due, &QWidget::setEnabled);

    auto *intro = new QLabel(u"Укажите наибольший предел взвешивания весов и дату их следующей поверки."_s, this);
    intro->setWordWrap(true);
    auto *form = new QFormLayout(this);
    form->addRow(intro);
    auto *maxCaption = new QLabel(u"Наибольший предел взвешивания:"_s, this);
    maxCaption->setBuddy(m_maxWeight);
    m_maxWeight->setAccessibleName(maxCaption->text());
    form->addRow(maxCaption, m_maxWeight);
    form->addRow(m_dueKnown);
    auto *dueCaption = new QLabel(u"Дата следующей поверки:"_s, this);
    dueCaption->setBuddy(m_due);
    m_due->setAccessibleName(dueCaption->text());
    form->addRow(dueCaption, m_due);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(m_state);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &FirstStartWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FirstStartWindow::reject);
}

void FirstStartWindow::accept()
{
    Settings &s = m_context.settings;
    s.MaxWeight = m_maxWeight->value();
    s.VerificationDate = m_dueKnown->isChecked() ? ShortDateText(m_due->date()) : QString();
    if (const StoreResult stored = storeSettingsChange(m_context, m_log); !stored) {
        m_state->setText(stored.reason);
        return;
    }
    QDialog::accept();
}
