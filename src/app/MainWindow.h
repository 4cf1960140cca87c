#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QPixmap>
#include <array>

class AccessGate;
class AppContext;
class ArchiveBrowser;
class ArchiveFrame;
class CameraIcon;
class CardEditorWindow;
class CentralWindow;
class ConstantsWindow;
class CardFieldsView;
struct CargoCard;
class CurrentCardFrame;
class DataEntryFrame;
class DayFiles;
class DayListView;
class EditModesWindow;
class EnlargementPanel;
class EventLog;
class EventLogWindow;
class IpCameraPanel;
class ExchangeRebuildDialog;
class MainShell;
class ParamExtras;
class ParameterSettingsWindow;
class OpenWeighingsWindow;
class MemoryWindow;
class SearchWindow;
class VehicleRegisterWindow;
class WorkplaceSettingsWindow;
class EquipmentWindow;
class PeriodReport;
class PortSettingsWindow;
class Program;
class QAction;
class QLabel;
class QRadioButton;
class QStackedWidget;
class QTimer;
class ReportFrame;
class TerminalLink;
class VideoPanel;
class VideoPhotos;
class ScaleSettingsWindow;
class ServiceWindow;
class Weighing;
class WeightConditioning;
class WeightPanel;

// The operator's workplace. It mirrors the shell and forwards the
// operator's actions; the frames of the four modes share one area.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(Program &program, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The gate accepted a login: load the first time, then show.
    void showLoaded();
    // The gate accepted a code for a protected purpose.
    void openPurpose(int purpose);
    // "Выход": false when the operator cancelled.
    bool exitProgram();

    WeightPanel *weightPanel() const { return m_panel; }
    DataEntryFrame *dataEntryFrame() const { return m_entry; }
    CurrentCardFrame *currentCardFrame() const { return m_card; }
    ArchiveFrame *archiveFrame() const { return m_archive; }
    ReportFrame *reportFrame() const { return m_reports; }
    DayListView *todayList() const { return m_todayList; }
    QLabel *portStatus() const { return m_portStatus; }
    QLabel *advertCaption() const { return m_advert; }
    QRadioButton *modeButton(int i) const { return m_modes[size_t(i)]; }
    QAction *menuAction(const QString &caption) const;
    QTimer *clockTimer() const { return m_clock; }
    ScaleSettingsWindow *scaleSettingsWindow() const { return m_scaleWindow; }
    ServiceWindow *serviceWindow() const { return m_serviceWindow; }
    ParameterSettingsWindow *parameterSettingsWindow() const { return m_parameterWindow; }
    EditModesWindow *editModesWindow() const { return m_editModesWindow; }
    ArchiveBrowser *archiveBrowser() const { return &m_archiveBrowser; }
    ParamExtras *paramExtras() const { return &m_extras; }
    VideoPanel *videoPanel() const { return m_videoPanel; }
    CameraIcon *cameraIcon() const { return m_cameraIcon; }
    EnlargementPanel *enlargementPanel() const { return m_enlargement; }
    IpCameraPanel *ipCameraPanel() const { return m_ipPanel; }
    // "Пересоздать файлы обмена…" of "Настройки параметров".
    void openExchangeRebuild();
    ExchangeRebuildDialog *exchangeRebuildDialog() const { return m_rebuildDialog; }
    // "+" beside parameter box p: nothing while the box is empty.
    void OpenConstantsEditor(int p);
    // The card window in its mode (`CardEditorMode`), created the first time.
    CardEditorWindow *openCardEditor(int mode);
    CardEditorWindow *cardEditorWindow() const { return m_cardEditorWindow; }
    ConstantsWindow *constantsWindow() const { return m_constantsWindow; }
    // "Поиск" (Ctrl+F), created the first time.
    SearchWindow *openSearch();
    SearchWindow *searchWindow() const { return m_searchWindow; }
    // "Открытые взвешивания", created the first time.
    OpenWeighingsWindow *openOpenWeighings();
    OpenWeighingsWindow *openWeighingsWindow() const { return m_openWindow; }
    MemoryWindow *openMemoryWindow();
    // "О программе": the version, the hashes of the running files, the key.
    void showAbout();
    QLabel *openWeighingsCount() const { return m_openCount; }
    VehicleRegisterWindow *vehicleRegisterWindow() const { return m_vehiclesWindow; }
    WorkplaceSettingsWindow *workplaceSettingsWindow() const { return m_workplaceWindow; }
    EquipmentWindow *equipmentWindow() const { return m_equipmentWindow; }
    QLabel *equipmentStatus() const { return m_equipmentStatus; }
    // Card `number` of `day` in its frame: today's in "Карточка груза", an
    // earlier day's in the archive with the calendar on that day.
    void openCard(const QDate &day, int number);
    CentralWindow *centralWindow() const { return m_centralWindow; }
    QLabel *centralStatus() const { return m_centralStatus; }

signals:
    void constantsEditorRequested(int p);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    // F3 / F4: "Бруто" or "Тара" of the card frame shown.
    void completeShownCard(bool gross);
    // A window of this program's own, the main window aside.
    bool ownsWindow(const QWidget *window) const;
    void placeClearOfWeights(QWidget *window);
    static QString firstStartHint();
    // The main window active again, the entry's first box (or the frame
    // shown) holding the keyboard.
    void takeKeyboard();
    void refresh();
    void showMode();
    void applyCaptions();
    void styleAdvert();
    void showAnimation();
    void showPortStatus();
    void printVisibleCard(const QString &document);
    void showLamps();
    void applyProgramType();
    void applyServiceSettings();
    void showTodayList();
    void fillPickLists();
    void loadPictures();
    void showOperatorMessage(const QString &text);
    void connectStore();
    // "Вставить": the card a frame shows becomes the template of a new weighing.
    // "Вставить": the shown card's texts and additional values into data entry.
    void insertCard(const CargoCard &card, const QString &plusPath);
    void showWindow(QWidget *window);
    void placeOnScreen();

    Program &m_program;
    AppContext &m_context;
    EventLog &m_log;
    AccessGate &m_gate;
    DayFiles &m_days;
    TerminalLink &m_link;
    Weighing &m_weighing;
    WeightConditioning &m_conditioning;
    MainShell &m_shell;
    ArchiveBrowser &m_archiveBrowser;
    ParamExtras &m_extras;
    VideoPhotos &m_video;

    WeightPanel *m_panel;
    DataEntryFrame *m_entry;
    CurrentCardFrame *m_card;
    ArchiveFrame *m_archive;
    PeriodReport *m_report;
    ReportFrame *m_reports;
    DayListView *m_todayList;
    QStackedWidget *m_frames;
    std::array<QRadioButton *, 4> m_modes{};
    QLabel *m_portStatus;
    QLabel *m_scaleData;
    QLabel *m_advert;
    QLabel *m_animation;
    QTimer *m_clock;
    std::array<QPixmap, 4> m_pictures;
    EventLogWindow *m_logWindow = nullptr;
    PortSettingsWindow *m_portWindow = nullptr;
    ScaleSettingsWindow *m_scaleWindow = nullptr;
    ServiceWindow *m_serviceWindow = nullptr;
    ParameterSettingsWindow *m_parameterWindow = nullptr;
    EditModesWindow *m_editModesWindow = nullptr;
    ExchangeRebuildDialog *m_rebuildDialog = nullptr;
    VideoPanel *m_videoPanel;
    CameraIcon *m_cameraIcon;
    EnlargementPanel *m_enlargement;
    CardEditorWindow *m_cardEditorWindow = nullptr;
    ConstantsWindow *m_constantsWindow = nullptr;
    CentralWindow *m_centralWindow = nullptr;
    QLabel *m_centralStatus = nullptr;
    IpCameraPanel *m_ipPanel;
    SearchWindow *m_searchWindow = nullptr;
    OpenWeighingsWindow *m_openWindow = nullptr;
    MemoryWindow *m_memoryWindow = nullptr;
    QLabel *m_openCount;
    VehicleRegisterWindow *m_vehiclesWindow = nullptr;
    WorkplaceSettingsWindow *m_workplaceWindow = nullptr;
    EquipmentWindow *m_equipmentWindow = nullptr;
    QLabel *m_equipmentStatus = nullptr;
    bool m_exiting = false;
    bool m_shownOnce = false;
    bool m_firstStartSaid = false;
};
