#pragma once

#include "video/CameraBrowser.h"

#include <QWidget>

class IpCameraControl;
class QWebEngineView;

// The camera's page: a small window, on top of ordinary windows, holding
// a browser view larger than itself and shifted so that only the camera
// picture lies in the window.
class BrowserWindow : public QWidget, public CameraBrowser
{
    Q_OBJECT

public:
    explicit BrowserWindow(IpCameraControl &camera, QWidget *parent = nullptr);

    QWebEngineView *view() const { return m_view; }

    // CameraBrowser
    void apply(const BrowserState &state) override;
    void navigate(const QString &address) override;
    void stop() override;
    QImage CaptureWindowRegion(const QRect &rect) override;

protected:
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    IpCameraControl &m_camera;
    QWebEngineView *m_view;
    bool m_applying = false;
};
