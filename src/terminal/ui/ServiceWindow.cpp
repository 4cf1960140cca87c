#include "ServiceWindow.h"

#include "core/AppContext.h"
#include "core/Formats.h"
#include "terminal/WeightConditioning.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ServiceWindow::ServiceWindow(AppContext &context, EventLog &log, WeightConditioning &conditioning, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_log(log)
    , m_conditioning(conditioning)
    , m_model(new QLineEdit(this))
    , m_serial(new QLineEdit(this))
    , m_verification(new QLineEdit(this))
    , m_tare(new QCheckBox(u"Разрешить вводить вес тары с клавиатуры"_s, this))
    , m_receipt(new QCheckBox(u"Показывать кнопку \"Квитанция\""_s, this))
    , m_maxWeight(new QLineEdit(this))
    , m_unit(new QLabel(this))
    , m_overload(new QLabel(this))
{
    setWindowTitle(title());
    auto *form = new QFormLayout;
    const std::initializer_list<std::pair<QString, QLineEdit *>> fields = {
        {u"Марка весов:"_s, m_model}, {u"Заводской номер:"_s, m_serial}, {u"Дата очередной поверки:"_s, m_verification}};
    for (const auto &[caption, field] : fields) {
        field->setAccessibleName(caption);
        form->addRow(caption, field);
    }
    auto *max = new QHBoxLayout;
    max->addWidget(m_maxWeight);
    max->addWidget(m_unit);
    m_maxWeight->setAccessibleName(kMaxWeightCaption.toString());
    form->addRow(kMaxWeightCaption.toString(), max);
    m_overload->setAccessibleName(u"Перегрузка:"_s);
    form->addRow(u"Перегрузка:"_s, m_overload);
    m_tare->setAccessibleName(m_tare->text());
    m_receipt->setAccessibleName(m_receipt->text());

    auto *saveButton = new QPushButton(u"Сохранить"_s, this);
    auto *reset = new QPushButton(u"Сбросить ошибку перегрузки весов"_s, this);
    auto *exit = new QPushButton(u"Выход"_s, this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {saveButton, reset, exit}) {
        b->setAccessibleName(b->text());
        buttons->addWidget(b);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_tare);
    layout->addWidget(m_receipt);
    layout->addLayout(buttons);

    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString message = save();
        if (message == acceptedMessage())
            QMessageBox::information(this, title(), message);
        else
            QMessageBox::warning(this, title(), message);
    });
    connect(reset, &QPushButton::clicked, this, &ServiceWindow::resetOverload);
    connect(exit, &QPushButton::clicked, this, &QWidget::hide);
}

QString ServiceWindow::title()
{
    return u"Сервис"_s;
}

QString ServiceWindow::acceptedMessage()
{
    return u"Изменения приняты"_s;
}

void ServiceWindow::load()
{
    const Settings &s = m_context.settings;
    m_model->setText(s.ScaleModel);
    m_serial->setText(s.ScaleSerial);
    m_verification->setText(s.VerificationDate);
    m_tare->setChecked(s.TareFromKeyboard == 1);
    m_receipt->setChecked(s.ShowReceiptButton == 1);
    m_maxWeight->setText(NumberText(s.MaxWeight));
    m_unit->setText(s.WeightUnit);
    m_overload->setText(s.OverloadText);
}

QString ServiceWindow::save()
{
    const ServiceInput input{m_model->text(),       m_serial->text(),        m_verification->text(),
                             m_tare->isChecked(), m_receipt->isChecked(), m_maxWeight->text()};
    if (const QString problem = checkServiceSettings(input); !problem.isEmpty())
        return problem;
    const QString failed = saveServiceSettings(m_context, m_log, input);
    // Applied even when not stored: the values hold for this run.
    emit serviceSettingsSaved();
    return failed.isEmpty() ? acceptedMessage() : failed;
}

void ServiceWindow::resetOverload()
{
    const StoreResult stored = m_conditioning.resetOverload();
    m_overload->clear();
    if (!stored)
        QMessageBox::warning(this, title(), stored.reason);
}
