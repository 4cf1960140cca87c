#include "IpCameraControl.h"

#include "core/AppContext.h"
#include "core/Numbers.h"
#include "core/SettingsChange.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The leading number rounded down; none when it leaves the 32-bit range.
std::optional<qint32> wholeNumber(const QString &text)
{
    const double v = std::floor(ParseNumber(text));
    if (!(v >= double(std::numeric_limits<qint32>::min()) && v <= double(std::numeric_limits<qint32>::max())))
        return std::nullopt;
    return qint32(v);
}

// Sizes beyond what a window can take are cut, not wrapped.
int clampPixels(double px)
{
    constexpr double limit = 16777215.0;
    return int(std::lround(std::clamp(px, -limit, limit)));
}

} // namespace

IpCameraControl::IpCameraControl(AppContext &context, EventLog &log, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_view(&m_noBrowser)
{
    m_photoTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the page needs its full second.
    m_photoTimer.setTimerType(Qt::PreciseTimer);
    m_photoTimer.setInterval(PhotoDelayMs);
    connect(&m_photoTimer, &QTimer::timeout, this, &IpCameraControl::photoTimerFired);
}

void IpCameraControl::setBrowser(CameraBrowser *browser)
{
    m_view = browser ? browser : &m_noBrowser;
}

int IpCameraControl::toPixelsX(qint64 twips) const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return clampPixels(double(twips) * (screen ? screen->logicalDotsPerInchX() : 96.0) / 1440.0);
}

int IpCameraControl::toPixelsY(qint64 twips) const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return clampPixels(double(twips) * (screen ? screen->logicalDotsPerInchY() : 96.0) / 1440.0);
}

IpCameraRecord IpCameraControl::record(int n) const
{
    if (n < 1 || n > 3)
        return m_record0;
    const Settings &s = m_context.settings;
    const size_t i = size_t(n - 1);
    return {s.CameraUrl[i],      s.BrowserWidth[i],      s.BrowserHeight[i], s.BrowserShiftRight[i],
            s.BrowserShiftDown[i], s.CameraLogin[i],     s.CameraDescription[i], s.PhotoWidth[i],
            s.PhotoHeight[i],    s.PhotoShiftRight[i],   s.PhotoShiftDown[i]};
}

void IpCameraControl::setRecord(int n, const IpCameraRecord &r)
{
    if (n < 1 || n > 3) {
        m_record0 = r;
        return;
    }
    Settings &s = m_context.settings;
    const size_t i = size_t(n - 1);
    s.CameraUrl[i] = r.CameraUrl;
    s.BrowserWidth[i] = r.BrowserWidth;
    s.BrowserHeight[i] = r.BrowserHeight;
    s.BrowserShiftRight[i] = r.BrowserShiftRight;
    s.BrowserShiftDown[i] = r.BrowserShiftDown;
    s.CameraLogin[i] = r.CameraLogin;
    s.CameraDescription[i] = r.CameraDescription;
    s.PhotoWidth[i] = r.PhotoWidth;
    s.PhotoHeight[i] = r.PhotoHeight;
    s.PhotoShiftRight[i] = r.PhotoShiftRight;
    s.PhotoShiftDown[i] = r.PhotoShiftDown;
}

int IpCameraControl::cameraNumber() const
{
    const std::optional<qint32> n = wholeNumber(m_listText);
    return n && *n >= 0 && *n <= 3 ? *n : 0;
}

void IpCameraControl::setListText(const QString &text)
{
    m_listText = text;
    emit changed();
}

void IpCameraControl::chooseCamera(const QString &text)
{
    m_listText = text;
    LoadCameraFields();
    m_panelVisible = true;
    emit changed();
}

void IpCameraControl::LoadCameraFields()
{
    const IpCameraRecord r = record(cameraNumber());
    m_panelCaption = u"Настройка камеры "_s + m_listText;
    m_fields = {r.CameraLogin,
                r.CameraUrl,
                r.CameraDescription,
                QString::number(r.BrowserHeight),
                QString::number(r.BrowserWidth),
                QString::number(r.BrowserShiftRight),
                QString::number(r.BrowserShiftDown),
                QString::number(r.PhotoHeight),
                QString::number(r.PhotoWidth),
                QString::number(r.PhotoShiftRight),
                QString::number(r.PhotoShiftDown)};
    emit changed();
}

void IpCameraControl::setField(int f, const QString &text)
{
    if (f < 0 || f >= FieldCount)
        return;
    m_fields[size_t(f)] = text;
}

void IpCameraControl::selectStoredCamera()
{
    const qint32 stored = m_context.settings.IpCameraNumber;
    if (stored >= 1 && stored <= 3)
        m_listText = QString::number(stored);
    LoadCameraFields();
}

void IpCameraControl::openPanel()
{
    const qint32 stored = m_context.settings.IpCameraNumber;
    if (stored >= 1 && stored <= 3)
        m_listText = QString::number(stored);
    m_panelVisible = true;
    LoadCameraFields();
}

void IpCameraControl::hidePanel()
{
    m_panelVisible = false;
    emit changed();
}

void IpCameraControl::setCommandText(const QString &text)
{
    m_commandText = text;
}

void IpCameraControl::applyBrowser()
{
    m_view->apply(m_browser);
    emit changed();
}

void IpCameraControl::applyGeometry(const IpCameraRecord &r)
{
    m_browser.control = QRect(toPixelsX(r.BrowserShiftRight), toPixelsY(r.BrowserShiftDown),
                              std::max(0, toPixelsX(r.BrowserWidth)), std::max(0, toPixelsY(r.BrowserHeight)));
    m_browser.window.setSize(QSize(std::max(0, toPixelsX(qint64(r.PhotoWidth) + WindowMargin)),
                                   std::max(0, toPixelsY(qint64(r.PhotoHeight) + WindowMargin))));
}

void IpCameraControl::switchOn()
{
    const int n = cameraNumber();
    const IpCameraRecord r = record(n);
    m_context.settings.IpCameraNumber = n;
    m_on = true;
    m_commandText = r.CameraUrl;
    m_commandVisible = true;
    applyGeometry(r);
    m_browser.window.moveTo(m_view->placeFor(m_browser.window.size(), m_position));
    m_browser.caption = r.CameraLogin;
    m_browser.visible = true;
    m_browser.controlVisible = true;
    m_panelCaption = u"Видеозахват IP с камеры:"_s + r.CameraLogin;
    applyBrowser();
    // The address field, not the stored address: an edit is tried before it is saved.
    m_address = m_fields[Url];
    m_view->navigate(m_address);
}

void IpCameraControl::switchOff()
{
    m_on = false;
    m_commandVisible = false;
    m_view->stop();
    m_browser.controlVisible = false;
    m_browser.visible = false;
    applyBrowser();
}

void IpCameraControl::setWindowShown(bool shown)
{
    m_browser.visible = shown;
    applyBrowser();
}

void IpCameraControl::ok()
{
    m_address = m_commandText;
    m_view->navigate(m_address);
    emit changed();
}

StoreResult IpCameraControl::save()
{
    const int n = cameraNumber();
    IpCameraRecord r = record(n);
    r.CameraLogin = m_fields[Login];
    r.CameraUrl = m_fields[Url];
    const auto number = [this](Field f, qint32 &target) {
        if (const std::optional<qint32> v = wholeNumber(m_fields[size_t(f)]))
            target = *v;
    };
    number(BrowserHeight, r.BrowserHeight);
    number(BrowserWidth, r.BrowserWidth);
    r.CameraDescription = m_fields[Description];
    number(PhotoHeight, r.PhotoHeight);
    number(PhotoWidth, r.PhotoWidth);
    number(PhotoShiftDown, r.PhotoShiftDown);
    number(PhotoShiftRight, r.PhotoShiftRight);
    number(BrowserShiftDown, r.BrowserShiftDown);
    number(BrowserShiftRight, r.BrowserShiftRight);
    setRecord(n, r);
    m_context.settings.IpCameraNumber = n;
    const StoreResult stored = storeSettingsChange(m_context, m_log);
    emit changed();
    return stored;
}

StoreResult IpCameraControl::fit()
{
    const StoreResult stored = save();
    applyGeometry(record(cameraNumber()));
    applyBrowser();
    return stored;
}

void IpCameraControl::noFit(const QSize &mainWindow)
{
    m_browser.control = QRect(QPoint(0, 0), mainWindow);
    m_browser.window = QRect(QPoint(toPixelsX(2000), 0), mainWindow);
    applyBrowser();
}

void IpCameraControl::browserMoved(const QPoint &topLeft)
{
    m_browser.window.moveTo(topLeft);
    m_position = topLeft;
    emit browserPlaced(topLeft);
}

void IpCameraControl::browserClosed()
{
    // The close box only hides it: the camera stays on.
    m_browser.visible = false;
    emit changed();
}

void IpCameraControl::Make_Foto_IP(const QString &path)
{
    if (!m_on)
        return;
    m_photoPaths << path;
    // A photo already waiting has placed the window; this one follows it.
    if (m_photoPaths.size() > 1)
        return;
    m_photoWasHidden = !m_browser.visible;
    m_photoReturn = m_browser.window.topLeft();
    m_browser.visible = true;
    m_browser.window.moveTo(0, 0);
    applyBrowser();
    m_photoTimer.start();
}

void IpCameraControl::photoTimerFired()
{
    m_photoTimer.stop();
    if (m_photoPaths.isEmpty())
        return;
    const QString path = m_photoPaths.takeFirst();
    if (m_on) {
        // The rectangle of the camera the list names now.
        const IpCameraRecord r = record(cameraNumber());
        const QRect rect(toPixelsX(r.PhotoShiftRight), toPixelsY(r.PhotoShiftDown), toPixelsX(r.PhotoWidth),
                         toPixelsY(r.PhotoHeight));
        const QImage image = rect.isValid() ? m_view->CaptureWindowRegion(rect) : QImage();
        emit photoTaken(path, image);
    }
    if (!m_photoPaths.isEmpty() && m_on) {
        m_photoTimer.start();
        return;
    }
    m_photoPaths.clear();
    m_browser.window.moveTo(m_photoReturn);
    if (m_photoWasHidden)
        m_browser.visible = false;
    applyBrowser();
}
