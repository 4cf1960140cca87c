#include "WeightPanel.h"

#include "core/Settings.h"
#include "core/Colour.h"
#include "core/Numbers.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *weightField(QWidget *parent, int pointSize)
{
    auto *field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font(u"Liberation Mono"_s);
    font.setPointSize(pointSize);
    font.setBold(true);
    field->setFont(font);
    return field;
}

QLabel *captionFor(QWidget *parent, QWidget *buddy, const QString &text = QString())
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    if (!text.isEmpty())
        buddy->setAccessibleName(text);
    return label;
}

} // namespace

WeightPanel::WeightPanel(QWidget *parent)
    : QGroupBox(parent)
    , m_terminal(weightField(this, 40))
    , m_unit(new QLabel(this))
    , m_source(new QLabel(this))
    , m_gross(weightField(this, 16))
    , m_net(weightField(this, 16))
    , m_tare(weightField(this, 16))
    , m_tareButton(new QPushButton(u"T"_s, this))
    , m_clean(weightField(this, 12))
    , m_litterWeight(weightField(this, 12))
    , m_litterPercent(new QLineEdit(this))
    , m_sumWeight(weightField(this, 12))
    , m_sumCount(weightField(this, 12))
    , m_sumSwitch(new QPushButton(this))
    , m_auto(new QCheckBox(u"Автомат"_s, this))
    , m_axles(new QWidget(this))
{
    m_terminal->setMinimumWidth(330);
    // Inside the display, left of the digits: the eye finds the state where
    // it looks for the weight.
    m_stateMark = new QLabel(m_terminal);
    m_stateMark->setAccessibleName(u"Состояние весов"_s);
    m_stateMark->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont markFont = m_stateMark->font();
    markFont.setPointSize(16);
    markFont.setBold(true);
    m_stateMark->setFont(markFont);
    m_stateMark->move(10, 6);
    m_stateMark->hide();
    m_terminal->setStyleSheet(u"QLineEdit { background: black; color: #30ff60; }"_s);
    QFont unitFont = m_unit->font();
    unitFont.setPointSize(20);
    unitFont.setBold(true);
    m_unit->setFont(unitFont);

    auto *top = new QHBoxLayout;
    auto *terminalCaption = captionFor(this, m_terminal, u"Вес с терминала"_s);
    auto *terminalBox = new QVBoxLayout;
    terminalBox->addWidget(terminalCaption);
    auto *terminalRow = new QHBoxLayout;
    terminalRow->addWidget(m_terminal, 1);
    terminalRow->addWidget(m_unit);
    terminalBox->addLayout(terminalRow);
    top->addLayout(terminalBox, 2);

    auto *lamps = new QVBoxLayout;
    for (size_t i = 0; i < m_lamps.size(); ++i) {
        auto *lamp = new QLabel(this);
        lamp->setFixedSize(22, 22);
        lamp->setAccessibleName(u"Индикатор "_s + QString::number(i + 1));
        m_lamps[i] = lamp;
        setLamp(int(i), QColor());
        lamps->addWidget(lamp);
    }
    top->addLayout(lamps);

    auto *live = new QGridLayout;
    m_grossCaption = captionFor(this, m_gross);
    m_netCaption = captionFor(this, m_net);
    m_tareCaption = captionFor(this, m_tare);
    // Above the weights: whose weights they are.
    live->addWidget(m_source, 0, 0, 1, 5);
    live->setRowStretch(0, 0);
    live->addWidget(m_grossCaption, 1, 0);
    live->addWidget(m_gross, 1, 1);
    live->addWidget(m_netCaption, 2, 0);
    live->addWidget(m_net, 2, 1);
    live->addWidget(m_tareCaption, 3, 0);
    live->addWidget(m_tare, 3, 1);
    m_tareButton->setAccessibleName(m_tareButton->text());
    m_tareButton->setFixedWidth(36);
    live->addWidget(m_tareButton, 3, 2);
    m_cleanCaption = captionFor(this, m_clean);
    m_litterWeightCaption = captionFor(this, m_litterWeight);
    m_litterPercentCaption = captionFor(this, m_litterPercent);
    live->addWidget(m_cleanCaption, 1, 3);
    live->addWidget(m_clean, 1, 4);
    live->addWidget(m_litterWeightCaption, 2, 3);
    live->addWidget(m_litterWeight, 2, 4);
    live->addWidget(m_litterPercentCaption, 3, 3);
    live->addWidget(m_litterPercent, 3, 4);
    top->addLayout(live, 2);

    auto *sum = new QGridLayout;
    sum->addWidget(captionFor(this, m_sumWeight, u"Вес в сумме"_s), 0, 0);
    sum->addWidget(m_sumWeight, 0, 1);
    sum->addWidget(captionFor(this, m_sumCount, u"Кол-во в сумме"_s), 1, 0);
    sum->addWidget(m_sumCount, 1, 1);
    m_sumSwitch->setAccessibleName(u"Суммирование"_s);
    m_sumSwitch->setFixedWidth(60);
    sum->addWidget(m_sumSwitch, 0, 2, 2, 1);
    m_auto->setAccessibleName(m_auto->text());
    sum->addWidget(m_auto, 2, 0, 1, 3);
    top->addLayout(sum, 1);

    auto *axles = new QGridLayout(m_axles);
    axles->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 8; ++i) {
        auto *button = new QPushButton(u"Ось "_s + QString::number(i + 1), m_axles);
        button->setAccessibleName(button->text());
        auto *field = weightField(m_axles, 11);
        field->setAccessibleName(button->text());
        m_axleButtons[size_t(i)] = button;
        m_axleFields[size_t(i)] = field;
        axles->addWidget(button, 0, i);
        axles->addWidget(field, 1, i);
    }
    m_axles->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_axles);

    setSource(Source::Scale);
    // Named from the start; the load puts in the configured names.
    Settings defaults;
    defaults.ParamNames = defaultParamNames(u"кг"_s);
    setCaptions(defaults);
}

void WeightPanel::setCaptions(const Settings &settings)
{
    for (auto [label, field, n] : {std::tuple{m_grossCaption, m_gross, int(Gross)},
                                   std::tuple{m_netCaption, m_net, int(Net)},
                                   std::tuple{m_tareCaption, m_tare, int(Tare)},
                                   std::tuple{m_cleanCaption, m_clean, int(CleanWeight)},
                                   std::tuple{m_litterWeightCaption, m_litterWeight, int(LitterWeight)},
                                   std::tuple{m_litterPercentCaption, m_litterPercent, int(LitterPercent)}}) {
        label->setText(MainParamName(settings, n));
        field->setAccessibleName(MainParamName(settings, n));
    }
}

void WeightPanel::showText(QLineEdit *field, const QString &text)
{
    // A reading every few hundred milliseconds would otherwise eat the
    // decimal comma the operator has just typed.
    if (field->hasFocus() && !field->isReadOnly())
        return;
    if (field->text() != text)
        field->setText(text);
}

void WeightPanel::setTerminalText(const QString &text)
{
    m_terminal->setText(text);
}

void WeightPanel::setStateMark(const QString &mark, bool alarm)
{
    m_stateMark->setText(mark);
    m_stateMark->setStyleSheet(alarm ? u"QLabel { color: white; background: #d00000; padding: 2px 6px; }"_s
                                     : u"QLabel { color: #ffd040; background: transparent; padding: 2px 6px; }"_s);
    m_stateMark->adjustSize();
    m_stateMark->setVisible(!mark.isEmpty());
}

void WeightPanel::setUnit(const QString &unit)
{
    m_unit->setText(unit);
}

void WeightPanel::setSumSwitch(const QString &caption, const QColor &colour)
{
    m_sumSwitch->setText(caption);
    m_sumSwitch->setStyleSheet(u"QPushButton { background: %1; }"_s.arg(colour.name()));
}

void WeightPanel::setSum(const QString &weight, const QString &count)
{
    m_sumWeight->setText(weight);
    m_sumCount->setText(count);
}

void WeightPanel::setLamp(int i, const QColor &colour)
{
    if (i < 0 || i >= int(m_lamps.size()))
        return;
    const QString fill = colour.isValid() ? colour.name() : u"#404040"_s;
    m_lamps[size_t(i)]->setStyleSheet(u"QLabel { background: %1; border: 1px solid black; border-radius: 11px; }"_s.arg(fill));
}

void WeightPanel::setSource(Source source)
{
    const bool card = source != Source::Scale;
    // The card's weights on the same yellow as the words that say so; the
    // look first, so the label is measured in it.
    const QString yellow = u"background: #ffff80;"_s;
    m_source->setStyleSheet(card ? u"QLabel { %1 color: #800000; font-weight: bold; }"_s.arg(yellow) : QString());
    for (QLineEdit *field : {m_gross, m_net, m_tare})
        field->setStyleSheet(card ? u"QLineEdit { %1 }"_s.arg(yellow) : QString());
    m_source->setText(source == Source::Scale ? u"Веса с весов"_s
                      : source == Source::Card ? u"Веса карточки, не весов"_s
                                               : u"Веса архивной карточки, не весов"_s);
    m_source->setAccessibleName(m_source->text());
}

void WeightPanel::setAxlesVisible(bool visible)
{
    m_axles->setVisible(visible);
}

void WeightPanel::showAxles(const Weighing &weighing)
{
    for (int k = 0; k < 8; ++k) {
        QPushButton *button = m_axleButtons[size_t(k)];
        QLineEdit *field = m_axleFields[size_t(k)];
        if (field->text() != weighing.axleText(k))
            field->setText(weighing.axleText(k));
        const int buttonColour = weighing.axleButtonColour(k);
        button->setStyleSheet(buttonColour == Weighing::ButtonFace
                                  ? QString()
                                  : u"QPushButton { background: %1; }"_s.arg(colourFromValue(buttonColour).name()));
        field->setStyleSheet(
            u"QLineEdit { background: %1; }"_s.arg(colourFromValue(weighing.axleLabelColour(k)).name()));
    }
}

void WeightPanel::attach(Weighing &weighing)
{
    connect(m_litterPercent, &QLineEdit::textEdited, &weighing, &Weighing::setLiveLitterText);
    connect(m_tare, &QLineEdit::textEdited, &weighing, &Weighing::setTareFieldText);
    connect(m_tareButton, &QPushButton::clicked, &weighing, &Weighing::takeTare);
    for (int k = 0; k < 8; ++k)
        connect(m_axleButtons[size_t(k)], &QPushButton::clicked, &weighing, [&weighing, k] { weighing.pressAxle(k); });
    connect(&weighing, &Weighing::axlesChanged, this, [this, &weighing] { showAxles(weighing); });
    showAxles(weighing);
    connect(&weighing, &Weighing::changed, this, [this, &weighing] {
        showText(m_gross, weighing.grossText());
        showText(m_net, weighing.netText());
        showText(m_tare, weighing.tareFieldText());
        showText(m_clean, weighing.cleanText());
        showText(m_litterWeight, weighing.litterText());
        showText(m_litterPercent, weighing.liveLitterText());
        setSum(weighing.sumWeightText(), weighing.sumCountText());
    });
}
