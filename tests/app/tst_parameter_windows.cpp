#include "ProgramFixture.h"
#include "AccessibleControls.h"
#include "common/FolderReplacedByFile.h"
#include "core/Cp1251.h"
#include "core/ParameterSettingsModel.h"
#include "core/ui/AccessGateWindow.h"
#include "core/ui/EditModesWindow.h"
#include "core/ui/ParameterSettingsWindow.h"
#include "platform/SpreadsheetApplication.h"
#include "store/DayFiles.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"
#include "store/ui/DayListView.h"
#include "video/ui/IpCameraPanel.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces what is in a field as the engineer would: select all, type.
void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        // keyClicks takes Latin-1 only; names here are Russian.
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The menu entry itself, not the menu of the same caption.
QAction *menuEntry(QWidget *window, const QString &caption, const QString &menu)
{
    for (QMenu *m : window->findChildren<QMenu *>())
        if (m->title() == menu)
            for (QAction *a : m->actions())
                if (a->text() == caption && !a->menu())
                    return a;
    return nullptr;
}

// A spreadsheet application that only records the header cells it is given.
class HeaderRecorder final : public SpreadsheetApplication
{
public:
    QMutex mutex;
    QStringList headerCells;

    bool create() override { return true; }
    int addWorkbook() override { return 1; }
    bool activateWorkbook(int) override { return true; }
    int openWorkbook(const QString &path) override { return QFile::exists(path) ? 1 : 0; }
    bool saveAs(const QString &path) override { return touch(m_path = path); }
    bool save() override { return touch(m_path); }
    bool close() override { return true; }
    bool closeAll() override { return true; }
    void quit() override {}
    bool setCellInteger(int, int, qint64) override { return true; }
    bool setCellDouble(int, int, double) override { return true; }
    bool setCellDate(int, int, double) override { return true; }
    bool setCellText(int row, int column, const QString &text) override
    {
        if (row == 2) {
            QMutexLocker lock(&mutex);
            headerCells << QString::number(column) + u'=' + text;
        }
        return true;
    }
    bool setNumberFormat(int, int, const QString &) override { return true; }
    bool setBorderLineStyle(int, int, LineStyle) override { return true; }
    bool setBorderWeight(int, int, BorderWeight) override { return true; }
    bool setHorizontalAlignment(int, int, Alignment) override { return true; }
    bool setColumnWidth(int, double) override { return true; }

private:
    static bool touch(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly);
    }
    QString m_path;
};

} // namespace

class TestParameterWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    QTimer m_boxCloser;
    QStringList m_messages;

    ParameterSettingsWindow *openSettings()
    {
        QAction *entry = menuEntry(m_p->window.get(), u"Настройки"_s, u"Настройки"_s);
        if (!entry)
            return nullptr;
        entry->trigger();
        m_p->gate->setCodeText(m_p->context->settings.EngineerCode);
        return m_p->window->parameterSettingsWindow();
    }

    EditModesWindow *openEditModes()
    {
        QAction *entry = menuEntry(m_p->window.get(), u"Настроить"_s, u"Править"_s);
        if (!entry)
            return nullptr;
        entry->trigger();
        m_p->gate->setCodeText(m_p->context->settings.EngineerCode);
        return m_p->window->editModesWindow();
    }

private slots:
    void initTestCase()
    {
        // Every message box is read and answered as it comes up.
        m_boxCloser.setInterval(10);
        connect(&m_boxCloser, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    m_messages << box->text();
                    box->button(QMessageBox::Ok)->click();
                }
        });
        m_boxCloser.start();
    }

    void init()
    {
        m_messages.clear();
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)), new AbsentPort);
        m_p->build();
        m_p->login();
    }
    void cleanup() { m_p.reset(); }

    void startUpSequence_data()
    {
        QTest::addColumn<bool>("office");
        QTest::newRow("with office") << true;
        QTest::newRow("without office") << false;
    }

    // A first start in an empty folder, up to the gate waiting for a code.
    void startUpSequence()
    {
        QFETCH(bool, office);
        m_p.reset();
        QTemporaryDir dir;
        Clock clock;
        clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(7, 8, 9)));
        std::unique_ptr<SpreadsheetApplication> recorder;
        if (office)
            recorder = std::make_unique<HeaderRecorder>();
        Program program(clock, Folders(dir.path()),
                        Program::Outside{new AbsentPort, std::move(recorder), nullptr,
                                         PrintSurface::Destination::PdfFiles});
        program.start();
        const AppContext &c = program.context();
        const QString base = c.folders.BaseFolder;

        QCOMPARE(QFileInfo(c.folders.SettingsFile).size(), 13100);
        // The name files of the defaults, after the settings file.
        QCOMPARE(program.names().extraNames[0][1], u"Стоимость груза"_s);
        QVERIFY(QFileInfo(namePlusPath(base)).lastModified() >= QFileInfo(c.folders.SettingsFile).lastModified());
        for (int i = 0; i < CardTextCount; ++i)
            QVERIFY(QFile::exists(pickListPath(base, i)));
        for (const QString &folder : {u"Data/2011/Декабрь"_s, u"Schablon"_s, u"2011/Декабрь"_s})
            QVERIFY2(QFileInfo(base + folder).isDir(), qPrintable(folder));
        QCOMPARE(c.ExcelAvailable, office ? 1 : 0);
        if (office)
            QTRY_VERIFY(QFile::exists(c.folders.TemplateFolder + u"Tip30.xls"_s));
        QVERIFY(program.gate().isVisible());
        QCOMPARE(program.gate().promptText(), u"Введите код доступа:"_s);
        // The one line of a first start: the program's identification.
        QFile log(c.settings.LogPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("\r\n"), 1);
        program.link().closePort();
    }

    void renamedOperatorLogsInAfterRestart()
    {
        ParameterSettingsWindow *w = openSettings();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"Настройки параметров"_s);
        QVERIFY2(AccessibleControls::badlyNamed(w).isEmpty(), qPrintable(AccessibleControls::badlyNamed(w).join(u'\n')));
        // Filled at the main window's load; codes shown as typed.
        QCOMPARE(w->operatorNameField(3)->text(), u"Оператор  3"_s);
        QCOMPARE(w->oldCodeField()->text(), m_p->context->settings.EngineerCode);
        QCOMPARE(w->operatorCodeField(3)->echoMode(), QLineEdit::Normal);
        QCOMPARE(w->resultFolderField()->text(), m_p->context->settings.ResultFolder);

        retype(w->operatorNameField(3), u"Иванов"_s);
        retype(w->operatorCodeField(3), u"4455"_s);
        QTest::mouseClick(w->saveOperatorsButton(), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{u"Изменения внесены"_s});

        // Hidden and shown again: the fields keep what was typed.
        retype(w->newCodeField(), u"99"_s);
        QTest::mouseClick(w->exitButton(), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(openSettings(), w);
        QCOMPARE(w->newCodeField()->text(), u"99"_s);

        // A fresh start in the same folder.
        const QString folder = m_p->dir.path();
        m_p->dir.setAutoRemove(false);
        m_p.reset();
        auto cleanupFolder = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
        Clock clock;
        clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 45, 0)));
        Program program(clock, Folders(folder), Program::Outside{new AbsentPort, nullptr, nullptr,
                                                                PrintSurface::Destination::PdfFiles});
        program.start();
        MainWindow window(program);
        AccessGateWindow gateWindow(program.gate());
        // The gate keeps masking what is typed.
        QCOMPARE(gateWindow.codeEntry()->echoMode(), QLineEdit::Password);
        retype(gateWindow.codeEntry(), u"4455"_s);
        QCOMPARE(program.context().CurrentOperator, u"Иванов"_s);
        QVERIFY(window.isVisible());
        program.link().closePort();
    }

    void captionsFollowNames()
    {
        // A card of today, whose file must not change with the names.
        m_p->weighing->setEntryText(0, u"Песок"_s);
        m_p->weighing->setTerminalConnected(true);
        m_p->weighing->setTerminalWeight(30100);
        QVERIFY(m_p->weighing->StoreNewCard());
        const QByteArray dayFile = readAll(m_p->days->todayPath());
        QVERIFY(!dayFile.isEmpty());

        ParameterSettingsWindow *w = openSettings();
        QVERIFY(w);
        retype(w->paramNameField(0), u"Груз"_s);
        retype(w->paramNameField(4), u"Госномер"_s);
        QTest::mouseClick(w->saveNamesButton(), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{u"Данные сохранены"_s});

        QCOMPARE(m_p->window->dataEntryFrame()->parameterBox(0)->accessibleName(), u"Груз"_s);
        QCOMPARE(m_p->window->dataEntryFrame()->parameterBox(4)->accessibleName(), u"Госномер"_s);
        QVERIFY(m_p->window->todayList()->header()->text().contains(u"Груз"_s));
        PeriodReport &report = m_p->program->report();
        QCOMPARE(report.parameterEntries().value(0), u"Груз"_s);
        QCOMPARE(report.parameterEntries().value(4), u"Госномер"_s);
        QStringList captions;
        for (int c = 1; c < report.table().columnCount(); ++c)
            captions << report.table().text(0, c).toString();
        QVERIFY2(captions.contains(u"Груз"_s), qPrintable(captions.join(u'|')));
        QVERIFY(!captions.contains(u"Наименование груза"_s));
        QCOMPARE(m_p->names->constantNames[0][0], u"Груз"_s);
        // Every load of today gives the pick lists' captions the names in force.
        m_p->names->constantNames[0][0] = u"старое"_s;
        m_p->weighing->reloadToday();
        QCOMPARE(m_p->names->constantNames[0][0], u"Груз"_s);
        QCOMPARE(readAll(m_p->days->todayPath()), dayFile);
    }

    void newTemplateUsesNewNames()
    {
        // The template a later start builds carries the names saved before.
        m_p.reset();
        QTemporaryDir dir;
        Clock clock;
        clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)));
        auto startWith = [&](std::unique_ptr<HeaderRecorder> office) {
            auto program = std::make_unique<Program>(
                clock, Folders(dir.path()),
                Program::Outside{new AbsentPort, std::move(office), nullptr, PrintSurface::Destination::PdfFiles});
            program->start();
            return program;
        };
        auto first = std::make_unique<HeaderRecorder>();
        HeaderRecorder *firstOffice = first.get();
        auto program = startWith(std::move(first));
        QCOMPARE(program->context().ExcelAvailable, 1);
        const QString templatePath = program->spreadsheet().templatePath();
        // The office keeps working after start-up: the template is its first job.
        QVERIFY(program->spreadsheetService().waitForIdle(10000));
        QVERIFY(QFile::exists(templatePath));
        QVERIFY(firstOffice->headerCells.contains(u"9=Наименование груза"_s));
        ParameterSettingsModel &settings = program->parameterSettings();
        settings.load();
        settings.setParamName(0, u"Груз"_s);
        QCOMPARE(settings.SaveParamNames(), u"Данные сохранены"_s);
        program->link().closePort();
        program.reset();

        QVERIFY(QFile::remove(templatePath));
        auto second = std::make_unique<HeaderRecorder>();
        HeaderRecorder *secondOffice = second.get();
        program = startWith(std::move(second));
        QVERIFY(program->spreadsheetService().waitForIdle(10000));
        QVERIFY(QFile::exists(templatePath));
        QVERIFY2(secondOffice->headerCells.contains(u"9=Груз"_s), qPrintable(secondOffice->headerCells.join(u'|')));
        program->link().closePort();
    }

    void editModesWindow()
    {
        EditModesWindow *w = openEditModes();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"Настройка режимов правки данных"_s);
        QVERIFY(AccessibleControls::badlyNamed(w).isEmpty());
        QCOMPARE(w->permissionBox(0)->text(), u"Разрешить команду меню \"Править\""_s);
        QVERIFY(w->permissionBox(0)->isChecked());
        QCOMPARE(w->newCodeField()->echoMode(), QLineEdit::Normal);

        retype(w->newCodeField(), u"77"_s);
        retype(w->repeatCodeField(), u"78"_s);
        QTest::mouseClick(w->changeCodeButton(), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{u"Повтор пароля  не совпал!"_s});
        // The window's own message does not read the boxes again.
        w->permissionBox(3)->setChecked(false);
        retype(w->repeatCodeField(), u"77"_s);
        QTest::mouseClick(w->changeCodeButton(), Qt::LeftButton);
        QCOMPARE(m_messages.last(), u"Пароль изменен"_s);
        QCOMPARE(m_p->context->settings.EditCode, u"77"_s);
        QVERIFY(!w->permissionBox(3)->isChecked());

        // Unticked and saved: "Правка" does nothing from now on.
        w->permissionBox(0)->setChecked(false);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(m_p->window->isVisible());
        QCOMPARE(m_p->context->settings.EditPermissions[0], 0);
        QCOMPARE(m_p->context->settings.EditPermissions[3], 0);
        QAction *edit = menuEntry(m_p->window.get(), u"Правка"_s, u"Править"_s);
        QVERIFY(edit);
        const int purpose = m_p->gate->purpose();
        edit->trigger();
        QVERIFY(!m_p->gate->isVisible());
        QCOMPARE(m_p->gate->purpose(), purpose);

        // "Выйти" takes nothing over; the boxes show the settings again.
        QCOMPARE(openEditModes(), w);
        QVERIFY(!w->permissionBox(0)->isChecked());
        w->permissionBox(0)->setChecked(true);
        QTest::mouseClick(w->exitButton(), Qt::LeftButton);
        QCOMPARE(m_p->context->settings.EditPermissions[0], 0);
        openEditModes();
        QVERIFY(!w->permissionBox(0)->isChecked());
    }

    // A settings folder that takes no file: each window that stores the
    // settings says so and stays open; the file keeps what it had.
    void settingsFileNotWritten()
    {
        QTemporaryDir logDir;
        const QString journal = logDir.filePath(u"err.log"_s);
        QVERIFY(QFile(journal).open(QIODevice::WriteOnly));
        m_p->context->settings.LogPath = journal;
        QVERIFY(m_p->context->storeSettings());
        const QString settingsFile = m_p->context->folders.SettingsFile;
        const QByteArray stored = readAll(settingsFile);
        const QString notWritten = u"Файл настроек не записан: Не является папкой"_s;
        {
            FolderReplacedByFile gone(m_p->context->folders.BaseFolder);
            QVERIFY(gone.ok());

            ParameterSettingsWindow *settings = openSettings();
            QVERIFY(settings && settings->isVisible());
            retype(settings->operatorNameField(3), u"Иванов"_s);
            QTest::mouseClick(settings->saveOperatorsButton(), Qt::LeftButton);
            QCOMPARE(m_messages.last(), u"Изменения внесены\n\n"_s + notWritten);
            QVERIFY(settings->isVisible());
            QTest::mouseClick(settings->exitButton(), Qt::LeftButton);

            EditModesWindow *modes = openEditModes();
            QVERIFY(modes && modes->isVisible());
            retype(modes->newCodeField(), u"77"_s);
            retype(modes->repeatCodeField(), u"77"_s);
            QTest::mouseClick(modes->changeCodeButton(), Qt::LeftButton);
            QCOMPARE(m_messages.last(), u"Пароль изменен\n\n"_s + notWritten);
            QVERIFY(modes->isVisible());
            QTest::mouseClick(modes->exitButton(), Qt::LeftButton);

            m_p->window->openPurpose(AccessGate::IpCamera);
            IpCameraPanel *camera = m_p->window->ipCameraPanel();
            QVERIFY(camera && camera->isVisible());
            QTest::mouseClick(camera->button(u"Сохранить"_s), Qt::LeftButton);
            QCOMPARE(m_messages.last(), notWritten);
            QVERIFY(camera->isVisible());
            QCOMPARE(m_messages.size(), 3);
            // In force for this run.
            QVERIFY(std::ranges::count(m_p->context->settings.OperatorName, u"Иванов"_s) == 1);
            QCOMPARE(m_p->context->settings.EditCode, u"77"_s);
        }
        QCOMPARE(readAll(settingsFile), stored);
        QCOMPARE(decode1251(readAll(journal)).count(notWritten + u" ("_s + settingsFile + u')'), 3);
    }

    void folderResetAndRebuild()
    {
        ParameterSettingsWindow *w = openSettings();
        QVERIFY(w);
        QSignalSpy rebuild(w, &ParameterSettingsWindow::exchangeRebuildRequested);
        QTest::mouseClick(w->exchangeRebuildButton(), Qt::LeftButton);
        QCOMPARE(rebuild.count(), 1);

        const QString chosen = m_p->dir.path() + u"/Результаты"_s;
        QVERIFY(QDir().mkpath(chosen));
        w->setFolderChooser([chosen](QWidget *) { return chosen; });
        QTest::mouseClick(w->resultFolderButton(), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{u"Данные сохранены"_s});
        QCOMPARE(w->resultFolderField()->text(), chosen + u'/');
        // The next store writes there.
        const QString month = chosen + u"/2026/Декабрь/"_s;
        QVERIFY(QDir(month).exists());
        QCOMPARE(m_p->program->spreadsheet().dayWorkbookPath(QDate(2026, 12, 9)), month + u"09.12.2026.xls"_s);

        // Reset: counters kept, the name file and list headers rewritten.
        const QString base = m_p->context->folders.BaseFolder;
        const QByteArray names = readAll(namePlusPath(base));
        const QByteArray list1 = readAll(pickListPath(base, 1));
        QVERIFY(!names.isEmpty() && !list1.isEmpty());
        m_p->names->extraNames[0][1] = u"Влажность"_s;
        m_p->names->constantNames[0][1] = u"Сорт"_s;
        QVERIFY(saveExtraNames(*m_p->names, base));
        QVERIFY(WritePickListHeaders(*m_p->names, base));
        QVERIFY(readAll(namePlusPath(base)) != names);
        m_p->context->settings.CardIdCounter = 12;
        retype(w->paramNameField(0), u"Груз"_s);
        QTest::mouseClick(w->saveNamesButton(), Qt::LeftButton);

        QTest::mouseClick(w->resetButton(), Qt::LeftButton);
        QCOMPARE(m_messages.last(), u"Настройки установлены по умолчанию"_s);
        QCOMPARE(m_p->context->settings.CardIdCounter, 12);
        QCOMPARE(readAll(namePlusPath(base)), names);
        QCOMPARE(readAll(pickListPath(base, 1)), list1);
        QCOMPARE(w->paramNameField(0)->text(), u"Наименование груза"_s);
        QCOMPARE(w->resultFolderField()->text(), base);
        QCOMPARE(m_p->window->dataEntryFrame()->parameterBox(0)->accessibleName(), u"Наименование груза"_s);

        const QString shots = qEnvironmentVariable("TARVO_SCREENSHOTS");
        if (!shots.isEmpty()) {
            w->grab().save(shots + u"/parameter-settings.png"_s);
            EditModesWindow *modes = openEditModes();
            modes->grab().save(shots + u"/edit-modes.png"_s);
        }
    }
};

QTEST_MAIN(TestParameterWindows)
#include "tst_parameter_windows.moc"
