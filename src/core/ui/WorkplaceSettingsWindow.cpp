#include "WorkplaceSettingsWindow.h"

#include "core/AppContext.h"
#include "core/EventLog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using namespace Qt::StringLiterals;

WorkplaceSettingsWindow::WorkplaceSettingsWindow(AppContext &context, EventLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_log(log)
    , m_clear(new QCheckBox(u"Очищать поля ввода после записи"_s, this))
    , m_learn(new QCheckBox(u"Пополнять списки новыми значениями"_s, this))
    , m_unsteady(new QCheckBox(u"Не записывать нестабильный вес"_s, this))
    , m_unattended(new QCheckBox(u"Взвешивание без оператора по картам"_s, this))
    , m_openDays(new QSpinBox(this))
    , m_tareAge(new QSpinBox(this))
    , m_emptyWeight(new QSpinBox(this))
    , m_save(new QPushButton(u"Сохранить"_s, this))
    , m_state(new QLabel(this))
{
    setWindowTitle(u"Рабочее место"_s);
    setAccessibleName(windowTitle());
    m_clear->setAccessibleName(m_clear->text());
    m_learn->setAccessibleName(m_learn->text());
    m_unsteady->setAccessibleName(m_unsteady->text());
    m_unattended->setAccessibleName(m_unattended->text());
    m_openDays->setRange(1, OperatorSettings::MaxOpenDays);
    m_tareAge->setRange(0, OperatorSettings::MaxDays);
    m_tareAge->setSpecialValueText(u"без ограничения"_s);
    m_emptyWeight->setRange(0, OperatorSettings::MaxEmptyWeight);
    m_save->setAccessibleName(m_save->text());
    m_state->setAccessibleName(u"Состояние"_s);
    auto *form = new QFormLayout(this);
    form->addRow(m_clear);
    form->addRow(m_learn);
    form->addRow(m_unsteady);
    form->addRow(m_unattended);
    auto *openCaption = new QLabel(u"Открытые взвешивания за, дней:"_s, this);
    openCaption->setBuddy(m_openDays);
    m_openDays->setAccessibleName(openCaption->text());
    form->addRow(openCaption, m_openDays);
    auto *ageCaption = new QLabel(u"Сохранённая тара действует, дней:"_s, this);
    ageCaption->setBuddy(m_tareAge);
    m_tareAge->setAccessibleName(ageCaption->text());
    form->addRow(ageCaption, m_tareAge);
    auto *emptyCaption = new QLabel(u"Платформа пуста до, кг:"_s, this);
    emptyCaption->setBuddy(m_emptyWeight);
    m_emptyWeight->setAccessibleName(emptyCaption->text());
    form->addRow(emptyCaption, m_emptyWeight);
    form->addRow(m_state, m_save);
    connect(m_save, &QPushButton::clicked, this, &WorkplaceSettingsWindow::save);
    load();
}

void WorkplaceSettingsWindow::load()
{
    const OperatorSettings &s = m_context.operatorSettings;
    m_clear->setChecked(s.clearEntryAfterStore());
    m_learn->setChecked(s.learnPickLists());
    m_unsteady->setChecked(s.refuseUnsteady());
    m_unattended->setChecked(s.unattended());
    m_openDays->setValue(s.openWeighingDays());
    m_tareAge->setValue(s.storedTareMaxAge());
    m_emptyWeight->setValue(s.emptyPlatformWeight());
    m_state->clear();
}

void WorkplaceSettingsWindow::save()
{
    OperatorSettings &s = m_context.operatorSettings;
    s.setClearEntryAfterStore(m_clear->isChecked());
    s.setLearnPickLists(m_learn->isChecked());
    s.setRefuseUnsteady(m_unsteady->isChecked());
    if (s.unattended() != m_unattended->isChecked())
        m_log.WriteLog(m_unattended->isChecked() ? u"Взвешивание без оператора включено"_s
                                                 : u"Взвешивание без оператора выключено"_s);
    s.setUnattended(m_unattended->isChecked());
    s.setOpenWeighingDays(m_openDays->value());
    s.setStoredTareMaxAge(m_tareAge->value());
    s.setEmptyPlatformWeight(m_emptyWeight->value());
    // The change holds for this session even when the file refuses it.
    if (const StoreResult stored = m_context.storeOperatorSettings(); !stored) {
        m_log.WriteLog(stored.reason);
        m_state->setText(stored.reason);
    } else {
        m_state->setText(u"Записано"_s);
    }
    emit saved();
}
