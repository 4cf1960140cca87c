// The IP camera through the program as main() builds it, with a browser
// that records what it is told and paints a known picture for photos.

#include "app/Program.h"
#include "common/AbsentPort.h"
#include "core/SettingsFile.h"
#include "video/IpCameraControl.h"
#include "video/SyntheticSource.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using F = IpCameraControl;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 0));

// Red left half, blue right half of whatever is asked; the rectangle asked
// is kept, so a test sees which record it came from.
struct RecordingBrowser final : CameraBrowser
{
    QList<BrowserState> applied;
    QStringList addresses;
    int stops = 0;
    QList<QRect> grabbed;

    void apply(const BrowserState &state) override { applied << state; }
    void navigate(const QString &address) override { addresses << address; }
    void stop() override { ++stops; }
    QImage CaptureWindowRegion(const QRect &rect) override
    {
        grabbed << rect;
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(0, 0, rect.width() / 2, rect.height(), Qt::red);
        return image;
    }
};

QImage decoded(const QString &path)
{
    QImageReader reader(path);
    return reader.format() == "jpeg" ? reader.read() : QImage();
}

} // namespace

class TestIpCamera : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<Program> m_program;
    RecordingBrowser m_browser;

    IpCameraControl &camera() { return m_program->ipCamera(); }
    Settings &settings() { return m_program->context().settings; }
    Settings stored()
    {
        Settings s;
        LoadSettings(s, m_program->context().folders.SettingsFile);
        return s;
    }
    int px(int twips) { return camera().toPixelsX(twips); }
    int py(int twips) { return camera().toPixelsY(twips); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock.setNow(kNow);
        m_browser = RecordingBrowser();
        m_program = std::make_unique<Program>(m_clock, Folders(m_dir->path()),
                                              Program::Outside{new AbsentPort, nullptr,
                                                               std::make_unique<SyntheticSource>()});
        m_program->start();
        m_program->weighing().setTerminalConnected(true);
        camera().setBrowser(&m_browser);
    }
    void cleanup()
    {
        m_program.reset();
    }

    void switchOnWithDefaults()
    {
        VideoPhotos &v = m_program->video();
        // USB/PCI on first: the IP camera takes over.
        v.switchOnUsb();
        QCOMPARE(settings().IpCameraNumber, 10);
        camera().openPanel();
        QVERIFY(camera().panelVisible());
        QCOMPARE(camera().panelCaption(), u"Настройка камеры 1"_s);
        QVERIFY(!camera().commandVisible());
        v.switchOnIp();
        QVERIFY(v.VideoOn());
        QCOMPARE(v.icon(), VideoPhotos::Icon::OnWindowShown);
        QVERIFY(!v.source().isOn());

        const QString login = settings().CameraLogin[0];
        const BrowserState &b = camera().browser();
        QVERIFY(b.visible && b.controlVisible);
        QCOMPARE(b.window.size(), QSize(px(5500), py(5000)));
        if (QGuiApplication::primaryScreen()->logicalDotsPerInchX() == 96)
            QCOMPARE(b.window.size(), QSize(367, 333));
        QCOMPARE(b.control, QRect(px(-4700), py(-1200), px(12000), py(10000)));
        QCOMPARE(b.caption, login);
        QCOMPARE(m_browser.applied.last().window, b.window);
        QCOMPARE(camera().panelCaption(), u"Видеозахват IP с камеры:"_s + login);
        QVERIFY(camera().commandVisible());
        QCOMPARE(camera().commandText(), settings().CameraUrl[0]);
        // The address field, edited or not, is what is shown.
        QCOMPARE(m_browser.addresses, QStringList{settings().CameraUrl[0]});
        const Settings s = stored();
        QCOMPARE(s.IpCameraNumber, 1);
        QCOMPARE(s.VideoSourceIp, 1);

        // "Ok": the typed address, nothing stored changes.
        camera().setCommandText(u"http://127.0.0.1:9/other"_s);
        camera().ok();
        QCOMPARE(m_browser.addresses.last(), u"http://127.0.0.1:9/other"_s);
        QCOMPARE(camera().address(), u"http://127.0.0.1:9/other"_s);
        QCOMPARE(settings().CameraUrl[0], s.CameraUrl[0]);
        QCOMPARE(camera().field(F::Url), s.CameraUrl[0]);

        // An edited address is tried before it is saved.
        camera().setField(F::Url, u"http://127.0.0.1:9/edited"_s);
        v.switchOnIp();
        QCOMPARE(m_browser.addresses.last(), u"http://127.0.0.1:9/edited"_s);
        QCOMPARE(stored().CameraUrl[0], s.CameraUrl[0]);

        // USB/PCI on: the page stops and its window goes.
        const int stops = m_browser.stops;
        v.switchOnUsb();
        QCOMPARE(m_browser.stops, stops + 1);
        QVERIFY(!camera().browser().visible);
        QVERIFY(!m_browser.applied.last().visible);
        QVERIFY(!camera().commandVisible());
        QCOMPARE(settings().IpCameraNumber, 10);

        // The IP panel's "Выключить" leaves the USB/PCI source alone.
        v.switchOffIp();
        QVERIFY(v.VideoOn());
        QVERIFY(v.source().isOn());
    }

    void camerasAndTheirFields()
    {
        Settings &s = settings();
        s.CameraLogin[1] = u"Въезд"_s;
        s.CameraUrl[1] = u"http://127.0.0.1:9/2"_s;
        s.PhotoWidth[1] = 3000;
        camera().openPanel();
        m_program->video().switchOnIp();
        QCOMPARE(s.IpCameraNumber, 1);

        // Entry "2": its fields, the camera in use unchanged.
        camera().chooseCamera(u"2"_s);
        QCOMPARE(camera().panelCaption(), u"Настройка камеры 2"_s);
        QCOMPARE(camera().field(F::Login), u"Въезд"_s);
        QCOMPARE(camera().field(F::Url), u"http://127.0.0.1:9/2"_s);
        QCOMPARE(camera().field(F::PhotoWidth), u"3000"_s);
        QCOMPARE(camera().field(F::BrowserShiftRight), u"-4700"_s);
        QCOMPARE(s.IpCameraNumber, 1);
        QCOMPARE(m_browser.addresses.size(), 1);

        // The number fields: leading number rounded down; none gives 0;
        // beyond 32 bits keeps the stored value.
        camera().setField(F::BrowserHeight, u" 8000 twip"_s);
        camera().setField(F::BrowserWidth, u"7,9"_s);
        camera().setField(F::PhotoHeight, u"-3.2"_s);
        camera().setField(F::PhotoWidth, u"99999999999"_s);
        camera().setField(F::PhotoShiftDown, u"вниз"_s);
        camera().setField(F::BrowserShiftDown, u"2147483648"_s);
        camera().setField(F::BrowserShiftRight, u"-2147483648"_s);
        camera().setField(F::Description, u"у ворот"_s);
        QVERIFY(camera().save());
        // "Сохранить" makes 2 the camera in use, though 1 is on.
        const Settings file = stored();
        QCOMPARE(file.IpCameraNumber, 2);
        QCOMPARE(file.BrowserHeight[1], 8000);
        QCOMPARE(file.BrowserWidth[1], 7);
        QCOMPARE(file.PhotoHeight[1], -4);
        QCOMPARE(file.PhotoWidth[1], 3000);
        QCOMPARE(file.PhotoShiftDown[1], 0);
        QCOMPARE(file.BrowserShiftDown[1], -1200);
        QCOMPARE(file.BrowserShiftRight[1], std::numeric_limits<qint32>::min());
        QCOMPARE(file.CameraDescription[1], u"у ворот"_s);
        QCOMPARE(file.CameraLogin[0], settings().CameraLogin[0]);
        QCOMPARE(file.BrowserHeight[0], 10000);

        // A text without a number: the empty record 0, never stored.
        const QByteArray before = encodeSettings(stored());
        camera().chooseCamera(u"нет"_s);
        QCOMPARE(camera().cameraNumber(), 0);
        QCOMPARE(camera().panelCaption(), u"Настройка камеры нет"_s);
        QVERIFY(camera().field(F::Login).isEmpty() && camera().field(F::Url).isEmpty());
        QCOMPARE(camera().field(F::PhotoWidth), u"0"_s);
        camera().setField(F::Login, u"нулевая"_s);
        QVERIFY(camera().save());
        QCOMPARE(camera().record(0).CameraLogin, u"нулевая"_s);
        Settings after = stored();
        QCOMPARE(after.IpCameraNumber, 0);
        after.IpCameraNumber = 2;
        QCOMPARE(encodeSettings(after), before);
        // A number no record has is record 0 as well.
        camera().chooseCamera(u"7"_s);
        QCOMPARE(camera().field(F::Login), u"нулевая"_s);
    }

    void startUpShowsTheStoredCamera()
    {
        // Automatic start with camera 2 stored: its page, not an empty address.
        settings().IpCameraNumber = 2;
        settings().CameraUrl[1] = u"http://127.0.0.1:9/zwei"_s;
        m_program->video().startForAutoMode();
        QCOMPARE(camera().listText(), u"2"_s);
        QCOMPARE(m_browser.addresses, QStringList{u"http://127.0.0.1:9/zwei"_s});
        QCOMPARE(camera().browser().caption, settings().CameraLogin[1]);
        // The panel stays as it was.
        QVERIFY(!camera().panelVisible());
        QCOMPARE(stored().IpCameraNumber, 2);
    }

    void fitAndNoFit()
    {
        camera().openPanel();
        m_program->video().switchOnIp();
        const BrowserState on = camera().browser();
        camera().noFit(QSize(1024, 700));
        QCOMPARE(camera().browser().window, QRect(px(2000), 0, 1024, 700));
        QCOMPARE(camera().browser().control, QRect(0, 0, 1024, 700));
        QCOMPARE(stored().BrowserWidth[0], 12000);
        // "Подогнать" stores the panel and puts the geometry back.
        camera().setField(F::Description, u"после подгонки"_s);
        QVERIFY(camera().fit());
        QCOMPARE(camera().browser().window.size(), on.window.size());
        QCOMPARE(camera().browser().control, on.control);
        QCOMPARE(camera().browser().caption, on.caption);
        QVERIFY(camera().browser().visible);
        QCOMPARE(stored().CameraDescription[0], u"после подгонки"_s);
        QCOMPARE(m_browser.addresses.size(), 1);
    }

    void photoASecondLater()
    {
        Program &p = *m_program;
        VideoPhotos &v = p.video();
        const QString folder = p.context().MonthDataFolder();
        // Off: nothing asked of the browser, nothing written.
        p.weighing().selectOperationType(u"Разгрузка"_s);
        p.weighing().setTerminalWeight(30100);
        p.weighing().UpdateLiveWeights();
        QVERIFY(p.weighing().StoreNewCard());
        QVERIFY(!camera().photoPending());

        v.iconClicked();
        QCOMPARE(v.icon(), VideoPhotos::Icon::OnWindowShown);
        // The icon loaded the stored camera's fields: its page, not an empty one.
        QCOMPARE(m_browser.addresses, QStringList{settings().CameraUrl[0]});
        v.iconClicked();
        QVERIFY(!camera().browser().visible);
        const QPoint home = camera().browser().window.topLeft();

        p.weighing().setTerminalWeight(28000);
        p.weighing().UpdateLiveWeights();
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 first = p.weighing().shownCard().id;
        // Shown at the screen's corner for the photo.
        QVERIFY(camera().photoPending());
        QVERIFY(camera().browser().visible);
        QCOMPARE(camera().browser().window.topLeft(), QPoint(0, 0));
        // A second weighing within the second: each photo keeps its card.
        p.weighing().setTerminalWeight(27000);
        p.weighing().UpdateLiveWeights();
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 second = p.weighing().shownCard().id;
        QVERIFY(second != first);
        QVERIFY(!QFile::exists(folder + QString::number(first) + u".jpg"_s));

        // The list moved to camera 2 meanwhile: its rectangle is photographed.
        settings().PhotoWidth[1] = 2880;
        settings().PhotoHeight[1] = 1440;
        settings().PhotoShiftRight[1] = 720;
        camera().setListText(u"2"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_browser.grabbed.size(), 2, 5000);
        QTRY_VERIFY(!camera().photoPending());
        QCOMPARE(m_browser.grabbed[0], QRect(px(720), 0, px(2880), py(1440)));
        v.store().waitForDone();
        for (const qint32 id : {first, second}) {
            const QImage photo = decoded(folder + QString::number(id) + u".jpg"_s);
            QCOMPARE(photo.size(), QSize(px(2880), py(1440)));
            QVERIFY(qRed(photo.pixel(5, 5)) > 200 && qBlue(photo.pixel(5, 5)) < 60);
            QVERIFY(qBlue(photo.pixel(photo.width() - 5, 5)) > 200);
        }
        // The shown card is the second: its slot shows its own photo.
        QCOMPARE(v.slot(CardPhotos::Frame::CurrentCard, 0).path, folder + QString::number(second) + u".jpg"_s);
        QVERIFY(!v.slot(CardPhotos::Frame::CurrentCard, 0).image.isNull());
        // Back where it was, hidden again.
        QCOMPARE(camera().browser().window.topLeft(), home);
        QVERIFY(!camera().browser().visible);
        QVERIFY(!m_browser.applied.last().visible);

        // Completion: "_1" into the second slot.
        p.weighing().SetCompletionButtons(3);
        p.weighing().setTerminalWeight(12000);
        p.weighing().UpdateLiveWeights();
        QVERIFY(p.weighing().CompleteCard(Weighing::Kind::Tare));
        QTRY_VERIFY(!v.slot(CardPhotos::Frame::CurrentCard, 1).image.isNull());
        QCOMPARE(v.slot(CardPhotos::Frame::CurrentCard, 1).path, folder + QString::number(second) + u"_1.jpg"_s);

        // Switched off before the second is over: no photo.
        QVERIFY(p.weighing().StoreNewCard());
        const qint32 lost = p.weighing().shownCard().id;
        v.iconDoubleClicked();
        QTRY_VERIFY_WITH_TIMEOUT(!camera().photoPending(), 3000);
        v.store().waitForDone();
        QVERIFY(!QFile::exists(folder + QString::number(lost) + u".jpg"_s));
    }
};

QTEST_MAIN(TestIpCamera)
#include "tst_ip_camera.moc"
