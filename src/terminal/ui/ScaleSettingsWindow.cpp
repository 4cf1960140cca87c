#include "ScaleSettingsWindow.h"

#include "TerminalFrame.h"
#include "terminal/TerminalLink.h"
#include "core/AppContext.h"
#include "core/Colour.h"
#include "core/Formats.h"
#include "terminal/AnimationImages.h"
#include "terminal/WeightConditioning.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <utility>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Stored as red + 256 * green + 65536 * blue; 0 means blue.
QColor captionColour(const Settings &s)
{
    return colourFromValue(advertColourValue(s));
}

QLineEdit *named(QLineEdit *field, const QString &caption)
{
    field->setAccessibleName(caption);
    field->setObjectName(caption);
    return field;
}

} // namespace

ScaleSettingsWindow::ScaleSettingsWindow(AppContext &context, EventLog &log, TerminalLink &link, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_context(context)
    , m_log(log)
    , m_link(link)
    , m_terminal(new TerminalFrame(context, link, this))
    , m_autoMin(named(new QLineEdit(this), kAutoMinWeightCaption.toString()))
    , m_autoFluctuation(named(new QLineEdit(this), kAutoMaxFluctuationCaption.toString()))
    , m_period(named(new QLineEdit(this), kPollPeriodCaption.toString()))
    , m_unit(named(new QLineEdit(this), u"единица измерения веса"_s))
    , m_caption(named(new QLineEdit(this), u"Рекламная надпись:"_s))
    , m_holdTime(new QSpinBox(this))
    , m_replyTimeout(new QSpinBox(this))
    , m_platform(new QRadioButton(u"Платформенная"_s, this))
    , m_axle(new QRadioButton(u"Осевая"_s, this))
    , m_autoStart(new QCheckBox(u"Запускать программу в реж. АВТОМАТ"_s, this))
    , m_autoPhoto(new QCheckBox(u"Разрешить фото в реж. запуска АВТОМАТ"_s, this))
{
    setWindowTitle(title());
    auto *form = new QFormLayout;
    for (QLineEdit *f : {m_autoMin, m_autoFluctuation, m_period, m_unit})
        form->addRow(f->accessibleName(), f);
    auto *captionRow = new QHBoxLayout;
    auto *font = new QPushButton(u"Шрифт"_s, this);
    font->setAccessibleName(font->text());
    captionRow->addWidget(m_caption, 1);
    captionRow->addWidget(font);
    form->addRow(m_caption->accessibleName(), captionRow);
    // The engineer's: how long the field holds a weight between frames, how
    // long a polled terminal may take to answer.
    m_holdTime->setRange(0, OperatorSettings::MaxHoldMs);
    m_replyTimeout->setRange(OperatorSettings::MinReplyMs, OperatorSettings::MaxReplyMs);
    for (const auto &[box, caption] : {std::pair{m_holdTime, kHoldTimeCaption}, std::pair{m_replyTimeout, kReplyTimeoutCaption}}) {
        box->setSingleStep(50);
        box->setAccessibleName(caption.toString());
        box->setObjectName(caption.toString());
        form->addRow(caption.toString(), box);
    }

    auto *program = new QGroupBox(u"Тип программы"_s, this);
    auto *programLayout = new QHBoxLayout(program);
    programLayout->addWidget(m_platform);
    programLayout->addWidget(m_axle);
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{m_platform, m_axle, m_autoStart, m_autoPhoto})
        b->setAccessibleName(b->text());

    auto *animation = new QGroupBox(u"Анимация:"_s, this);
    auto *animationLayout = new QGridLayout(animation);
    for (int i = 0; i < 4; ++i) {
        auto *picture = new QLabel(animation);
        picture->setFixedSize(AnimationImages::kSize, AnimationImages::kSize);
        picture->setAccessibleName(u"Рисунок "_s + QString::number(i + 1));
        m_pictures[size_t(i)] = picture;
        auto *choose = new QPushButton(u"Выбрать рисунок "_s + QString::number(i + 1), animation);
        choose->setAccessibleName(choose->text());
        connect(choose, &QPushButton::clicked, this, [this, i] { choosePicture(i); });
        animationLayout->addWidget(picture, 0, i, Qt::AlignCenter);
        animationLayout->addWidget(choose, 1, i);
    }

    auto *defaults = new QPushButton(u"Установить по умолчанию"_s, this);
    auto *exit = new QPushButton(u"Выход"_s, this);
    defaults->setAccessibleName(defaults->text());
    exit->setAccessibleName(exit->text());
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch();
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_terminal);
    layout->addLayout(form);
    layout->addWidget(program);
    layout->addWidget(m_autoStart);
    layout->addWidget(m_autoPhoto);
    layout->addWidget(animation);
    layout->addLayout(buttons);

    connect(m_platform, &QRadioButton::clicked, this, [this] { setProgramType(0); });
    connect(m_axle, &QRadioButton::clicked, this, [this] { setProgramType(1); });
    connect(m_autoStart, &QCheckBox::toggled, this, [this](bool on) { m_context.settings.AutoStart = on ? 1 : 0; });
    connect(m_autoPhoto, &QCheckBox::toggled, this, [this](bool on) { m_context.settings.AutoPhoto = on ? 1 : 0; });
    connect(font, &QPushButton::clicked, this, &ScaleSettingsWindow::chooseFont);
    connect(defaults, &QPushButton::clicked, this, &ScaleSettingsWindow::restoreDefaults);
    connect(exit, &QPushButton::clicked, this, &ScaleSettingsWindow::saveAndClose);
}

QString ScaleSettingsWindow::title()
{
    return u"Настройка весов"_s;
}

QLineEdit *ScaleSettingsWindow::field(const QString &caption) const
{
    return findChild<QLineEdit *>(caption);
}

void ScaleSettingsWindow::load()
{
    const Settings &s = m_context.settings;
    m_terminal->load();
    m_autoMin->setText(NumberText(s.AutoMinWeight));
    m_autoFluctuation->setText(NumberText(s.AutoMaxFluctuation));
    m_period->setText(QString::number(s.PollPeriodMs));
    m_unit->setText(s.WeightUnit);
    m_caption->setText(s.AdvertCaption);
    m_holdTime->setValue(m_context.operatorSettings.holdTimeMs());
    m_replyTimeout->setValue(m_context.operatorSettings.replyTimeoutMs());
    (s.AxleProgram == 1 ? m_axle : m_platform)->setChecked(true);
    m_autoStart->setChecked(s.AutoStart == 1);
    m_autoPhoto->setChecked(s.AutoPhoto == 1);
    styleCaptionField();
    showPictures();
}

void ScaleSettingsWindow::styleCaptionField()
{
    const Settings &s = m_context.settings;
    QFont font(s.AdvertFontName.isEmpty() ? u"Arial"_s : s.AdvertFontName);
    font.setPointSize(s.AdvertFontSize >= 10 && s.AdvertFontSize <= 28 ? s.AdvertFontSize : 26);
    font.setBold(s.AdvertFontBold != 0);
    font.setItalic(s.AdvertFontItalic != 0);
    font.setStrikeOut(s.AdvertFontStrikethrough != 0);
    font.setUnderline(s.AdvertFontUnderline != 0);
    m_caption->setFont(font);
    QPalette palette = m_caption->palette();
    palette.setColor(QPalette::Text, captionColour(s));
    m_caption->setPalette(palette);
}

void ScaleSettingsWindow::showPictures()
{
    const auto images = AnimationImages::pictures(m_context.settings);
    for (size_t i = 0; i < images.size(); ++i)
        m_pictures[i]->setPixmap(QPixmap::fromImage(images[i]));
}

void ScaleSettingsWindow::setProgramType(int axle)
{
    m_context.settings.AxleProgram = axle;
    emit programTypeChanged();
}

void ScaleSettingsWindow::choosePicture(int index)
{
    const QString path = QFileDialog::getOpenFileName(this, u"Загрузить рисунок для анимации"_s, QString(),
                                                      u"Файлы рисунков (*.bmp *.jpg *.gif)"_s);
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(this, title(), u"Файл не найден: "_s + path);
        return;
    }
    m_context.settings.AnimationPictures[size_t(index)] = path;
    showPictures();
    emit picturesChanged();
}

void ScaleSettingsWindow::chooseFont()
{
    QFontDialog fontDialog(m_caption->font(), this);
    fontDialog.setOption(QFontDialog::DontUseNativeDialog);
    if (fontDialog.exec() != QDialog::Accepted)
        return;
    // Qt's font dialog has no colour, so the colour is its second step;
    // cancelling either step changes nothing.
    QColorDialog colourDialog(captionColour(m_context.settings), this);
    colourDialog.setOption(QColorDialog::DontUseNativeDialog);
    colourDialog.setWindowTitle(u"Цвет надписи"_s);
    if (colourDialog.exec() != QDialog::Accepted)
        return;
    const QFont font = fontDialog.selectedFont();
    const QColor colour = colourDialog.selectedColor();
    setCaptionFont(m_context.settings, {font.family(), font.pointSize(), font.bold(), font.italic(), font.strikeOut(),
                                        font.underline(), colour.red(), colour.green(), colour.blue()});
    styleCaptionField();
    emit captionChanged();
}

void ScaleSettingsWindow::restoreDefaults()
{
    const StoreResult stored = restoreScaleDefaults(m_context, m_log);
    m_link.applyPollPeriod();
    load();
    emit programTypeChanged();
    emit picturesChanged();
    emit captionChanged();
    if (!stored)
        QMessageBox::warning(this, title(), stored.reason);
}

bool ScaleSettingsWindow::saveAndClose()
{
    const ScaleSettingsInput input{m_autoMin->text(), m_autoFluctuation->text(), m_period->text(), m_unit->text(),
                                   m_caption->text(), m_holdTime->value(), m_replyTimeout->value()};
    // Checked before the terminal type is taken, so a refused save changes nothing.
    const QString problem = checkScaleSettings(input);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, title(), problem);
        return false;
    }
    m_terminal->applySelection();
    const QString failed = saveScaleSettings(m_context, m_log, input);
    // The new period holds from the next read, stored or not.
    m_link.applyPollPeriod();
    emit captionChanged();
    // The values hold for this run either way; the window stays open so the
    // operator knows they are not stored and can try again.
    if (!failed.isEmpty()) {
        QMessageBox::warning(this, title(), failed);
        return false;
    }
    hide();
    return true;
}
