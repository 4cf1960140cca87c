// The IP camera in the main window with the real browser, pages served
// from 127.0.0.1 by the test itself.

#include "app/ProgramFixture.h"
#include "weighing/ui/WeightPanel.h"
#include "core/AccessGate.h"
#include "video/IpCameraControl.h"
#include "video/ui/BrowserWindow.h"
#include "video/ui/CameraIcon.h"
#include "video/ui/IpCameraPanel.h"
#include "video/ui/VideoPanel.h"
#include "video/SyntheticSource.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <unistd.h>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QScreen>
#include <QTest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;
using F = IpCameraControl;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(9, 30));

// As main() does: the browser shares its GL context, said before the application exists.
[[maybe_unused]] const bool kSharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

// Answers "/slow" never, everything else with `page`.
class PageServer : public QTcpServer
{
public:
    QByteArray page;
    explicit PageServer(QByteArray html) : page(std::move(html))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (s->readAll().startsWith("GET /slow")) {
                        s->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>");
                        return;
                    }
                    s->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                             + QByteArray::number(page.size()) + "\r\n\r\n" + page);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url(const QString &path = u"/"_s) const
    {
        return u"http://127.0.0.1:%1%2"_s.arg(serverPort()).arg(path);
    }
};

bool near(QRgb c, QColor want)
{
    return qAbs(qRed(c) - want.red()) < 40 && qAbs(qGreen(c) - want.green()) < 40 && qAbs(qBlue(c) - want.blue()) < 40;
}

} // namespace

class TestIpCameraWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;

    IpCameraPanel *panel() { return m_p->window->ipCameraPanel(); }
    IpCameraControl &camera() { return m_p->program->ipCamera(); }
    void click(const QString &caption)
    {
        QPushButton *b = panel()->button(caption);
        QVERIFY2(b, qPrintable(caption));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    // Red and green halves of the default photo rectangle, yellow around it.
    QByteArray colourPage()
    {
        const int left = -camera().toPixelsX(-4700), top = -camera().toPixelsY(-1200);
        const int w = camera().toPixelsX(5000), h = camera().toPixelsY(4500);
        return u"<html><body style='margin:0;background:#ffff00'>"
               "<div style='position:absolute;left:%1px;top:%2px;width:%3px;height:%4px;background:#ff0000'></div>"
               "<div style='position:absolute;left:%5px;top:%2px;width:%6px;height:%4px;background:#00ff00'></div>"
               "</body></html>"_s.arg(left).arg(top).arg(w / 2).arg(h).arg(left + w / 2).arg(w - w / 2).toUtf8();
    }

private slots:
    void init()
    {
        m_p = std::make_unique<ProgramFixture>(kNow, new AbsentPort, std::make_unique<SyntheticSource>());
        m_p->build();
        m_p->login();
        // No terminal here: the weights are given, so nothing polls.
        m_p->link->stopPolling();
        m_p->weighing->setTerminalConnected(true);
    }
    void cleanup() { m_p.reset(); }

    // Started by root with the page's sandbox on, the engine would abort the
    // whole program: the camera is refused once, said and logged, nothing else.
    void refusedAsRootWithTheSandboxOn()
    {
        if (::geteuid() != 0)
            QSKIP("only root is refused");
        const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        QVERIFY(!IpCameraPanel::browserRefusal().isEmpty());
        QSignalSpy refused(panel(), &IpCameraPanel::browserUnavailable);
        QTest::mouseClick(m_p->window->cameraIcon(), Qt::LeftButton);
        panel()->navigate(u"about:blank"_s);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox);
        QCOMPARE(refused.size(), 1);
        QVERIFY(!panel()->browserWindow());
        QVERIFY(m_p->log->viewerText().contains(refused.at(0).at(0).toString()));
    }

    void panelAndBrowserWindow()
    {
        PageServer server(colourPage());
        Settings &s = m_p->context->settings;
        s.CameraLogin[1] = u"Камера въезда"_s;
        s.CameraUrl[1] = server.url(u"/two"_s);
        m_p->window->openPurpose(AccessGate::IpCamera);
        QVERIFY(panel()->isVisible());
        QCOMPARE(panel()->windowTitle(), u"Настройка камеры 1"_s);
        QCOMPARE(panel()->cameraList()->currentText(), u"1"_s);
        QCOMPARE(panel()->field(F::BrowserWidth)->text(), u"12000"_s);
        QVERIFY(!panel()->commandField()->isVisible());
        QVERIFY(!panel()->browserWindow());

        type(panel()->field(F::Url), server.url());
        click(u"Включить"_s);
        BrowserWindow *browser = panel()->browserWindow();
        QVERIFY(browser && browser->isVisible());
        QVERIFY(browser->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(browser->size(), QSize(camera().toPixelsX(5500), camera().toPixelsY(5000)));
        QCOMPARE(browser->view()->geometry(), QRect(camera().toPixelsX(-4700), camera().toPixelsY(-1200),
                                                    camera().toPixelsX(12000), camera().toPixelsY(10000)));
        QCOMPARE(browser->windowTitle(), s.CameraLogin[0]);
        QCOMPARE(panel()->windowTitle(), u"Видеозахват IP с камеры:"_s + s.CameraLogin[0]);
        QVERIFY(panel()->commandField()->isVisible());
        QCOMPARE(m_p->window->cameraIcon()->shownPicture(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(browser->view()->url().toString(), server.url(), 10000);

        // Entry "2": its fields, camera 1 stays on; "Сохранить" stores 2.
        QTest::keyClick(panel()->cameraList(), Qt::Key_Down);
        QCOMPARE(panel()->windowTitle(), u"Настройка камеры 2"_s);
        QCOMPARE(panel()->field(F::Login)->text(), u"Камера въезда"_s);
        QCOMPARE(s.IpCameraNumber, 1);
        QCOMPARE(browser->windowTitle(), s.CameraLogin[0]);
        click(u"Сохранить"_s);
        QCOMPARE(s.IpCameraNumber, 2);

        // "Без подгонки" then "Подогнать": camera 2's stored geometry again.
        click(u"Без подгонки"_s);
        QCOMPARE(browser->size(), m_p->window->size());
        QCOMPARE(browser->view()->geometry(), QRect(QPoint(0, 0), m_p->window->size()));
        click(u"Подогнать"_s);
        QCOMPARE(browser->size(), QSize(camera().toPixelsX(5500), camera().toPixelsY(5000)));
        QCOMPARE(browser->view()->geometry().topLeft(), QPoint(camera().toPixelsX(-4700), camera().toPixelsY(-1200)));

        // "Ok": the typed page, nothing stored changes.
        const QString url2 = s.CameraUrl[1];
        type(panel()->commandField(), server.url(u"/typed"_s));
        click(u"Ok"_s);
        QTRY_COMPARE_WITH_TIMEOUT(browser->view()->url().toString(), server.url(u"/typed"_s), 10000);
        QCOMPARE(s.CameraUrl[1], url2);
        QCOMPARE(s.CameraUrl[0], u"http://127.0.0.1/"_s);

        // A page that never finishes; USB/PCI on stops it and hides the window.
        QList<QWebEngineLoadingInfo::LoadStatus> statuses;
        connect(browser->view()->page(), &QWebEnginePage::loadingChanged, this,
                [&statuses](const QWebEngineLoadingInfo &info) { statuses << info.status(); });
        type(panel()->commandField(), server.url(u"/slow"_s));
        click(u"Ok"_s);
        QTRY_VERIFY_WITH_TIMEOUT(statuses.contains(QWebEngineLoadingInfo::LoadStartedStatus), 10000);
        m_p->window->openPurpose(AccessGate::UsbCapture);
        QTest::mouseClick(m_p->window->videoPanel()->button(u"Включить"_s), Qt::LeftButton);
        QVERIFY(!browser->isVisible());
        QVERIFY(!panel()->commandField()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(statuses.contains(QWebEngineLoadingInfo::LoadStoppedStatus), 10000);
        QCOMPARE(s.IpCameraNumber, 10);
    }

    void photoOfTheRectangle()
    {
        PageServer server(colourPage());
        m_p->context->settings.CameraUrl[0] = server.url();
        // The icon switches the stored camera on with its own page.
        QTest::mouseClick(m_p->window->cameraIcon(), Qt::LeftButton);
        BrowserWindow *browser = panel()->browserWindow();
        QVERIFY(browser && browser->isVisible());
        QCOMPARE(camera().field(F::Url), server.url());
        // Beside the weights, not over them; moved, it is remembered for the next start.
        const QWidget *weights = m_p->window->weightPanel();
        QVERIFY(!browser->frameGeometry().intersects(QRect(weights->mapToGlobal(QPoint(0, 0)), weights->size())));
        browser->move(browser->pos() + QPoint(0, 10));
        QTRY_COMPARE(m_p->context->operatorSettings.ipCameraPosition(), std::optional<QPoint>(browser->pos()));
        const QRect rect(0, 0, camera().toPixelsX(5000), camera().toPixelsY(4500));
        QTRY_VERIFY_WITH_TIMEOUT(near(browser->CaptureWindowRegion(rect).pixel(20, 20), Qt::red), 15000);
        // Hidden through the icon (after the double-click interval).
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(m_p->window->cameraIcon(), Qt::LeftButton);
        QVERIFY(!browser->isVisible());
        const QPoint home = browser->pos();

        m_p->weighing->selectOperationType(u"Разгрузка"_s);
        m_p->weighing->setTerminalWeight(30100);
        m_p->weighing->UpdateLiveWeights();
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(m_p->window->dataEntryFrame()->storeButton(), Qt::LeftButton);
        const qint32 id = m_p->weighing->shownCard().id;
        QVERIFY(id != 0);
        QVERIFY(browser->isVisible());
        const QString path = m_p->context->MonthDataFolder() + QString::number(id) + u".jpg"_s;
        QVERIFY(!QFile::exists(path));
        QTRY_VERIFY_WITH_TIMEOUT(!camera().photoPending(), 5000);
        QVERIFY(clock.elapsed() >= 1000);
        m_p->program->video().store().waitForDone();
        const QImage photo = QImageReader(path).read();
        QCOMPARE(photo.size(), rect.size());
        QVERIFY(near(photo.pixel(20, 20), Qt::red));
        QVERIFY(near(photo.pixel(rect.width() / 4, rect.height() - 20), Qt::red));
        QVERIFY(near(photo.pixel(rect.width() * 3 / 4, 20), Qt::green));
        QVERIFY(near(photo.pixel(rect.width() - 20, rect.height() - 20), Qt::green));
        // Hidden again, where it was.
        QVERIFY(!browser->isVisible());
        QCOMPARE(browser->pos(), home);

        // An unreachable page: still a photo of what the view shows, no box.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString nowhere = u"http://127.0.0.1:%1/"_s.arg(closed.serverPort());
        closed.close();
        m_p->window->openPurpose(AccessGate::IpCamera);
        type(panel()->commandField(), nowhere);
        click(u"Ok"_s);
        QVERIFY(QFile::remove(path));
        click(u"Фото"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!camera().photoPending(), 5000);
        m_p->program->video().store().waitForDone();
        const QImage shown = QImageReader(path).read();
        QCOMPARE(shown.size(), rect.size());
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox *>(w) || !w->isVisible());
    }
};

QTEST_MAIN(TestIpCameraWindow)
#include "tst_ip_camera_window.moc"
