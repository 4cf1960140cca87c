#pragma once

#include "MainShell.h"
#include "SpreadsheetPendingWrites.h"
#include "WorkbookExports.h"
#include "central/CentralMemoryCheck.h"
#include "central/CentralOutbox.h"
#include "central/CentralReport.h"
#include "core/AccessGate.h"
#include "documents/CardPrinter.h"
#include "equipment/CardReader.h"
#include "equipment/CardWeighing.h"
#include "equipment/Scoreboard.h"
#include "core/AppContext.h"
#include "core/EditModesModel.h"
#include "core/EventLog.h"
#include "core/ParameterSettingsModel.h"
#include "memory/MemoryLookup.h"
#include "memory/WeighingMemory.h"
#include "platform/SpreadsheetExport.h"
#include "platform/SpreadsheetService.h"
#include "reports/ExchangeRebuild.h"
#include "reports/PeriodReport.h"
#include "reports/ReportPrinter.h"
#include "archive/ArchiveBrowser.h"
#include "archive/CardEditor.h"
#include "archive/CardSearch.h"
#include "archive/OpenWeighings.h"
#include "store/CardCommit.h"
#include "store/ConstantsEditor.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/ParamExtras.h"
#include "terminal/TerminalLink.h"
#include "terminal/WeightConditioning.h"
#include "video/CaptureSource.h"
#include "video/IpCamera.h"
#include "video/IpCameraControl.h"
#include "video/VideoPhotos.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "equipment/ModbusIoModule.h"
#include "equipment/Weighbridge.h"
#include "weighing/AutoWeighing.h"
#include "weighing/Weighing.h"

#include <QObject>
#include <memory>

class SpreadsheetApplication;
class TerminalPort;

// The program without its windows: every logic object, created once and
// connected here. main() and the tests build the same one; the windows only
// bind to what it holds.
class Program : public QObject, private SettingsObserver
{
    Q_OBJECT

public:
    struct Outside
    {
        // The weight terminal; none: the serial port the settings name.
        TerminalPort *port = nullptr;
        // The office that writes the workbooks; none: no workbooks.
        std::unique_ptr<SpreadsheetApplication> spreadsheet;
        // The USB/PCI video source; none: the system's default video input.
        std::unique_ptr<CaptureSource> capture;
        // Where the papers of a card go.
        PrintSurface::Destination printDestination = PrintSurface::Destination::DefaultPrinter;
    };

    Program(Clock &clock, const Folders &folders, Outside outside, QObject *parent = nullptr);
    ~Program() override;

    // The start, up to the gate waiting for a code: folders, settings (the
    // ID counter above every card of the day files when they are new or
    // restored), the names and their files, the office, the mirror.
    void start();
    // An operator passed the gate: today's day is loaded, the terminal
    // polled, the main window's state made ready (once; later logins find
    // it so).
    void login();
    // Whether this start made the installation: its scale is not known yet.
    bool firstStart() const { return m_firstStart; }

    AppContext &context() { return m_context; }
    EventLog &log() { return m_log; }
    AccessGate &gate() { return m_gate; }
    ExtraNames &names() { return m_names; }
    ParamExtras &extras() { return m_extras; }
    DayFiles &days() { return m_days; }
    CardCommit &commit() { return m_commit; }
    TerminalLink &link() { return m_link; }
    WeightConditioning &conditioning() { return m_conditioning; }
    Weighing &weighing() { return m_weighing; }
    AutoWeighing &autoWeighing() { return m_auto; }
    ArchiveBrowser &archive() { return m_archive; }
    PeriodReport &report() { return m_report; }
    ReportPrinter &reportPrinter() { return m_reportPrinter; }
    MainShell &shell() { return m_shell; }
    SpreadsheetExport &spreadsheet() { return m_spreadsheet; }
    SpreadsheetService &spreadsheetService() { return m_spreadsheetService; }
    CardExports &exports() { return m_exports; }
    ExchangeRebuild &exchangeRebuild() { return m_exchangeRebuild; }
    CardPhotos &photos() { return m_photos; }
    VideoPhotos &video() { return m_photos; }
    IpCameraControl &ipCamera() { return m_ipCamera; }
    CardDocuments &documents() { return m_documents; }
    CardPrinter &printer() { return m_documents; }
    ParameterSettingsModel &parameterSettings() { return m_parameterSettings; }
    EditModesModel &editModes() { return m_editModes; }
    CardEditor &cardEditor() { return m_cardEditor; }
    ConstantsEditor &constantsEditor() { return m_constantsEditor; }
    CentralOutbox &central() { return m_central; }
    CentralReport &centralReport() { return m_centralReport; }
    CentralMemoryCheck &centralMemoryCheck() { return m_centralMemoryCheck; }
    CardSearch &search() { return m_search; }
    OpenWeighings &openWeighings() { return m_openWeighings; }
    Scoreboard &scoreboard() { return m_scoreboard; }
    CardReader &cardReader() { return m_reader; }
    CardWeighing &cardWeighing() { return m_cardWeighing; }
    // The scoreboard's and the reader's ports opened again as "automation.ini"
    // names them now (at login, and after the equipment's settings were saved).
    void applyEquipmentSettings();
    // The questions before a doubtful step; the main window answers them,
    // and without it the answer is "Нет".
    ForwardedQuestions &questions() { return m_questions; }
    WeighingMemory &memory() { return m_memory; }
    MemoryLookup &memoryLookup() { return m_memoryLookup; }
    // The lights, barriers and beams of the weighbridge (automation.ini).
    Weighbridge &equipment() { return m_equipment; }
    // "3.00; tarvo 1A2B…; libtarvo-office.so 3C4D…" of the running program.
    const QString &softwareIdentity() const { return m_softwareIdentity; }
    // The legally relevant settings as they are now into the memory (a
    // record and the event counter up when they changed); a failure is logged.
    void noteLegalSettings();

signals:
    // The program is to end: the office released, the settings stored.
    void quitRequested();
    // What the status line says of the equipment (a port, a card read).
    void equipmentStatus(const QString &text);

private:
    void showTerminalState();
    void settingsStored() override { noteLegalSettings(); }

    AppContext m_context;
    ForwardedQuestions m_questions;
    bool m_firstStart = false;
    ExtraNames m_names;
    ParamExtras m_extras;
    EventLog m_log;
    AccessGate m_gate;
    SpreadsheetService m_spreadsheetService;
    SpreadsheetExport m_spreadsheet;
    WorkbookExports m_exports;
    ExchangeRebuild m_exchangeRebuild;
    IpCameraControl m_ipCamera;
    VideoPhotos m_photos;
    qint32 m_photosShownId = 0;
    DayFiles m_days;
    CardCommit m_commit;
    WeighingMemory m_memory;
    MemoryLookup m_memoryLookup;
    QString m_softwareIdentity;
    TerminalLink m_link;
    WeightConditioning m_conditioning;
    Weighing m_weighing;
    AutoWeighing m_auto;
    ArchiveBrowser m_archive;
    CardPrinter m_documents;
    PeriodReport m_report;
    ReportPrinter m_reportPrinter;
    MainShell m_shell;
    SpreadsheetPendingWrites m_pendingWrites;
    ParameterSettingsModel m_parameterSettings;
    EditModesModel m_editModes;
    CardEditor m_cardEditor;
    ConstantsEditor m_constantsEditor;
    CentralOutbox m_central;
    CentralReport m_centralReport;
    CentralMemoryCheck m_centralMemoryCheck;
    QString m_centralReason;
    CardSearch m_search;
    OpenWeighings m_openWeighings;
    ModbusIoModule m_ioModule;
    Weighbridge m_equipment;
    Scoreboard m_scoreboard;
    CardReader m_reader;
    CardWeighing m_cardWeighing;
};
