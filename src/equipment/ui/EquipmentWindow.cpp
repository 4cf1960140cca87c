#include "EquipmentWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QSpinBox *addressField()
{
    auto *field = new QSpinBox;
    field->setRange(-1, 65535);
    // -1: the part is not fitted.
    field->setSpecialValueText(u"нет"_s);
    return field;
}

QComboBox *baudBox()
{
    auto *box = new QComboBox;
    box->setEditable(true);
    for (const int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        box->addItem(QString::number(baud));
    box->setValidator(new QIntValidator(300, 921600, box));
    return box;
}

void setBaud(QComboBox *box, int baud)
{
    box->setCurrentText(QString::number(baud));
}

int baud(const QComboBox *box, int fallback)
{
    bool ok = false;
    const int n = box->currentText().toInt(&ok);
    return ok && n > 0 ? n : fallback;
}

// Where the label and the accessible name are one caption.
void addRow(QFormLayout *form, const QString &caption, QWidget *field)
{
    auto *label = new QLabel(caption);
    label->setBuddy(field);
    field->setAccessibleName(caption);
    if (auto *box = qobject_cast<QComboBox *>(field); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(caption);
    form->addRow(label, field);
}

} // namespace

EquipmentWindow::EquipmentWindow(Weighbridge &weighbridge, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_weighbridge(weighbridge)
    , m_enabled(new QCheckBox(u"Оборудование подключено"_s))
    , m_host(new QLineEdit)
    , m_port(new QSpinBox)
    , m_unit(new QSpinBox)
    , m_beamInputs{addressField(), addressField()}
    , m_coils{addressField(), addressField(), addressField(), addressField(), addressField(), addressField()}
    , m_emptyWeight(new QSpinBox)
    , m_scoreboardPort(new QLineEdit)
    , m_scoreboardBaud(baudBox())
    , m_readerPort(new QLineEdit)
    , m_readerBaud(baudBox())
    , m_save(new QPushButton(u"Сохранить"_s))
    , m_result(new QLabel)
    , m_module(new QLabel)
    , m_state(new QLabel)
    , m_beams{new QLabel, new QLabel}
    , m_manual(new QCheckBox(u"Ручное управление выходами"_s))
    , m_outputs{}
{
    setWindowTitle(u"Оборудование весовой"_s);
    m_port->setRange(1, 65535);
    m_unit->setRange(0, 247);
    m_emptyWeight->setRange(0, 1000000);
    m_emptyWeight->setSuffix(u" кг"_s);
    for (QLineEdit *port : {m_scoreboardPort, m_readerPort}) {
        port->setPlaceholderText(u"нет; например, /dev/ttyUSB0 или 1"_s);
        port->setMinimumWidth(port->fontMetrics().horizontalAdvance(port->placeholderText()) + 16);
    }

    auto *module = new QGroupBox(u"Модуль ввода-вывода (Modbus TCP)"_s);
    auto *moduleForm = new QFormLayout(module);
    moduleForm->addRow(m_enabled);
    addRow(moduleForm, u"Адрес модуля"_s, m_host);
    addRow(moduleForm, u"Порт TCP"_s, m_port);
    addRow(moduleForm, u"Номер устройства"_s, m_unit);
    addRow(moduleForm, u"Вход луча въезда"_s, m_beamInputs[0]);
    addRow(moduleForm, u"Вход луча выезда"_s, m_beamInputs[1]);
    addRow(moduleForm, u"Платформа свободна при весе ниже"_s, m_emptyWeight);

    auto *coils = new QGroupBox(u"Катушки выходов"_s);
    auto *coilForm = new QFormLayout(coils);
    const std::array<QString, Weighbridge::outputCount> coilCaptions{
        u"Катушка: въезд, зелёный"_s, u"Катушка: въезд, красный"_s,  u"Катушка: выезд, зелёный"_s,
        u"Катушка: выезд, красный"_s, u"Катушка: шлагбаум въезда"_s, u"Катушка: шлагбаум выезда"_s};
    for (int i = 0; i < Weighbridge::outputCount; ++i)
        addRow(coilForm, coilCaptions[i], m_coils[i]);

    auto *serial = new QGroupBox(u"Табло и считыватель карт"_s);
    auto *serialForm = new QFormLayout(serial);
    addRow(serialForm, u"Порт табло"_s, m_scoreboardPort);
    addRow(serialForm, u"Скорость табло"_s, m_scoreboardBaud);
    addRow(serialForm, u"Порт считывателя карт"_s, m_readerPort);
    addRow(serialForm, u"Скорость считывателя"_s, m_readerBaud);

    auto *now = new QGroupBox(u"Сейчас"_s);
    auto *nowForm = new QFormLayout(now);
    addRow(nowForm, u"Модуль"_s, m_module);
    addRow(nowForm, u"Платформа"_s, m_state);
    addRow(nowForm, u"Луч въезда"_s, m_beams[0]);
    addRow(nowForm, u"Луч выезда"_s, m_beams[1]);
    nowForm->addRow(m_manual);
    for (int i = 0; i < Weighbridge::outputCount; ++i) {
        const auto output = Weighbridge::Output(i);
        m_outputs[i] = new QCheckBox(Weighbridge::outputCaption(output));
        nowForm->addRow(m_outputs[i]);
        connect(m_outputs[i], &QCheckBox::clicked, this,
                [this, output](bool on) { m_weighbridge.setOutputByHand(output, on); });
    }
    for (QCheckBox *box : {m_enabled, m_manual})
        box->setAccessibleName(box->text());
    for (QCheckBox *box : m_outputs)
        box->setAccessibleName(box->text());
    m_save->setAccessibleName(m_save->text());
    m_result->setAccessibleName(u"Результат"_s);
    m_result->setWordWrap(true);

    auto *close = new QPushButton(u"Закрыть"_s);
    close->setAccessibleName(close->text());
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_result, 1);
    buttons->addWidget(m_save);
    buttons->addWidget(close);

    auto *left = new QVBoxLayout;
    left->addWidget(module);
    left->addWidget(serial);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(coils);
    right->addWidget(now);
    right->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, &EquipmentWindow::save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_manual, &QCheckBox::toggled, &m_weighbridge, &Weighbridge::setManual);
    connect(&m_weighbridge, &Weighbridge::changed, this, &EquipmentWindow::showState);
    showState();
}

void EquipmentWindow::load()
{
    const AutomationSettings &s = m_weighbridge.settings();
    m_enabled->setChecked(s.enabled);
    m_host->setText(s.ioHost);
    m_port->setValue(s.ioPort);
    m_unit->setValue(s.ioUnit);
    m_beamInputs[0]->setValue(s.beamEntryInput);
    m_beamInputs[1]->setValue(s.beamExitInput);
    for (int i = 0; i < Weighbridge::outputCount; ++i)
        m_coils[i]->setValue(m_weighbridge.coil(Weighbridge::Output(i)));
    m_emptyWeight->setValue(s.emptyWeight);
    m_scoreboardPort->setText(s.scoreboardPort);
    setBaud(m_scoreboardBaud, s.scoreboardBaud);
    m_readerPort->setText(s.readerPort);
    setBaud(m_readerBaud, s.readerBaud);
    m_result->clear();
    showState();
}

AutomationSettings EquipmentWindow::fields() const
{
    AutomationSettings s = m_weighbridge.settings();
    s.enabled = m_enabled->isChecked();
    s.ioHost = m_host->text().trimmed();
    s.ioPort = m_port->value();
    s.ioUnit = m_unit->value();
    s.beamEntryInput = m_beamInputs[0]->value();
    s.beamExitInput = m_beamInputs[1]->value();
    s.lightEntryGreenCoil = m_coils[0]->value();
    s.lightEntryRedCoil = m_coils[1]->value();
    s.lightExitGreenCoil = m_coils[2]->value();
    s.lightExitRedCoil = m_coils[3]->value();
    s.barrierEntryCoil = m_coils[4]->value();
    s.barrierExitCoil = m_coils[5]->value();
    s.emptyWeight = m_emptyWeight->value();
    s.scoreboardPort = m_scoreboardPort->text().trimmed();
    s.scoreboardBaud = baud(m_scoreboardBaud, s.scoreboardBaud);
    s.readerPort = m_readerPort->text().trimmed();
    s.readerBaud = baud(m_readerBaud, s.readerBaud);
    return s;
}

void EquipmentWindow::save()
{
    const StoreResult saved = m_weighbridge.save(fields());
    m_result->setText(saved ? u"Сохранено"_s : u"Не сохранено: "_s + saved.reason);
}

void EquipmentWindow::hideEvent(QHideEvent *event)
{
    // Outside this window nobody watches the outputs set by hand.
    m_manual->setChecked(false);
    QWidget::hideEvent(event);
}

void EquipmentWindow::showState()
{
    const Weighbridge &w = m_weighbridge;
    switch (w.moduleState()) {
    case Weighbridge::ModuleState::Off: m_module->setText(u"не используется"_s); break;
    case Weighbridge::ModuleState::Connecting: m_module->setText(u"соединение…"_s); break;
    case Weighbridge::ModuleState::Answering: m_module->setText(u"отвечает"_s); break;
    case Weighbridge::ModuleState::Silent: m_module->setText(u"не отвечает"_s); break;
    }
    switch (w.state()) {
    case Weighbridge::State::Off: m_state->setText(u"—"_s); break;
    case Weighbridge::State::Free: m_state->setText(u"свободна"_s); break;
    case Weighbridge::State::Taken: m_state->setText(u"на платформе машина"_s); break;
    case Weighbridge::State::Leaving: m_state->setText(u"машина взвешена, выезд открыт"_s); break;
    }
    const std::array<int, 2> inputs{w.settings().beamEntryInput, w.settings().beamExitInput};
    for (int i = 0; i < 2; ++i)
        m_beams[i]->setText(inputs[i] < 0                              ? u"не установлен"_s
                            : w.beamClear(Weighbridge::Beam(i))       ? u"свободен"_s
                                                                       : u"перекрыт"_s);
    const bool live = w.settings().enabled;
    m_manual->setEnabled(live);
    for (int i = 0; i < Weighbridge::outputCount; ++i) {
        const auto output = Weighbridge::Output(i);
        m_outputs[i]->setChecked(w.output(output));
        m_outputs[i]->setEnabled(live && w.manual() && w.coil(output) >= 0);
    }
}
