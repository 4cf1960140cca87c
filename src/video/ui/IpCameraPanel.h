#pragma once

#include "video/CameraBrowser.h"

#include <QWidget>
#include <array>

class BrowserWindow;
class IpCameraControl;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct StoreResult;
class VideoPhotos;

// The panel "Видеозахват IP": the camera list, the camera's fields, the
// browser command and the buttons. It is also the camera's browser: the
// browser window is made the first time the camera needs it, then kept.
class IpCameraPanel : public QWidget, public CameraBrowser
{
    Q_OBJECT

public:
    // The camera's window opens beside `keepClear`, the weights, not over them.
    IpCameraPanel(IpCameraControl &camera, VideoPhotos &video, QWidget *mainWindow, const QWidget *keepClear);
    ~IpCameraPanel() override;

    // The menu entry "IP" after the gate.
    void open();

    QComboBox *cameraList() const { return m_list; }
    QLineEdit *field(int f) const { return m_fields[size_t(f)]; }
    QLineEdit *commandField() const { return m_command; }
    QPushButton *button(const QString &caption) const;
    // None until the camera first needed it.
    BrowserWindow *browserWindow() const { return m_browser; }

    // CameraBrowser
    void apply(const BrowserState &state) override;
    void navigate(const QString &address) override;
    void stop() override;
    QImage CaptureWindowRegion(const QRect &rect) override;
    QPoint placeFor(const QSize &window, std::optional<QPoint> remembered) override;

    // Why the page cannot be shown on this machine; empty when it can.
    static QString browserRefusal();

signals:
    // Said once: the camera's page cannot be shown here.
    void browserUnavailable(const QString &reason);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void follow();
    // A settings file that was not written is said; the panel stays.
    void said(const StoreResult &stored);
    BrowserWindow *browser();

    IpCameraControl &m_camera;
    VideoPhotos &m_video;
    QWidget *m_mainWindow;
    const QWidget *m_keepClear;
    QComboBox *m_list;
    std::array<QLineEdit *, 11> m_fields{};
    QLabel *m_commandLabel;
    QLineEdit *m_command;
    QPushButton *m_ok;
    BrowserWindow *m_browser = nullptr;
    bool m_following = false;
    bool m_refusalSaid = false;
};
