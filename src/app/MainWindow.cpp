#include "MainWindow.h"

#include "MainShell.h"
#include "Program.h"
#include "central/CentralOutbox.h"
#include "central/ui/CentralReportChoice.h"
#include "central/ui/CentralWindow.h"
#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/VerificationDue.h"
#include "core/ui/EditModesWindow.h"
#include "core/ui/EventLogWindow.h"
#include "core/ui/ParameterSettingsWindow.h"
#include "core/ui/ProgramIcon.h"
#include "core/ui/WorkplaceSettingsWindow.h"
#include "equipment/Weighbridge.h"
#include "equipment/ui/EquipmentWindow.h"
#include "reports/PeriodReport.h"
#include "reports/ui/ExchangeRebuildDialog.h"
#include "reports/ui/ReportFrame.h"
#include "archive/ArchiveBrowser.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "store/PlusFile.h"
#include "archive/ui/ArchiveFrame.h"
#include "store/ui/DayListView.h"
#include "archive/ui/CardEditorWindow.h"
#include "archive/ui/OpenWeighingsWindow.h"
#include "core/ui/WindowPlace.h"
#include "memory/MemoryLookup.h"
#include "memory/ui/MemoryWindow.h"
#include "archive/ui/SearchWindow.h"
#include "store/ui/ConstantsWindow.h"
#include "terminal/AnimationImages.h"
#include "terminal/TerminalLink.h"
#include "terminal/WeightConditioning.h"
#include "terminal/ui/PortSettingsWindow.h"
#include "terminal/ui/ScaleSettingsWindow.h"
#include "terminal/ui/ServiceWindow.h"
#include "weighing/AutoWeighing.h"
#include "card/CardFieldText.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/VehicleRegisterWindow.h"
#include "weighing/ui/WeightPanel.h"
#include "video/VideoPhotos.h"
#include "video/ui/CameraIcon.h"
#include "video/ui/EnlargementPanel.h"
#include "video/IpCameraControl.h"
#include "video/ui/IpCameraPanel.h"
#include "video/ui/PhotoSlots.h"
#include "video/ui/PreviewWindow.h"
#include "video/ui/VideoPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 4> kModeCaptions = {u"Ввод данных"_s, u"Просмотр"_s, u"Архив"_s, u"Отчеты"_s};

} // namespace

MainWindow::MainWindow(Program &program, QWidget *parent)
    : QMainWindow(parent)
    , m_program(program)
    , m_context(program.context())
    , m_log(program.log())
    , m_gate(program.gate())
    , m_days(program.days())
    , m_link(program.link())
    , m_weighing(program.weighing())
    , m_conditioning(program.conditioning())
    , m_shell(program.shell())
    , m_archiveBrowser(program.archive())
    , m_extras(program.extras())
    , m_video(program.video())
    , m_panel(new WeightPanel)
    , m_entry(new DataEntryFrame)
    , m_card(new CurrentCardFrame)
    , m_archive(new ArchiveFrame)
    , m_report(&program.report())
    , m_reports(new ReportFrame(*m_report))
    , m_todayList(new DayListView(u"Карточки дня"_s))
    , m_frames(new QStackedWidget)
    , m_portStatus(new QLabel)
    , m_scaleData(new QLabel)
    , m_advert(new QLabel)
    , m_animation(new QLabel)
    , m_clock(new QTimer(this))
    , m_videoPanel(new VideoPanel(m_video, this, m_panel))
    , m_cameraIcon(new CameraIcon(m_video))
    , m_enlargement(nullptr)
    , m_ipPanel(new IpCameraPanel(program.ipCamera(), m_video, this, m_panel))
    , m_openCount(new QLabel)
{
    setWindowIcon(programIcon());
    buildMenu();
    m_reports->addSourceControls(new CentralReportChoice(program.centralReport()));
    // The queue of the central database, while the mirror is on.
    m_centralStatus = new QLabel;
    m_centralStatus->setAccessibleName(u"Центральная база"_s);
    statusBar()->addPermanentWidget(m_centralStatus);
    const auto showCentral = [this] {
        const QString text = m_program.central().statusText();
        m_centralStatus->setText(text);
        m_centralStatus->setVisible(!text.isEmpty());
    };
    connect(&program.central(), &CentralOutbox::statusChanged, this, showCentral);
    showCentral();
    // The I/O module of the weighbridge, while it does not answer.
    m_equipmentStatus = new QLabel;
    m_equipmentStatus->setAccessibleName(u"Оборудование весовой"_s);
    statusBar()->addPermanentWidget(m_equipmentStatus);
    const auto showEquipment = [this] {
        const QString text = m_program.equipment().statusText();
        m_equipmentStatus->setText(text);
        m_equipmentStatus->setVisible(!text.isEmpty());
    };
    connect(&program.equipment(), &Weighbridge::changed, this, showEquipment);
    connect(&program.equipment(), &Weighbridge::moduleBack, this,
            [this] { statusBar()->showMessage(Weighbridge::backText(), 10000); });
    showEquipment();

    auto *modes = new QGroupBox(u"Выбор действий"_s);
    modes->setAccessibleName(modes->title());
    auto *modeLayout = new QVBoxLayout(modes);
    for (size_t i = 0; i < m_modes.size(); ++i) {
        auto *button = new QRadioButton(kModeCaptions[i]);
        button->setAccessibleName(kModeCaptions[i]);
        m_modes[i] = button;
        modeLayout->addWidget(button);
        // toggled, not clicked: a screen reader's "toggle" switches the mode too.
        connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && m_shell.mode() != MainShell::Mode(i))
                m_shell.SelectMode(MainShell::Mode(i));
        });
    }
    modeLayout->addStretch();
    m_modes[0]->setChecked(true);

    // Data entry and the card of today both show today's list beside them.
    auto *todayArea = new QWidget;
    auto *todayLayout = new QHBoxLayout(todayArea);
    todayLayout->setContentsMargins(0, 0, 0, 0);
    auto *todayFrames = new QStackedWidget;
    todayFrames->addWidget(m_entry);
    todayFrames->addWidget(m_card);
    todayLayout->addWidget(todayFrames, 3);
    todayLayout->addWidget(m_todayList, 4);
    m_frames->addWidget(todayArea);
    m_frames->addWidget(m_archive);
    m_frames->addWidget(m_reports);
    m_reports->setAccessibleName(u"Отчеты о работе весов"_s);
    connect(&m_shell, &MainShell::modeChanged, this, [this, todayFrames] {
        if (m_shell.mode() == MainShell::Mode::DataEntry || m_shell.mode() == MainShell::Mode::View)
            todayFrames->setCurrentIndex(m_shell.mode() == MainShell::Mode::View ? 1 : 0);
        // The reports leave the panel as the last card frame left it.
        if (m_shell.mode() != MainShell::Mode::Reports)
            m_panel->setSource(m_shell.mode() == MainShell::Mode::DataEntry ? WeightPanel::Source::Scale
                               : m_shell.mode() == MainShell::Mode::View    ? WeightPanel::Source::Card
                                                                            : WeightPanel::Source::ArchiveCard);
        showMode();
    });

    auto *portCaption = new QLabel(u"  Настройки порта:"_s);
    portCaption->setBuddy(m_portStatus);
    m_portStatus->setAccessibleName(portCaption->text().trimmed());
    m_portStatus->setAutoFillBackground(true);
    m_portStatus->setMinimumWidth(220);
    m_scaleData->setAccessibleName(u"Данные весов"_s);
    m_advert->setAccessibleName(u"Реклама"_s);
    m_advert->setAlignment(Qt::AlignCenter);
    m_animation->setAccessibleName(u"Обмен с терминалом"_s);
    m_animation->setFixedSize(AnimationImages::kSize, AnimationImages::kSize);

    auto *head = new QHBoxLayout;
    head->addWidget(m_advert, 1);
    head->addWidget(m_cameraIcon);
    head->addWidget(m_animation);

    auto *status = new QHBoxLayout;
    status->addWidget(portCaption);
    status->addWidget(m_portStatus);
    status->addSpacing(24);
    status->addWidget(m_scaleData, 1);

    auto *body = new QHBoxLayout;
    body->addWidget(modes);
    body->addWidget(m_frames, 1);

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(head);
    layout->addWidget(m_panel);
    layout->addLayout(body, 1);
    layout->addLayout(status);
    setCentralWidget(central);
    m_card->setPhotoSlots(new PhotoSlots(m_video, CardPhotos::Frame::CurrentCard));
    m_archive->setPhotoSlots(new PhotoSlots(m_video, CardPhotos::Frame::ArchiveCard));
    // Over the frames, hidden until a photo slot is clicked.
    m_enlargement = new EnlargementPanel(m_video, central);

    connect(m_panel->sumSwitch(), &QPushButton::clicked, &m_shell, &MainShell::ToggleSum);
    connect(m_panel->autoBox(), &QCheckBox::toggled, &m_shell, &MainShell::setAutoMode);
    m_panel->attach(m_weighing);
    m_entry->attach(m_weighing);
    m_card->attach(m_weighing);

    // The program ran the lamps or the steadiness test first.
    connect(&m_link, &TerminalLink::readFinished, this, &MainWindow::showLamps);
    connect(&m_program.autoWeighing(), &AutoWeighing::beep, this, [] { QApplication::beep(); });
    connect(&m_weighing, &Weighing::todayListChanged, this, &MainWindow::showTodayList);
    connect(&m_weighing, &Weighing::operatorMessage, this, &MainWindow::showOperatorMessage);
    connect(&program.cardWeighing(), &CardWeighing::operatorMessage, this, &MainWindow::showOperatorMessage);
    connect(&program, &Program::equipmentStatus, this, [this](const QString &text) { statusBar()->showMessage(text); });
    // A doubtful step waits for the operator's answer; "Нет" unless chosen.
    program.questions().answer = [this](const QString &question) {
        QMessageBox box(QMessageBox::Question, MainShell::exitTitle(), question, QMessageBox::Yes | QMessageBox::No,
                        this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    connect(&m_weighing, &Weighing::openCardChosen, this, [this] { m_shell.SelectMode(MainShell::Mode::View); });
    // After a store, a completion or a correction the keys work here at once.
    connect(&program.commit(), &CardCommit::cardWritten, this, [this] { QTimer::singleShot(0, this, &MainWindow::takeKeyboard); });
    connect(&m_shell, &MainShell::changed, this, &MainWindow::refresh);
    connect(&m_shell, &MainShell::todayListChanged, this, &MainWindow::showTodayList);
    connect(&m_shell, &MainShell::paramNamesChanged, this, &MainWindow::applyCaptions);
    connect(&m_shell, &MainShell::scaleLayoutChanged, this, [this] {
        applyProgramType();
        applyServiceSettings();
    });
    connect(&m_shell, &MainShell::pickListsLoaded, this, &MainWindow::fillPickLists);
    connect(&m_shell, &MainShell::picturesChanged, this, &MainWindow::loadPictures);
    connect(&m_shell, &MainShell::reportsEntered, m_reports, &ReportFrame::enterView);
    connect(&m_link, &TerminalLink::weightTextChanged, m_panel, &WeightPanel::setTerminalText);
    connect(&m_link, &TerminalLink::statusChanged, this, &MainWindow::showPortStatus);
    // The link only reports changes: until the first weight the field shows
    // its no-data mark, not an empty box.
    m_panel->setTerminalText(m_link.weightText());
    const auto showScaleState = [this] {
        const ScaleState state = m_link.scaleState();
        m_panel->setStateMark(scaleStateMark(state), scaleStateAlarm(state));
    };
    showScaleState();
    connect(&m_link, &TerminalLink::readFinished, this, showScaleState);
    connect(&m_link, &TerminalLink::weightTextChanged, this, showScaleState);
    connect(&m_link, &TerminalLink::statusChanged, this, showScaleState);
    showPortStatus();
    connect(&m_link, &TerminalLink::animationChanged, this, &MainWindow::showAnimation);
    connect(&m_gate, &AccessGate::mainWindowRequested, this, &MainWindow::showLoaded);
    connect(&m_gate, &AccessGate::purposeAccepted, this, &MainWindow::openPurpose);

    connectStore();

    qApp->installEventFilter(this);

    // The camera windows open where the operator last put them.
    if (const auto position = m_context.operatorSettings.previewPosition())
        m_videoPanel->setPreviewPosition(*position);
    if (const auto position = m_context.operatorSettings.ipCameraPosition())
        program.ipCamera().setBrowserPosition(*position);
    // Written once the dragging has stopped, not for every step of it.
    auto *savePlaces = new QTimer(this);
    savePlaces->setSingleShot(true);
    savePlaces->setInterval(500);
    connect(savePlaces, &QTimer::timeout, this, [this] {
        if (const StoreResult stored = m_context.storeOperatorSettings(); !stored)
            m_log.WriteLog(stored.reason);
    });
    connect(m_videoPanel, &VideoPanel::previewMoved, this, [this, savePlaces](const QPoint &position) {
        m_context.operatorSettings.setPreviewPosition(position);
        savePlaces->start();
    });
    connect(&program.ipCamera(), &IpCameraControl::browserPlaced, this, [this, savePlaces](const QPoint &position) {
        m_context.operatorSettings.setIpCameraPosition(position);
        savePlaces->start();
    });

    m_openCount->setAccessibleName(u"Открытые взвешивания"_s);
    statusBar()->addPermanentWidget(m_openCount);
    connect(&program.openWeighings(), &OpenWeighings::changed, this,
            [this] { m_openCount->setText(m_program.openWeighings().countText()); });

    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, &m_shell, &MainShell::ClockTick);
}

void MainWindow::buildMenu()
{
    // Every entry has a key of its own, shown beside its caption; the
    // captions stay as they are (no underlined letters).
    QMenu *menu = menuBar()->addMenu(u"Меню"_s);
    QMenu *print = menu->addMenu(u"Печать квитанции"_s);
    const std::array<std::pair<QString, QKeySequence>, 4> documents = {{
        {u"Квитанция с фото"_s, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {u"Квитанция без фото"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
        {u"ТН"_s, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {u"Чек"_s, QKeySequence(Qt::CTRL | Qt::Key_K)},
    }};
    for (const auto &[document, key] : documents)
        print->addAction(document, key, this, [this, document] { printVisibleCard(document); });
    menu->addAction(u"Просмотр событий"_s, QKeySequence(Qt::CTRL | Qt::Key_L), this, [this] {
        if (!m_logWindow)
            m_logWindow = new EventLogWindow(m_log, this);
        m_logWindow->show();
        m_logWindow->raise();
        m_logWindow->activateWindow();
    });
    menu->addAction(u"Выход"_s, QKeySequence(Qt::CTRL | Qt::Key_Q), this, &MainWindow::exitProgram);

    // The weighing keys work wherever the focus is in the window.
    QMenu *weigh = menuBar()->addMenu(u"Взвешивание"_s);
    weigh->addAction(u"Записать"_s, QKeySequence(Qt::Key_F2), this, [this] {
        if (m_shell.mode() == MainShell::Mode::DataEntry && m_entry->storeButton()->isVisible())
            m_entry->storeButton()->click();
    });
    weigh->addAction(u"Брутто − сохранённая тара"_s, QKeySequence(Qt::Key_F6), this, [this] {
        if (m_shell.mode() == MainShell::Mode::DataEntry && m_entry->storedTareButton()->isVisible())
            m_entry->storedTareButton()->click();
    });
    weigh->addAction(u"Бруто"_s, QKeySequence(Qt::Key_F3), this, [this] { completeShownCard(true); });
    weigh->addAction(u"Тара"_s, QKeySequence(Qt::Key_F4), this, [this] { completeShownCard(false); });
    weigh->addSeparator();
    weigh->addAction(u"Поиск"_s, QKeySequence(Qt::CTRL | Qt::Key_F), this, &MainWindow::openSearch);
    weigh->addAction(u"Открытые взвешивания"_s, QKeySequence(Qt::CTRL | Qt::Key_O), this,
                     &MainWindow::openOpenWeighings);

    auto gated = [this](QMenu *parent, const QString &caption, const QKeySequence &key, int purpose) {
        parent->addAction(caption, key, this, [this, purpose] { m_gate.ShowGate(purpose); });
    };
    QMenu *edit = menuBar()->addMenu(u"Править"_s);
    edit->addAction(u"Правка"_s, QKeySequence(Qt::CTRL | Qt::Key_E), this, [this] {
        if (m_program.cardEditor().correctionPermitted())
            m_gate.ShowGate(AccessGate::CardCorrection);
    });
    gated(edit, u"Настроить"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), AccessGate::EditModes);
    QMenu *settings = menuBar()->addMenu(u"Настройки"_s);
    gated(settings, u"Сервис"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_1), AccessGate::Service);
    gated(settings, u"Настройки"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_2), AccessGate::ParameterSettings);
    gated(settings, u"СОМ порт"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_3), AccessGate::PortSettings);
    gated(settings, u"Терминал"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_4), AccessGate::ScaleSettings);
    gated(settings, u"Центральная база"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_9), AccessGate::CentralDatabase);
    gated(settings, u"Справочник машин"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_7), AccessGate::VehicleRegister);
    gated(settings, u"Рабочее место"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_8), AccessGate::WorkplaceSettings);
    gated(settings, u"Оборудование весовой"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0), AccessGate::Equipment);
    QMenu *video = menuBar()->addMenu(u"Видео"_s);
    gated(video, u"USB/PCI"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_5), AccessGate::UsbCapture);
    gated(video, u"IP"_s, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_6), AccessGate::IpCamera);
    // For the inspector as much as the operator: nothing here changes anything.
    QMenu *service = menuBar()->addMenu(u"Сервис"_s);
    service->addAction(u"Весовая память"_s, QKeySequence(Qt::CTRL | Qt::Key_M), this, &MainWindow::openMemoryWindow);
    service->addAction(u"О программе"_s, QKeySequence(Qt::Key_F1), this, &MainWindow::showAbout);
}

MemoryWindow *MainWindow::openMemoryWindow()
{
    if (!m_memoryWindow)
        m_memoryWindow = new MemoryWindow(m_program.memoryLookup(), this);
    m_memoryWindow->open();
    return m_memoryWindow;
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, u"О программе"_s, m_program.memoryLookup().aboutText());
}

void MainWindow::completeShownCard(bool gross)
{
    // "Бруто" / "Тара" of the frame on screen, when it offers them.
    QPushButton *button = nullptr;
    if (m_shell.mode() == MainShell::Mode::View)
        button = gross ? m_card->grossButton() : m_card->tareButton();
    else if (m_shell.mode() == MainShell::Mode::Archive)
        button = gross ? m_archive->grossButton() : m_archive->tareButton();
    if (button && button->isVisible() && button->isEnabled())
        button->click();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Escape closes the secondary window it was pressed in; dialogs and
    // open lists take their own Escape.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier && watched->isWidgetType()
        && !QApplication::activePopupWidget()) {
        QWidget *window = static_cast<QWidget *>(watched)->window();
        if (window != this && !qobject_cast<QDialog *>(window) && ownsWindow(window)) {
            // Back to the main window, whose keys work again at once.
            if (window->close())
                takeKeyboard();
            return true;
        }
    }
    // However a secondary window closes, the keyboard comes back here.
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        auto *window = static_cast<QWidget *>(watched);
        const Qt::WindowType type = window->windowType();
        if ((type == Qt::Window || type == Qt::Dialog) && window != this && ownsWindow(window) && isVisible())
            QTimer::singleShot(0, this, &MainWindow::takeKeyboard);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::takeKeyboard()
{
    // Not over a question or another window the operator is still in.
    if (!isVisible() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    if (QWidget *active = QApplication::activeWindow(); active && active != this && active->isVisible())
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        const Qt::WindowType type = window->windowType();
        if (window != this && window->isVisible() && (type == Qt::Window || type == Qt::Dialog) && ownsWindow(window))
            return;
    }
    raise();
    activateWindow();
    if (m_shell.mode() == MainShell::Mode::DataEntry)
        m_entry->focusFirstBox();
    else if (!isAncestorOf(QApplication::focusWidget()))
        setFocus(Qt::OtherFocusReason);
}

bool MainWindow::ownsWindow(const QWidget *window) const
{
    for (const QWidget *p = window->parentWidget(); p; p = p->parentWidget())
        if (p == this)
            return true;
    return false;
}

QAction *MainWindow::menuAction(const QString &caption) const
{
    const QList<QAction *> actions = menuBar()->findChildren<QAction *>();
    for (QAction *a : actions)
        if (a->text() == caption)
            return a;
    return nullptr;
}

void MainWindow::showLoaded()
{
    // The program loaded the day at the login; the window only shows it.
    if (!m_shownOnce) {
        m_shownOnce = true;
        styleAdvert();
        m_panel->autoBox()->setChecked(m_shell.autoMode());
        m_clock->start();
        placeOnScreen();
    }
    show();
    raise();
    activateWindow();
    if (m_shell.mode() == MainShell::Mode::DataEntry)
        m_entry->focusFirstBox();
    // A new installation does not know its scale yet: the status line says
    // where the engineer gives it, without taking the keyboard.
    if (m_program.firstStart() && !m_firstStartSaid) {
        m_firstStartSaid = true;
        statusBar()->showMessage(firstStartHint());
    }
}

QString MainWindow::firstStartHint()
{
    return u"Новая установка: задайте наибольший предел взвешивания и дату следующей поверки в «Настройки» → «Сервис»"_s;
}

void MainWindow::placeOnScreen()
{
    // The whole window, status line included, within the screen's free
    // area; maximised when it would not fit.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QSize wanted = sizeHint().expandedTo(minimumSizeHint()).expandedTo(QSize(1024, 700));
    if (minimumSizeHint().width() > free.width() || minimumSizeHint().height() > free.height()
        || wanted.width() > free.width() || wanted.height() > free.height()) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    resize(wanted);
    move(free.center() - QPoint(wanted.width() / 2, wanted.height() / 2));
}

void MainWindow::placeClearOfWeights(QWidget *window)
{
    // Opened anew, a secondary window leaves the live weights in sight, as
    // the camera windows do.
    if (window->isVisible())
        return;
    // Its frame counts once the platform window exists.
    window->winId();
    window->move(openingPlace(window->frameGeometry().size(), std::nullopt, m_panel));
}

void MainWindow::showWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::openPurpose(int purpose)
{
    switch (purpose) {
    case AccessGate::PortSettings:
        if (!m_portWindow) {
            m_portWindow = new PortSettingsWindow(m_context, m_link, m_log, this);
            m_portWindow->setWindowFlag(Qt::Window);
        }
        m_portWindow->reload();
        showWindow(m_portWindow);
        break;
    case AccessGate::ScaleSettings:
        if (!m_scaleWindow) {
            m_scaleWindow = new ScaleSettingsWindow(m_context, m_log, m_link, this);
            connect(m_scaleWindow, &ScaleSettingsWindow::programTypeChanged, this, &MainWindow::applyProgramType);
            connect(m_scaleWindow, &ScaleSettingsWindow::captionChanged, this, [this] {
                styleAdvert();
                applyCaptions();
                refresh();
            });
            connect(m_scaleWindow, &ScaleSettingsWindow::picturesChanged, this, &MainWindow::loadPictures);
        }
        m_scaleWindow->load();
        showWindow(m_scaleWindow);
        break;
    case AccessGate::Service:
        if (!m_serviceWindow) {
            m_serviceWindow = new ServiceWindow(m_context, m_log, m_conditioning, this);
            connect(m_serviceWindow, &ServiceWindow::serviceSettingsSaved, &m_shell, &MainShell::ApplyServiceSettings);
        }
        m_serviceWindow->load();
        showWindow(m_serviceWindow);
        break;
    case AccessGate::UsbCapture:
        showWindow(m_videoPanel);
        break;
    case AccessGate::ParameterSettings:
        if (!m_parameterWindow) {
            m_parameterWindow = new ParameterSettingsWindow(m_program.parameterSettings(), this);
            connect(m_parameterWindow, &ParameterSettingsWindow::exchangeRebuildRequested, this,
                    &MainWindow::openExchangeRebuild);
            connect(&m_program.parameterSettings(), &ParameterSettingsModel::settingsReset, this, [this] {
                styleAdvert();
                refresh();
            });
        }
        showWindow(m_parameterWindow);
        break;
    case AccessGate::EditModes:
        if (!m_editModesWindow) {
            m_editModesWindow = new EditModesWindow(m_program.editModes(), this);
            connect(m_editModesWindow, &EditModesWindow::mainWindowWanted, this, [this] { showWindow(this); });
        }
        showWindow(m_editModesWindow);
        break;
    case AccessGate::CardCorrection:
        openCardEditor(CardEditor::Correction);
        break;
    case AccessGate::IpCamera:
        m_ipPanel->open();
        break;
    case AccessGate::CentralDatabase:
        if (!m_centralWindow)
            m_centralWindow = new CentralWindow(m_context, m_program.central(), m_program.centralMemoryCheck(), this);
        m_centralWindow->load();
        showWindow(m_centralWindow);
        break;
    case AccessGate::VehicleRegister:
        if (!m_vehiclesWindow) {
            m_vehiclesWindow = new VehicleRegisterWindow(m_weighing.vehicles(), this);
            connect(m_vehiclesWindow, &VehicleRegisterWindow::saved, &m_weighing, &Weighing::updateOfferedTare);
        }
        m_vehiclesWindow->load();
        placeClearOfWeights(m_vehiclesWindow);
        showWindow(m_vehiclesWindow);
        break;
    case AccessGate::WorkplaceSettings:
        if (!m_workplaceWindow) {
            m_workplaceWindow = new WorkplaceSettingsWindow(m_context, m_log, this);
            connect(m_workplaceWindow, &WorkplaceSettingsWindow::saved, this, [this] {
                m_weighing.updateOfferedTare();
                m_program.openWeighings().refresh();
            });
        }
        m_workplaceWindow->load();
        showWindow(m_workplaceWindow);
        break;
    case AccessGate::Equipment:
        if (!m_equipmentWindow)
            m_equipmentWindow = new EquipmentWindow(m_program.equipment(), this);
        m_equipmentWindow->load();
        showWindow(m_equipmentWindow);
        break;
    default:
        break;
    }
}

void MainWindow::openExchangeRebuild()
{
    if (!m_rebuildDialog) {
        m_rebuildDialog = new ExchangeRebuildDialog(m_program.exchangeRebuild(), this);
        m_rebuildDialog->setDate(m_context.clock.today());
    }
    showWindow(m_rebuildDialog);
}

void MainWindow::applyProgramType()
{
    m_shell.applyProgramType();
    m_panel->setAxlesVisible(m_shell.axleControlsVisible());
    m_panel->autoBox()->setChecked(m_shell.autoMode());
    m_panel->autoBox()->setVisible(m_shell.autoBoxVisible());
}

void MainWindow::applyServiceSettings()
{
    m_panel->tareField()->setReadOnly(m_context.settings.TareFromKeyboard != 1);
    refresh();
}

void MainWindow::showTodayList()
{
    m_todayList->showList(m_days.list(DayTarget::Today));
}

void MainWindow::fillPickLists()
{
    const auto lists = m_extras.Combo_1C();
    for (int i = 0; i < CardTextCount; ++i)
        m_entry->setPickList(i, lists[size_t(i)]);
}

void MainWindow::loadPictures()
{
    const auto images = AnimationImages::pictures(m_context.settings);
    for (size_t i = 0; i < images.size(); ++i)
        m_pictures[i] = QPixmap::fromImage(images[i]);
    showAnimation();
}

MainWindow::~MainWindow()
{
    // Without the window nobody answers: "Нет".
    m_program.questions().answer = nullptr;
}

void MainWindow::showOperatorMessage(const QString &text)
{
    // Nobody is there to close a box: the status line says it.
    if (m_context.operatorSettings.unattended()) {
        statusBar()->showMessage(text);
        return;
    }
    // Not exec(): the scale goes on being read while the message is up.
    auto *box = new QMessageBox(QMessageBox::Warning, MainShell::exitTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWindow::showLamps()
{
    for (int i = 0; i < 3; ++i)
        m_panel->setLamp(i, colourFromValue(m_conditioning.lamps[size_t(i)]));
}

bool MainWindow::exitProgram()
{
    // What was typed for a vehicle and not yet stored is lost with the program.
    bool typed = !m_weighing.entryLitterText().trimmed().isEmpty();
    for (int i = 0; i < CardTextCount; ++i)
        typed = typed || !m_weighing.entryText(i).trimmed().isEmpty();
    QMessageBox question(QMessageBox::Question, MainShell::exitTitle(),
                         typed ? MainShell::exitQuestion() + u"\nВведённые данные карточки не записаны."_s
                               : MainShell::exitQuestion(),
                         QMessageBox::Ok | QMessageBox::Cancel, this);
    if (question.exec() != QMessageBox::Ok)
        return false;
    m_exiting = true;
    m_clock->stop();
    m_shell.ExitProgram();
    return true;
}

void MainWindow::printVisibleCard(const QString &document)
{
    // Each visible card frame prints, the current card first; data entry
    // and reports have no card.
    const MainShell::Mode mode = m_shell.mode();
    const QString status = m_program.printer().printVisible(document, mode == MainShell::Mode::View,
                                                            mode == MainShell::Mode::Archive);
    if (!status.isEmpty())
        statusBar()->showMessage(status);
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_shell.loaded())
        m_shell.ActivateMainWindow();
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The close box asks and logs like "Выход": the operator leaves the
    // scale unattended only on purpose.
    if (!m_exiting && !exitProgram()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::refresh()
{
    setWindowTitle(m_shell.title());
    m_panel->setSumSwitch(m_shell.sumCaption(), m_shell.sumColour());
    m_panel->setSum(m_shell.sumWeightText(), m_shell.sumCountText());
    m_panel->setUnit(m_context.settings.WeightUnit);
    m_entry->storeButton()->setVisible(m_shell.storeButtonVisible());
    const bool offered = m_shell.storeButtonVisible() && m_weighing.offeredTare().has_value();
    m_entry->storedTareButton()->setVisible(offered);
    m_entry->storedTareLabel()->setVisible(offered);
    if (m_panel->autoBox()->isChecked() != m_shell.autoMode())
        m_panel->autoBox()->setChecked(m_shell.autoMode());
    const Settings &s = m_context.settings;
    QPalette advert = m_advert->palette();
    advert.setColor(QPalette::WindowText, colourFromValue(m_conditioning.advertColour()));
    m_advert->setPalette(advert);
    // A verification overdue or near is said in red.
    const VerificationDue due = VerificationDue::check(s.VerificationDate, m_context.clock.today());
    m_scaleData->setText(u"Марка весов: "_s + s.ScaleModel + u"    Зав. номер весов: "_s + s.ScaleSerial
                         + u"    Дата очередной поверки: "_s + s.VerificationDate
                         + (due.warn ? u"  — "_s + due.text : QString()));
    QPalette scale = m_scaleData->palette();
    scale.setColor(QPalette::WindowText, due.warn ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    m_scaleData->setPalette(scale);
}

void MainWindow::showMode()
{
    const MainShell::Mode mode = m_shell.mode();
    m_frames->setCurrentIndex(mode == MainShell::Mode::Archive ? 1 : mode == MainShell::Mode::Reports ? 2 : 0);
    m_modes[size_t(mode)]->setChecked(true);
}

void MainWindow::applyCaptions()
{
    const Settings &s = m_context.settings;
    m_entry->setCaptions(s);
    m_card->fields()->setCaptions(s);
    m_archive->setCaptions(s);
    m_todayList->setCaptions(s);
    m_panel->setCaptions(s);
}

void MainWindow::styleAdvert()
{
    const AdvertStyle style = advertStyle(m_context);
    QFont font(style.fontName);
    font.setPointSize(style.fontSize);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setStrikeOut(style.strikeOut);
    font.setUnderline(style.underline);
    m_advert->setFont(font);
    m_advert->setText(style.text);
    QPalette palette = m_advert->palette();
    palette.setColor(QPalette::WindowText, style.colour);
    m_advert->setPalette(palette);
}

void MainWindow::showAnimation()
{
    const int picture = m_link.animation().shownPicture();
    if (picture >= 0 && picture < int(m_pictures.size()))
        m_animation->setPixmap(m_pictures[size_t(picture)]);
}

void MainWindow::showPortStatus()
{
    m_portStatus->setText(m_link.statusText());
    QPalette palette = m_portStatus->palette();
    palette.setColor(QPalette::Window, colourFromValue(m_link.statusColour()));
    m_portStatus->setPalette(palette);
}

void MainWindow::connectStore()
{
    connect(&m_archiveBrowser, &ArchiveBrowser::beep, this, [] { QApplication::beep(); });
    m_archive->attach(m_archiveBrowser);
    connect(m_todayList, &DayListView::cardChosen, &m_weighing, &Weighing::chooseTodayCard);
    connect(m_card->insertButton(), &QPushButton::clicked, this,
            [this] { insertCard(m_weighing.shownCard(), PlusFile::besideDayFile(m_days.todayPath())); });
    connect(m_archive->insertButton(), &QPushButton::clicked, this,
            [this] { insertCard(m_archiveBrowser.shownCard(), m_archiveBrowser.plusFilePath()); });
    // "Квит." prints the act with photos of its own frame's card.
    connect(m_card->receiptButton(), &QPushButton::clicked, this, [this] {
        statusBar()->showMessage(m_program.printer().print(CardPrinter::WithPhotos, CardDocuments::Frame::CurrentCard));
    });
    connect(m_archive->receiptButton(), &QPushButton::clicked, this, [this] {
        statusBar()->showMessage(m_program.printer().print(CardPrinter::WithPhotos, CardDocuments::Frame::ArchiveCard));
    });
    // A job that could not start: the operator is told once; the card is untouched.
    connect(&m_program.printer(), &CardPrinter::printFailed, this, &MainWindow::showOperatorMessage);
    connect(m_ipPanel, &IpCameraPanel::browserUnavailable, this, [this](const QString &reason) {
        m_program.log().WriteLog(reason);
        showOperatorMessage(reason);
    });
    connect(m_card->editButton(), &QPushButton::clicked, this, [this] { openCardEditor(CardEditor::CurrentView); });
    connect(m_archive->editButton(), &QPushButton::clicked, this, [this] { openCardEditor(CardEditor::ArchiveView); });
    connect(this, &MainWindow::constantsEditorRequested, this, [this](int p) {
        if (!m_constantsWindow)
            m_constantsWindow = new ConstantsWindow(m_program.constantsEditor(), this);
        m_program.constantsEditor().OpenConstantsEditor(p, m_entry->parameterBox(p)->currentText());
    });
    // A value added to or removed from a pick list: its box offers the list as stored.
    connect(&m_program.constantsEditor(), &ConstantsEditor::pickListChanged, this,
            [this](int p) { m_entry->setPickList(p, m_extras.Combo_1C()[size_t(p)]); });
    connect(&m_weighing, &Weighing::pickListLearned, this,
            [this](int p) { m_entry->setPickList(p, m_extras.Combo_1C()[size_t(p)]); });
    // "Печать отчета": the status line says where the report went.
    m_reports->attachPrinter(m_program.reportPrinter());
    connect(&m_program.reportPrinter(), &ReportPrinter::printed, statusBar(),
            [this](const QString &status) { statusBar()->showMessage(status); });
    // A journal that cannot be written is said once; its lines wait in memory.
    connect(&m_program.log(), &EventLog::writeFailed, statusBar(),
            [this](const QString &text) { statusBar()->showMessage(text); });
    connect(&m_program.log(), &EventLog::writeResumed, statusBar(),
            [this] { statusBar()->showMessage(u"Журнал событий снова записывается"_s, 10000); });
    for (int i = 0; i < CardTextCount; ++i) {
        connect(m_entry->plusButton(i), &QPushButton::clicked, this, [this, i] { OpenConstantsEditor(i); });
        // The additional values belong to the text they were entered for.
        const auto changed = [this, i] { m_extras.boxChanged(i); };
        connect(m_entry->parameterBox(i), &QComboBox::editTextChanged, this, changed);
        connect(m_entry->parameterBox(i), &QComboBox::activated, this, changed);
    }
}

void MainWindow::OpenConstantsEditor(int p)
{
    if (p < 0 || p >= CardTextCount || m_entry->parameterBox(p)->currentText().trimmed().isEmpty())
        return;
    emit constantsEditorRequested(p);
}

CardEditorWindow *MainWindow::openCardEditor(int mode)
{
    if (!m_cardEditorWindow) {
        m_cardEditorWindow = new CardEditorWindow(m_program.cardEditor(), this);
        connect(m_cardEditorWindow, &CardEditorWindow::left, this, [this] { showWindow(this); });
    }
    m_program.cardEditor().open(CardEditor::Mode(mode));
    placeClearOfWeights(m_cardEditorWindow);
    showWindow(m_cardEditorWindow);
    return m_cardEditorWindow;
}

SearchWindow *MainWindow::openSearch()
{
    if (!m_searchWindow) {
        m_searchWindow = new SearchWindow(m_program.search(), m_context.clock, this);
        connect(m_searchWindow, &SearchWindow::cardChosen, this, &MainWindow::openCard);
    }
    placeClearOfWeights(m_searchWindow);
    m_searchWindow->open(m_context.settings);
    return m_searchWindow;
}

OpenWeighingsWindow *MainWindow::openOpenWeighings()
{
    if (!m_openWindow) {
        m_openWindow = new OpenWeighingsWindow(m_program.openWeighings(), this);
        connect(m_openWindow, &OpenWeighingsWindow::cardChosen, this, &MainWindow::openCard);
    }
    placeClearOfWeights(m_openWindow);
    m_openWindow->open(m_context.settings, m_weighing.entryText(VehicleNumber));
    return m_openWindow;
}

void MainWindow::openCard(const QDate &day, int number)
{
    if (day == m_context.clock.today()) {
        m_shell.SelectMode(MainShell::Mode::View);
        m_weighing.chooseTodayCard(number);
    } else {
        m_shell.SelectMode(MainShell::Mode::Archive);
        if (const QString message = m_archiveBrowser.chooseDate(day); !message.isEmpty()) {
            showOperatorMessage(message);
            return;
        }
        m_archiveBrowser.selectCard(number);
    }
    showWindow(this);
}

void MainWindow::insertCard(const CargoCard &card, const QString &plusPath)
{
    if (card.number < 1)
        return; // no card shown
    // The document number belongs to that trip, not to the next one.
    for (int i : ParamExtras::InsertOrder)
        m_entry->parameterBox(i)->setEditText(i == DocumentNumber ? QString() : CardFieldText(card, i));
    m_entry->litterField()->setText(CardFieldText(card, LitterPercent));
    // After the boxes, whose changes empty the additional values.
    m_extras.readCardExtras(plusPath, card.number);
    m_shell.SelectMode(MainShell::Mode::DataEntry);
}
