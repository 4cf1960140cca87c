#include "Program.h"

#include "platform/OfficeLoader.h"
#include "platform/SpreadsheetApplication.h"
#include "memory/MemoryCards.h"
#include "memory/SoftwareIdentity.h"
#include "core/Folders.h"
#include "core/SettingsChange.h"
#include "equipment/AutomationSettings.h"
#include "store/NamePlusFile.h"
#include "video/CameraSource.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

using namespace Qt::StringLiterals;

Program::Program(Clock &clock, const Folders &folders, Outside outside, QObject *parent)
    : QObject(parent)
    , m_context(clock, folders)
    , m_extras(m_names, m_context.folders.BaseFolder)
    , m_log(m_context)
    , m_gate(m_context, m_log)
    , m_spreadsheetService(std::move(outside.spreadsheet))
    , m_spreadsheet(m_context, m_spreadsheetService)
    , m_exports(m_context, m_log, m_spreadsheet)
    , m_exchangeRebuild(m_context, m_log, m_spreadsheet)
    , m_ipCamera(m_context, m_log)
    , m_photos(m_context, m_log, m_ipCamera,
               outside.capture ? std::move(outside.capture) : std::make_unique<CameraSource>(0))
    , m_days(m_context, m_log)
    , m_commit(m_context, m_log, m_days, m_exports, m_photos)
    , m_memory(m_context.folders.BaseFolder, clock, m_commit.journal())
    , m_memoryLookup(m_context.folders, m_memory)
    , m_link(m_context, outside.port)
    , m_conditioning(m_context, m_log)
    , m_weighing(m_context, m_log, m_days, m_extras, m_exports, m_photos, m_commit)
    , m_auto(m_context, m_weighing, m_conditioning)
    , m_archive(m_context, m_days, m_weighing)
    , m_documents(m_context, m_days, m_weighing, m_archive, m_photos, outside.printDestination)
    , m_report(m_context)
    , m_reportPrinter(m_report, clock, m_context.folders.BaseFolder + QStringLiteral("Print/"), outside.printDestination)
    , m_shell({m_context, m_log, m_days, m_weighing, m_link, m_conditioning, m_archive, m_extras, m_report, m_exports,
               m_photos})
    , m_pendingWrites(m_spreadsheetService)
    , m_parameterSettings(m_context, m_log, m_pendingWrites)
    , m_editModes(m_context, m_log)
    , m_cardEditor({m_context, m_log, m_days, m_extras, m_weighing, m_archive, m_commit})
    , m_constantsEditor(m_context, m_extras)
    , m_central(m_context.folders.BaseFolder)
    , m_centralReport(m_central, m_report)
    , m_search(m_context.folders)
    , m_openWeighings(m_context)
    , m_equipment(m_ioModule, m_context.folders.BaseFolder)
    , m_scoreboard(clock)
    , m_cardWeighing(m_context, m_log, m_days, m_weighing, m_questions)
{
    // The weighbridge's equipment follows the live weight and every card
    // written, and may refuse a weighing; a lost module is logged once.
    m_weighing.setPlatformGuard(m_equipment);
    connect(&m_link, &TerminalLink::weightRead, &m_equipment,
            [this] { m_equipment.setWeight(m_link.TerminalWeight()); });
    connect(&m_commit, &CardCommit::cardWritten, &m_equipment,
            [this](const DayCard &, const ExtraParams &, CardChange change) { m_equipment.cardWritten(change); });
    connect(&m_equipment, &Weighbridge::moduleLost, this, [this](const QString &reason) {
        m_log.WriteLog(Weighbridge::silentText() + u": "_s + reason);
    });
    // The engineer saved the equipment: the scoreboard and the reader take
    // their ports at once (before the first login they wait for it).
    connect(&m_equipment, &Weighbridge::settingsApplied, this, [this] {
        if (m_shell.loaded())
            applyEquipmentSettings();
    });
    connect(&m_equipment, &Weighbridge::moduleBack, this, [this] { m_log.WriteLog(Weighbridge::backText()); });

    // The day file is the record: a workbook that failed is only logged.
    connect(&m_spreadsheetService, &SpreadsheetService::jobFailed, this,
            [this](const QString &reason) { m_log.WriteLog(QStringLiteral("Книга Excel не записана: ") + reason); });

    // A day begun while the program runs gets its text report's header too.
    connect(&m_weighing, &Weighing::dayChanged, this, [this] { m_exports.writeTextReportHeaders(); });

    m_days.setProgressDisplay(&m_gate);

    // Terminal → weighing: every accepted reading is the weight a weighing
    // takes; a lost link or the no-data mark is none.
    connect(&m_link, &TerminalLink::weightRead, this, [this] {
        m_weighing.setTerminalWeight(m_link.TerminalWeight());
        m_weighing.UpdateLiveWeights();
    });
    // After every read: the steadiness test in automatic mode, the manual
    // lamps otherwise; both shift the same sample history.
    connect(&m_link, &TerminalLink::readFinished, this, [this] {
        m_conditioning.CheckReportedState(m_link.indicatorState());
        // A held weight is no new sample: the lamps stay as they were.
        if (m_link.showsWeight() && !m_link.weightFresh())
            return;
        if (m_shell.autoMode())
            m_auto.Stability(!m_link.showsWeight() || m_link.inMotion());
        else
            m_conditioning.StabilityLamps(m_link.TerminalWeight(), !m_link.showsWeight(), m_link.inMotion());
    });
    // The current-card frame's photos follow the card it shows.
    connect(&m_weighing, &Weighing::changed, this, [this] {
        const qint32 id = m_weighing.shownCard().id;
        if (id != 0 && id != m_photosShownId)
            m_photos.showCardPhotos(CardPhotos::Frame::CurrentCard, m_context.MonthDataFolder(), id);
        m_photosShownId = id;
    });
    connect(&m_ipCamera, &IpCameraControl::photoTaken, &m_photos, &VideoPhotos::ipPhotoTaken);
    // The card is the record; a photo that could not be written is logged.
    connect(&m_photos, &VideoPhotos::photoFailed, this, [this](const QString &path, const QString &reason) {
        m_log.WriteLog(QStringLiteral("Фото не записано: ") + path + QStringLiteral(" ") + reason);
    });

    connect(&m_constantsEditor, &ConstantsEditor::storeFailed, &m_weighing, &Weighing::reportFailure);
    // Nobody answers in unattended mode: the card weighing answers "Нет".
    m_weighing.setQuestions(m_cardWeighing.questions());

    // Every card written is mirrored to the central database: its queue
    // entry goes with the card's own write.
    m_commit.setMirror(&m_central);
    // Every weight taken and every change of a card goes into the weighing
    // memory, in the same entry of the commit log.
    m_commit.setRecorder(&m_memory);
    // Its records go to the central database too, in the same entry.
    m_memory.setMirror(&m_central);
    m_documents.setMemory(m_memory, QString());
    m_memory.setSource([this] {
        WeighingMemory::Source source;
        const Settings &s = m_context.settings;
        source.terminalType = s.TerminalType;
        source.unit = s.WeightUnit.trimmed();
        source.stable = !m_link.inMotion();
        source.automatic = m_shell.autoMode();
        source.unattended = m_cardWeighing.weighingNow();
        if (s.AxleProgram == 1)
            for (const double axle : m_weighing.AxleWeights)
                if (axle != 0)
                    source.axles.append(axle);
        const QList<RawFrameLog::Entry> &polls = m_link.rawLog().entries();
        for (auto poll = polls.crbegin(); poll != polls.crend(); ++poll)
            if (!poll->result.frame.isEmpty()) {
                source.frame = poll->result.frame;
                break;
            }
        return source;
    });

    // A lost or regained server is logged once, not at every retry.
    connect(&m_central, &CentralOutbox::statusChanged, this, [this] {
        const QString reason = m_central.reason();
        if (reason == m_centralReason)
            return;
        m_log.WriteLog(reason.isEmpty() ? QStringLiteral("Центральная база: передача возобновлена")
                                        : QStringLiteral("Центральная база: ") + reason);
        m_centralReason = reason;
    });
    connect(&m_central, &CentralOutbox::notice, this, [this](const QString &text) { m_log.WriteLog(text); });

    connect(&m_link, &TerminalLink::weightTextChanged, this, &Program::showTerminalState);
    connect(&m_link, &TerminalLink::statusChanged, this, &Program::showTerminalState);
    // Motion and freshness are known after every read, whatever the text shows.
    connect(&m_link, &TerminalLink::readFinished, this, [this] {
        m_weighing.setTerminalMotion(m_link.inMotion());
        showTerminalState();
    });
    showTerminalState();

    // The drivers' display follows the terminal; the card reader's cards
    // fill the entry and, without an operator, are weighed at a steady weight.
    connect(&m_link, &TerminalLink::readFinished, this, [this] {
        m_scoreboard.setWeight(m_link.showsWeight() ? std::optional(m_link.TerminalWeight()) : std::nullopt);
        m_cardWeighing.weightRead();
    });
    connect(&m_reader, &CardReader::cardRead, &m_cardWeighing, &CardWeighing::takeCard);
    connect(&m_reader, &CardReader::lineRejected, this, [this](const QString &line) {
        m_log.WriteLog(u"Считыватель карт: строка не понята: "_s + line);
    });
    for (SerialDevice *device : {static_cast<SerialDevice *>(&m_scoreboard), static_cast<SerialDevice *>(&m_reader)})
        connect(device, &SerialDevice::stateChanged, this, [this](const QString &state) {
            if (!state.isEmpty())
                m_log.WriteLog(state);
            emit equipmentStatus(state);
        });
    connect(&m_cardWeighing, &CardWeighing::status, this, &Program::equipmentStatus);
    connect(&m_cardWeighing, &CardWeighing::vehicleFilled, this, [this](bool openCard) {
        m_shell.SelectMode(openCard ? MainShell::Mode::View : MainShell::Mode::DataEntry);
    });
    connect(&m_cardWeighing, &CardWeighing::weighed, this, [this](bool completed, double weight) {
        if (completed)
            m_scoreboard.showNet(weight, Scoreboard::NetShownMs);
    });

    // Before any window hears of the login.
    connect(&m_gate, &AccessGate::mainWindowRequested, this, &Program::login);
    connect(&m_gate, &AccessGate::quitRequested, this, [this] {
        m_spreadsheet.release();
        emit quitRequested();
    });
    connect(&m_shell, &MainShell::quitRequested, this, &Program::quitRequested);
    // The office stays for the day's workbooks until the main window closes.
    connect(&m_shell, &MainShell::spreadsheetReleaseRequested, this, [this] { m_spreadsheet.release(); });

    // The vehicles on site follow every store, completion and correction
    // of today's cards, once per burst of changes.
    auto *openRefresh = new QTimer(this);
    openRefresh->setSingleShot(true);
    openRefresh->setInterval(0);
    connect(openRefresh, &QTimer::timeout, &m_openWeighings, &OpenWeighings::refresh);
    connect(&m_weighing, &Weighing::todayListChanged, openRefresh, qOverload<>(&QTimer::start));
    connect(&m_commit, &CardCommit::cardWritten, openRefresh, qOverload<>(&QTimer::start));
    connect(&m_shell, &MainShell::todayListChanged, openRefresh, qOverload<>(&QTimer::start));
    connect(&m_archive, &ArchiveBrowser::listChanged, openRefresh, qOverload<>(&QTimer::start));
    connect(&m_gate, &AccessGate::mainWindowRequested, openRefresh, qOverload<>(&QTimer::start));

    // The engineer's settings window is filled once, with the first login.
    connect(&m_gate, &AccessGate::mainWindowRequested, this, [this] {
        if (!m_parameterSettings.isLoaded())
            m_parameterSettings.load();
    });
    // Renamed parameters: every caption that shows a name follows at once.
    connect(&m_parameterSettings, &ParameterSettingsModel::paramNamesChanged, this, [this] {
        m_names.takeParamNames(m_context.settings.ParamNames);
        m_report.applyParamNames();
        emit m_shell.paramNamesChanged();
    });
    connect(&m_parameterSettings, &ParameterSettingsModel::settingsReset, this, [this] {
        if (const StoreResult written = writeDefaultNames(m_names, m_context.settings.ParamNames,
                                                          m_context.folders.BaseFolder, ExistingNameFiles::Replace);
            !written)
            m_weighing.reportFailure(QStringLiteral("Названия параметров не записаны: ") + written.reason);
        m_link.applyPollPeriod();
        m_shell.ApplyServiceSettings();
    });
}

Program::~Program()
{
    m_context.settingsObserver = nullptr;
    m_link.closePort();
}

void Program::start()
{
    const Folders &folders = m_context.folders;
    const QDate today = m_context.clock.today();
    createLevels(folders.BaseFolder, {});

    // Defaults first: a settings file read afterwards replaces them.
    m_context.ApplyDefaults();
    m_names.applyDefaults(m_context.settings.ParamNames);
    folders.createMonthDataFolder(today);
    bool firstStart = false;
    const SettingsStart settings = m_context.LoadOrCreateSettings(&firstStart);
    m_firstStart = firstStart;
    // No verification date is known yet: no reminder until one is set.
    if (firstStart)
        m_context.settings.VerificationDate.clear();
    for (const QString &line : settings.logLines)
        m_log.WriteLog(line);
    // Settings new or restored know nothing of the cards stored since:
    // the counter goes above them, and is saved so, before any card.
    StoreResult stored = settings.stored;
    if (m_context.settingsRenewed) {
        m_days.raiseIdCounterFromRecord();
        m_context.settingsRenewed = false;
        if (stored)
            stored = m_context.storeSettings();
    }
    if (!stored)
        logSettingsNotStored(m_context, m_log, stored.reason);
    // The mirror to the central database, when set up: its queue drains on
    // a worker of its own and never holds the start. Loaded before the
    // memory opens, so the records written at start are queued.
    m_central.start();
    // The weighing memory, after the commit log's replay; the program that
    // runs is named in the event log and, when it changed, in the memory.
    if (const StoreResult opened = m_memory.open(m_context.settings.CardIdCounter); !opened)
        m_log.WriteLog(u"Весовая память: "_s + opened.reason);
    QStringList files{QCoreApplication::applicationFilePath()};
    for (const QString &plugin : officePluginCandidates(QCoreApplication::applicationDirPath()))
        if (QFileInfo::exists(plugin)) {
            files.append(plugin);
            break;
        }
    m_softwareIdentity = ::softwareIdentity(QCoreApplication::applicationVersion(), files);
    m_documents.setMemory(m_memory, m_memory.fingerprint());
    m_memoryLookup.setSoftwareIdentity(m_softwareIdentity);
    m_log.WriteLog(u"Программа: "_s + m_softwareIdentity + u"; ключ весовой памяти "_s + m_memory.fingerprint());
    if (const StoreResult noted = m_memory.noteSoftware(m_softwareIdentity); !noted)
        m_log.WriteLog(u"Весовая память: "_s + noted.reason);
    noteLegalSettings();
    m_context.settingsObserver = this;
    // A damaged or lost settings file is said over the gate.
    m_gate.setStartupMessage(settings.message);
    if (firstStart)
        if (const StoreResult written =
                writeDefaultNames(m_names, m_context.settings.ParamNames, folders.BaseFolder, ExistingNameFiles::Keep);
            !written)
            m_log.WriteLog(QStringLiteral("Названия параметров не записаны: ") + written.reason);

    // Workbooks are written by a headless office on a worker of its own:
    // the probe only starts it, so the gate appears at once.
    m_context.ExcelAvailable = m_spreadsheet.probe() ? 1 : 0;
    if (m_context.ExcelAvailable == 1)
        m_spreadsheet.CreateSpreadsheetTemplate();
    folders.createMonthResultFolder(m_context.settings.ResultFolder, today);
    m_equipment.load();
    // Cards stored while the mirror could not take them, or lost with a
    // damaged queue, are found by comparing the days with the server.
    (void)m_central.startReconcile(m_context.folders, today);

    m_gate.open();
}

void Program::noteLegalSettings()
{
    const QString who = m_context.CurrentOperator.isEmpty() ? u"при запуске"_s : m_context.CurrentOperator;
    if (const StoreResult noted =
            m_memory.noteSettings(MemoryCards::legalSettings(m_context.settings, m_context.operatorSettings), who);
        !noted)
        m_log.WriteLog(u"Весовая память: "_s + noted.reason);
}

void Program::login()
{
    if (m_shell.loaded())
        return;
    m_shell.LoadMainWindow();
    // A register line that cannot be read offers no tare; it stays in the
    // file for whoever puts it right.
    QStringList rejected;
    (void)m_weighing.vehicles().all(&rejected);
    for (const QString &line : std::as_const(rejected))
        m_log.WriteLog(QStringLiteral("Строка справочника машин не прочитана и пропущена: ") + line);
    for (const QString &card : m_cardWeighing.unreadableCards())
        m_log.WriteLog(u"Номер карты в справочнике машин не понят: "_s + card);
    applyEquipmentSettings();
}

void Program::applyEquipmentSettings()
{
    // Each has its own port: an empty one is a device not fitted, whether
    // or not the I/O module is used.
    const AutomationSettings s = AutomationSettings::load(m_context.folders.BaseFolder);
    (void)m_scoreboard.open(s.scoreboardPort, s.scoreboardBaud);
    (void)m_reader.open(s.readerPort, s.readerBaud);
}

void Program::showTerminalState()
{
    // The indicator's own overload is a link that works, but no weighing;
    // so is a weight held from an older frame.
    const IndicatorState state = m_link.indicatorState();
    m_weighing.setTerminalConnected(m_link.showsWeight() || state != IndicatorState::None);
    QString refusal;
    if (state != IndicatorState::None)
        refusal = QStringLiteral("Индикатор весов сообщает: ") + indicatorStateText(state);
    else if (m_link.showsWeight() && !m_link.weightFresh())
        refusal = QStringLiteral("Вес с терминала не обновился: повторите через секунду");
    m_weighing.setTerminalRefusal(refusal);
}
