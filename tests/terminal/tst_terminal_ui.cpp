#include "FakeTerminalPort.h"
#include "common/FolderReplacedByFile.h"
#include "core/Cp1251.h"
#include "core/AppContext.h"
#include "core/SettingsFile.h"
#include "terminal/TerminalLink.h"
#include "terminal/ui/PortSettingsWindow.h"
#include "core/EventLog.h"
#include "terminal/WeightConditioning.h"
#include "terminal/ui/RawFrameWindow.h"
#include "terminal/ui/ScaleSettingsWindow.h"
#include "terminal/ui/ServiceWindow.h"
#include "terminal/ui/TerminalFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Fixture : FakeLinkFixture
{
    Fixture()
    {
        QVERIFY(context.LoadOrCreateSettings());
        link.OpenPortAtStart();
    }
};

template <typename T>
T *named(QWidget *parent, const QString &name)
{
    for (T *child : parent->findChildren<T *>())
        if (child->accessibleName() == name)
            return child;
    return nullptr;
}

// Presses OK on the next message box and hands back its text.
QString answerMessageBox(const std::function<void()> &action)
{
    QString text;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box) {
            text = box->text();
            // Set TARVO_SCREENSHOTS to a folder to see each message and its window.
            if (const QString shots = qEnvironmentVariable("TARVO_SCREENSHOTS"); !shots.isEmpty()) {
                static int shot = 0;
                ++shot;
                box->grab().save(shots + u"/message-%1.png"_s.arg(shot));
                if (QWidget *window = box->parentWidget())
                    window->window()->grab().save(shots + u"/window-%1.png"_s.arg(shot));
            }
            box->accept();
        }
    });
    action();
    return text;
}

// Runs `answer` on each modal dialog of type T that opens during `action`.
template <typename T>
int answerDialogs(const std::function<void(T *)> &answer, const std::function<void()> &action)
{
    int answered = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            answer(dialog);
            ++answered;
        }
    });
    poll.start();
    action();
    return answered;
}

} // namespace

class TestTerminalUi : public QObject
{
    Q_OBJECT

private slots:
    void portWindowListsAndSave();
    void terminalFrameFollowsTheList();
    void rawFrameView();
    void numberFieldsWithoutNumber();
    void captionFontAndColour();
    void settingsFileNotWritten();
};

void TestTerminalUi::portWindowListsAndSave()
{
    Fixture f;
    f.context.settings.BaudRate = u"57600"_s;
    EventLog log(f.context);
    PortSettingsWindow window(f.context, f.link, log);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), u"Настройка СОМ-порта компьютера"_s);

    const QStringList captions{u"СОМ-порт компьютера"_s, u"Скорость обмена "_s, u"Проверка на четность"_s,
                               u"Количество бит в символе"_s, u"Количество стоповых битов"_s};
    for (const QString &caption : captions) {
        QComboBox *list = named<QComboBox>(&window, caption.trimmed());
        QVERIFY2(list, qPrintable(caption));
        const auto labels = window.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [&](QLabel *l) { return l->text() == caption && l->buddy() == list; }));
    }
    QComboBox *port = named<QComboBox>(&window, u"СОМ-порт компьютера"_s);
    QComboBox *speed = named<QComboBox>(&window, u"Скорость обмена"_s);
    QCOMPARE(port->currentText(), u"1"_s);
    // A stored value outside the list is still shown.
    QCOMPARE(speed->currentText(), u"57600"_s);
    QCOMPARE(speed->itemText(0), u"1200"_s);

    port->setEditText(u"/dev/ttyUSB0"_s);
    speed->setCurrentText(u"19200"_s);
    QPushButton *save = named<QPushButton>(&window, u"Сохранить"_s);
    f.port->missing = QStringList{u"/dev/ttyUSB0"_s};
    QCOMPARE(answerMessageBox([&] { save->click(); }), u"Порт не обнаружен"_s);
    // The scale keeps its port.
    QVERIFY(f.link.portOpen());
    QCOMPARE(f.context.settings.PortNumber, u"1"_s);
    QCOMPARE(f.port->lastParameters.portNumber, u"1"_s);
    f.port->missing.clear();
    port->setEditText(u"/dev/ttyUSB0"_s);
    speed->setCurrentText(u"19200"_s);
    QCOMPARE(answerMessageBox([&] { save->click(); }), u"Изменения приняты"_s);
    QCOMPARE(f.port->lastParameters.portNumber, u"/dev/ttyUSB0"_s);
    Settings stored;
    LoadSettings(stored, f.context.folders.SettingsFile);
    QCOMPARE(stored.PortNumber, u"/dev/ttyUSB0"_s);
    QCOMPARE(stored.BaudRate, u"19200"_s);

    // Opening again shows the settings, not what was last typed.
    f.context.settings.Parity = u"o"_s;
    window.hide();
    window.show();
    QCOMPARE(named<QComboBox>(&window, u"Проверка на четность"_s)->currentText(), u"o"_s);

    named<QPushButton>(&window, u"Выход"_s)->click();
    QVERIFY(!window.isVisible());
}

void TestTerminalUi::terminalFrameFollowsTheList()
{
    Fixture f;
    f.context.settings.TerminalType = 3;
    f.context.settings.ImpulseCoefficient = 0.5;
    TerminalFrame frame(f.context, f.link);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.title(), u"Тип терминала"_s);

    auto *list = named<QComboBox>(&frame, u"Тип терминала"_s);
    auto *zero = named<QPushButton>(&frame, u">0<"_s);
    auto *save = named<QPushButton>(&frame, u"Сохранить"_s);
    auto *field = frame.findChild<QLineEdit *>();
    QCOMPARE(list->count(), 10);
    QCOMPARE(list->currentText(), u"HBM AED"_s);
    QVERIFY(zero->isVisible() && save->isVisible() && field->isVisible());
    QCOMPARE(field->accessibleName(), u"Коэф. кг/импл"_s);
    QCOMPARE(field->text(), u"0,5"_s);

    list->setCurrentIndex(0);
    QVERIFY(!zero->isVisible() && !save->isVisible() && !field->isVisible());
    list->setCurrentText(u"МИДЛ"_s);
    QVERIFY(zero->isVisible());
    // Still the stored type 3's coefficient.
    QCOMPARE(field->accessibleName(), u"Коэф. кг/импл"_s);

    zero->click();
    QCOMPARE(f.port->written.last(), "CDL;"_ba);
    field->setText(u"0,25"_s);
    save->click();
    QCOMPARE(f.context.settings.ImpulseCoefficient, 0.25);
    QCOMPARE(f.context.settings.TerminalType, 3);

    frame.applySelection();
    QCOMPARE(f.context.settings.TerminalType, 7);
    frame.load();
    QCOMPARE(field->accessibleName(), u"Полож. точки"_s);
    QCOMPARE(field->text(), u"3"_s);
}

void TestTerminalUi::rawFrameView()
{
    Fixture f;
    TerminalFrame frame(f.context, f.link);
    frame.show();
    named<QPushButton>(&frame, u"Данные терминала"_s)->click();
    RawFrameWindow *view = frame.rawFrameWindow();
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), u"Данные терминала"_s);

    f.link.PollTick();
    f.port->incoming = "\x02 012345.6\r\n"_ba;
    f.link.ReadTick();
    QVERIFY2(view->shownText().contains(u"<STX> 012345.6<CR><LF>"_s), qPrintable(view->shownText()));
    QVERIFY(view->shownText().contains(u"разбор: вес 12345"_s));
    QVERIFY(view->shownText().contains(u"формат: STX и 9 знаков"_s));

    // Held, it keeps what it shows.
    named<QCheckBox>(view, u"Остановить"_s)->setChecked(true);
    f.link.PollTick();
    f.port->incoming = "garbage"_ba;
    f.link.ReadTick();
    QVERIFY(!view->shownText().contains(u"garbage"_s));
    named<QCheckBox>(view, u"Остановить"_s)->setChecked(false);
    QVERIFY(view->shownText().contains(u"нет веса: в данных нет байта STX (02)"_s));
}

void TestTerminalUi::numberFieldsWithoutNumber()
{
    Fixture f;
    EventLog log(f.context);
    WeightConditioning conditioning(f.context, log);
    f.context.settings.MaxWeight = 30000;
    ServiceWindow service(f.context, log, conditioning);
    int applied = 0;
    QObject::connect(&service, &ServiceWindow::serviceSettingsSaved, [&] { ++applied; });
    service.load();
    service.show();
    QVERIFY(QTest::qWaitForWindowExposed(&service));
    QLineEdit *max = named<QLineEdit>(&service, u"Макс. вес"_s);
    QVERIFY(max);
    max->setText(u"abc"_s);
    service.modelField()->setText(u"ВСП-60"_s);
    QPushButton *save = named<QPushButton>(&service, u"Сохранить"_s);
    QCOMPARE(answerMessageBox([&] { save->click(); }), u"Поле «Макс. вес» должно содержать число"_s);
    QCOMPARE(f.context.settings.MaxWeight, 30000.0);
    QVERIFY(f.context.settings.ScaleModel != u"ВСП-60"_s);
    QCOMPARE(applied, 0);
    // What was typed stays to be corrected.
    QCOMPARE(max->text(), u"abc"_s);
    max->setText(u"60000"_s);
    QCOMPARE(answerMessageBox([&] { save->click(); }), u"Изменения приняты"_s);
    QCOMPARE(f.context.settings.MaxWeight, 60000.0);
    QCOMPARE(applied, 1);

    // "Выход" of the scale settings refuses and stays open; the terminal
    // list is not taken either.
    f.context.settings.TerminalType = 1;
    f.context.settings.PollPeriodMs = 1000;
    ScaleSettingsWindow scale(f.context, log, f.link);
    scale.load();
    scale.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scale));
    named<QComboBox>(&scale, u"Тип терминала"_s)->setCurrentIndex(2);
    scale.field(u"Период опроса весов 300..10000мс"_s)->setText(u"нет"_s);
    QPushButton *exit = named<QPushButton>(&scale, u"Выход"_s);
    QCOMPARE(answerMessageBox([&] { exit->click(); }), u"Поле «Период опроса весов 300..10000мс» должно содержать число"_s);
    QVERIFY(scale.isVisible());
    QCOMPARE(f.context.settings.PollPeriodMs, 1000);
    QCOMPARE(f.context.settings.TerminalType, 1);
    scale.field(u"Период опроса весов 300..10000мс"_s)->setText(u"2000"_s);
    // The engineer's hold time and reply timeout are saved with the rest.
    QCOMPARE(named<QSpinBox>(&scale, u"Удержание веса без кадра, мс"_s)->value(), 1000);
    named<QSpinBox>(&scale, u"Удержание веса без кадра, мс"_s)->setValue(1500);
    named<QSpinBox>(&scale, u"Ожидание ответа терминала, мс"_s)->setValue(90);
    exit->click();
    QVERIFY(!scale.isVisible());
    QCOMPARE(f.context.operatorSettings.holdTimeMs(), 1500);
    QCOMPARE(f.context.operatorSettings.replyTimeoutMs(), 90);
    QCOMPARE(f.context.settings.PollPeriodMs, 2000);
    QCOMPARE(f.context.settings.TerminalType, 3);
}

void TestTerminalUi::captionFontAndColour()
{
    Fixture f;
    EventLog log(f.context);
    ScaleSettingsWindow scale(f.context, log, f.link);
    int changed = 0;
    QObject::connect(&scale, &ScaleSettingsWindow::captionChanged, [&] { ++changed; });
    scale.load();
    scale.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scale));
    QPushButton *fontButton = named<QPushButton>(&scale, u"Шрифт"_s);

    QFont chosen(u"Liberation Sans"_s, 14);
    chosen.setBold(true);
    chosen.setUnderline(true);
    const auto pickFont = [&](QFontDialog *d) {
        d->setCurrentFont(chosen);
        d->accept();
    };
    const auto pickColour = [](QColorDialog *d) {
        d->setCurrentColor(QColor(10, 20, 30));
        d->accept();
    };
    // The colour follows the font; cancelling it changes nothing.
    const Settings before = f.context.settings;
    answerDialogs<QFontDialog>(pickFont, [&] {
        QCOMPARE(answerDialogs<QColorDialog>([](QColorDialog *d) { d->reject(); }, [&] { fontButton->click(); }), 1);
    });
    QCOMPARE(f.context.settings.AdvertFontName, before.AdvertFontName);
    QCOMPARE(f.context.settings.AdvertColor, before.AdvertColor);
    QCOMPARE(changed, 0);

    answerDialogs<QFontDialog>(pickFont, [&] {
        QCOMPARE(answerDialogs<QColorDialog>(pickColour, [&] { fontButton->click(); }), 1);
    });
    const Settings &s = f.context.settings;
    QCOMPARE(s.AdvertFontSize, 14);
    QCOMPARE(s.AdvertFontBold, -1);
    QCOMPARE(s.AdvertFontItalic, 0);
    QCOMPARE(s.AdvertFontUnderline, -1);
    QCOMPARE(s.AdvertColor, 10 + 256 * 20 + 65536 * 30);
    QCOMPARE(changed, 1);
    QLineEdit *caption = scale.field(u"Рекламная надпись:"_s);
    QVERIFY(caption->font().bold() && caption->font().underline());
    QCOMPARE(caption->palette().color(QPalette::Text), QColor(10, 20, 30));
}

void TestTerminalUi::settingsFileNotWritten()
{
    Fixture f;
    // The journal lives outside the folder that goes away.
    QTemporaryDir logDir;
    QFile journal(logDir.filePath(u"err.log"_s));
    QVERIFY(journal.open(QIODevice::WriteOnly));
    journal.close();
    f.context.settings.LogPath = journal.fileName();
    f.context.settings.OverloadFlag = 1;
    f.context.settings.OverloadText = u"09.12.2026 10:00:00 61000"_s;
    QVERIFY(f.context.storeSettings());
    const auto settingsBytes = [&] {
        QFile file(f.context.folders.SettingsFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray stored = settingsBytes();

    EventLog log(f.context);
    WeightConditioning conditioning(f.context, log);
    PortSettingsWindow port(f.context, f.link, log);
    ServiceWindow service(f.context, log, conditioning);
    ScaleSettingsWindow scale(f.context, log, f.link);
    service.load();
    scale.load();
    for (QWidget *window : std::initializer_list<QWidget *>{&port, &service, &scale}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    const auto press = [](QWidget *window, const QString &caption) {
        return answerMessageBox([&] { named<QPushButton>(window, caption)->click(); });
    };
    const QString notWritten = u"Файл настроек не записан: Не является папкой"_s;
    {
        FolderReplacedByFile gone(f.context.folders.BaseFolder);
        QVERIFY(gone.ok());
        named<QComboBox>(&port, u"Скорость обмена"_s)->setCurrentText(u"19200"_s);
        QCOMPARE(press(&port, u"Сохранить"_s), u"Изменения приняты, но файл настроек не записан: Не является папкой"_s);
        service.maxWeightField()->setText(u"45000"_s);
        QCOMPARE(press(&service, u"Сохранить"_s), notWritten);
        QCOMPARE(press(&service, u"Сбросить ошибку перегрузки весов"_s), notWritten);
        QCOMPARE(press(&scale, u"Установить по умолчанию"_s), notWritten);
        scale.field(u"Период опроса весов 300..10000мс"_s)->setText(u"2000"_s);
        QCOMPARE(press(&scale, u"Выход"_s), notWritten);
        for (QWidget *window : std::initializer_list<QWidget *>{&port, &service, &scale})
            QVERIFY(window->isVisible());
        // In force for this run.
        QCOMPARE(f.context.settings.BaudRate, u"19200"_s);
        QCOMPARE(f.context.settings.MaxWeight, 45000.0);
        QCOMPARE(f.context.settings.PollPeriodMs, 2000);
    }
    QCOMPARE(settingsBytes(), stored);
    QVERIFY(journal.open(QIODevice::ReadOnly));
    const QString logged = decode1251(journal.readAll());
    QCOMPARE(logged.count(notWritten + u" ("_s + f.context.folders.SettingsFile + u')'), 5);

    // With the folder back the same "Выход" stores and closes.
    QVERIFY(scale.saveAndClose());
    QVERIFY(!scale.isVisible());
    QVERIFY(settingsBytes() != stored);
}

QTEST_MAIN(TestTerminalUi)
#include "tst_terminal_ui.moc"
