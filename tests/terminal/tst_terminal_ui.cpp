#include "FakeTerminalPort.h"
#include "core/AppContext.h"
#include "core/SettingsFile.h"
#include "terminal/TerminalLink.h"
#include "terminal/ui/PortSettingsWindow.h"
#include "terminal/ui/RawFrameWindow.h"
#include "terminal/ui/TerminalFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Fixture : FakeLinkFixture
{
    Fixture()
    {
        context.LoadOrCreateSettings();
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
            box->accept();
        }
    });
    action();
    return text;
}

} // namespace

class TestTerminalUi : public QObject
{
    Q_OBJECT

private slots:
    void portWindowListsAndSave();
    void terminalFrameFollowsTheList();
    void rawFrameView();
};

void TestTerminalUi::portWindowListsAndSave()
{
    Fixture f;
    f.context.settings.BaudRate = u"57600"_s;
    PortSettingsWindow window(f.context, f.link);
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
    f.port->opens = false;
    QCOMPARE(answerMessageBox([&] { save->click(); }), u"Порт не обнаружен"_s);
    f.port->opens = true;
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

    // Held, it keeps what it shows.
    named<QCheckBox>(view, u"Остановить"_s)->setChecked(true);
    f.link.PollTick();
    f.port->incoming = "garbage"_ba;
    f.link.ReadTick();
    QVERIFY(!view->shownText().contains(u"garbage"_s));
    named<QCheckBox>(view, u"Остановить"_s)->setChecked(false);
    QVERIFY(view->shownText().contains(u"нет веса: в данных нет байта STX (02)"_s));
}

QTEST_MAIN(TestTerminalUi)
#include "tst_terminal_ui.moc"
