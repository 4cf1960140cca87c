#include "BrowserWindow.h"

#include "video/IpCameraControl.h"

#include <QCloseEvent>
#include <QPainter>
#include <QUrl>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

BrowserWindow::BrowserWindow(IpCameraControl &camera, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
    , m_camera(camera)
    , m_view(new QWebEngineView(this))
{
    setAccessibleName(u"Камера"_s);
    m_view->setAccessibleName(u"Страница камеры"_s);
    // Placed by hand: larger than the window and at negative coordinates.
    m_view->move(0, 0);
}

void BrowserWindow::apply(const BrowserState &state)
{
    m_applying = true;
    setWindowTitle(state.caption);
    m_view->setGeometry(state.control);
    m_view->setVisible(state.controlVisible);
    resize(state.window.size());
    move(state.window.topLeft());
    if (state.visible) {
        if (isMinimized() || isMaximized())
            showNormal();
        else
            show();
    } else {
        hide();
    }
    m_applying = false;
}

void BrowserWindow::navigate(const QString &address)
{
    // What the engineer typed: a host without a scheme is a web address.
    m_view->setUrl(QUrl::fromUserInput(address));
}

void BrowserWindow::stop()
{
    m_view->stop();
}

QImage BrowserWindow::CaptureWindowRegion(const QRect &rect)
{
    // Whatever part of the rectangle lies outside the window stays black,
    // so the photo has the size the camera record asks for.
    QImage photo(rect.size(), QImage::Format_RGB32);
    photo.fill(Qt::black);
    const QRect inside = rect.intersected(QRect(QPoint(0, 0), size()));
    if (!inside.isEmpty()) {
        const QPixmap shot = grab(inside);
        QPainter painter(&photo);
        painter.drawPixmap(inside.topLeft() - rect.topLeft(), shot);
    }
    return photo;
}

void BrowserWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (!m_applying && isVisible())
        m_camera.browserMoved(pos());
}

void BrowserWindow::closeEvent(QCloseEvent *event)
{
    // The close box hides the page; the camera stays on.
    event->accept();
    m_camera.browserClosed();
}
