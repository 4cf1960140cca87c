#include "PortSettingsWindow.h"

#include "core/ui/ProgramIcon.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QComboBox *addList(QFormLayout *form, const QString &caption, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    auto *label = new QLabel(caption, parent);
    label->setBuddy(list);
    list->setAccessibleName(caption.trimmed());
    form->addRow(label, list);
    return list;
}

// The choices, plus the current value when it is none of them (a typed
// device name, or a value from an older settings file).
void fill(QComboBox *list, const QStringList &choices, const QString &value)
{
    list->clear();
    list->addItems(choices);
    if (!value.isEmpty() && !choices.contains(value))
        list->addItem(value);
    list->setCurrentIndex(list->findText(value));
    if (list->isEditable())
        list->setEditText(value);
}

} // namespace

PortSettingsWindow::PortSettingsWindow(AppContext &context, TerminalLink &link, EventLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(context, link, log)
{
    setWindowTitle(title());
    setWindowIcon(programIcon());

    auto *form = new QFormLayout;
    m_port = addList(form, u"СОМ-порт компьютера"_s, this);
    m_speed = addList(form, u"Скорость обмена "_s, this);
    m_parity = addList(form, u"Проверка на четность"_s, this);
    m_dataBits = addList(form, u"Количество бит в символе"_s, this);
    m_stopBits = addList(form, u"Количество стоповых битов"_s, this);
    // Any device may be typed in: an adapter or a port the system does not list.
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->lineEdit()->setAccessibleName(m_port->accessibleName());

    auto *saveButton = new QPushButton(u"Сохранить"_s, this);
    auto *exitButton = new QPushButton(u"Выход"_s, this);
    saveButton->setAccessibleName(saveButton->text());
    exitButton->setAccessibleName(exitButton->text());
    connect(saveButton, &QPushButton::clicked, this, &PortSettingsWindow::save);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(exitButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    reload();
}

QString PortSettingsWindow::title()
{
    return u"Настройка СОМ-порта компьютера"_s;
}

void PortSettingsWindow::reload()
{
    const PortParameters current = m_model.current();
    fill(m_port, PortSettingsModel::portChoices(), current.portNumber);
    fill(m_speed, PortSettingsModel::speedChoices(), current.baudRate);
    fill(m_parity, PortSettingsModel::parityChoices(), current.parity);
    fill(m_dataBits, PortSettingsModel::dataBitsChoices(), current.dataBits);
    fill(m_stopBits, PortSettingsModel::stopBitsChoices(), current.stopBits);
}

PortParameters PortSettingsWindow::chosen() const
{
    return {m_port->currentText(), m_speed->currentText(), m_parity->currentText(),
            m_dataBits->currentText(), m_stopBits->currentText()};
}

void PortSettingsWindow::save()
{
    const QString message = m_model.save(chosen());
    if (message == PortSettingsModel::acceptedMessage())
        QMessageBox::information(this, QApplication::applicationName(), message);
    else
        QMessageBox::warning(this, QApplication::applicationName(), message);
}

bool PortSettingsWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        reload();
    return QWidget::event(event);
}
