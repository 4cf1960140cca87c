#pragma once

#include "CameraBrowser.h"
#include "IpCamera.h"
#include "core/StoreResult.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <array>

class AppContext;
class EventLog;

// One camera definition; numbers in twips.
struct IpCameraRecord
{
    QString CameraUrl;
    qint32 BrowserWidth = 0;
    qint32 BrowserHeight = 0;
    qint32 BrowserShiftRight = 0;
    qint32 BrowserShiftDown = 0;
    QString CameraLogin;
    QString CameraDescription;
    qint32 PhotoWidth = 0;
    qint32 PhotoHeight = 0;
    qint32 PhotoShiftRight = 0;
    qint32 PhotoShiftDown = 0;
};

// The IP camera: the panel "Видеозахват IP" as plain values, the browser
// window's place and page, and the photo taken a second after it is asked
// for. Cameras 1..3 live in the settings; record 0 only in memory.
class IpCameraControl final : public QObject, public IpCamera
{
    Q_OBJECT

public:
    // The panel's eleven fields.
    enum Field {
        Login, Url, Description, BrowserHeight, BrowserWidth, BrowserShiftRight, BrowserShiftDown,
        PhotoHeight, PhotoWidth, PhotoShiftRight, PhotoShiftDown, FieldCount
    };
    static constexpr int PhotoDelayMs = 1000;
    // The window is this much larger than the photo, both ways.
    static constexpr int WindowMargin = 500;

    IpCameraControl(AppContext &context, EventLog &log, QObject *parent = nullptr);

    // The window that shows the page; none: nothing is shown or photographed.
    void setBrowser(CameraBrowser *browser);

    IpCameraRecord record(int n) const;
    // n = the camera list's value, rounded down; a value no record has
    // (negative, above 3) is record 0.
    int cameraNumber() const;

    // The panel.
    const QString &listText() const { return m_listText; }
    void setListText(const QString &text);
    // A click on the list: its entry chosen, the fields loaded, the panel shown.
    void chooseCamera(const QString &text);
    void LoadCameraFields();
    const QString &field(int f) const { return m_fields[size_t(f)]; }
    void setField(int f, const QString &text);
    const QString &panelCaption() const { return m_panelCaption; }
    bool panelVisible() const { return m_panelVisible; }
    // Menu "IP" after the gate: the stored camera chosen, its fields, the panel.
    void openPanel();
    void hidePanel();
    const QString &commandText() const { return m_commandText; }
    void setCommandText(const QString &text);
    bool commandVisible() const { return m_commandVisible; }

    // "Ok", "Сохранить", "Подогнать", "Без подгонки". "Сохранить" and
    // "Подогнать" store the settings and return what became of that.
    void ok();
    StoreResult save();
    StoreResult fit();
    void noFit(const QSize &mainWindow);

    // The browser window and its page as the program put them.
    const BrowserState &browser() const { return m_browser; }
    const QString &address() const { return m_address; }
    bool isOn() const { return m_on; }
    bool photoPending() const { return m_photoTimer.isActive(); }
    // The window moved or closed by its user.
    void browserMoved(const QPoint &topLeft);
    // Where its user put the window before; it opens there again.
    void setBrowserPosition(const QPoint &topLeft) { m_position = topLeft; }
    void browserClosed();

    int toPixelsX(qint64 twips) const;
    int toPixelsY(qint64 twips) const;

    // IpCamera
    void selectStoredCamera() override;
    void switchOn() override;
    void switchOff() override;
    void setWindowShown(bool shown) override;
    void Make_Foto_IP(const QString &path) override;

signals:
    void changed();
    // A photo grabbed for `path`; null when the window gave none.
    void photoTaken(const QString &path, const QImage &image);
    // The user moved the browser window.
    void browserPlaced(const QPoint &topLeft);

private:
    void setRecord(int n, const IpCameraRecord &r);
    void applyGeometry(const IpCameraRecord &r);
    void photoTimerFired();
    void applyBrowser();

    AppContext &m_context;
    EventLog &m_log;
    NoCameraBrowser m_noBrowser;
    CameraBrowser *m_view;
    IpCameraRecord m_record0;
    QString m_listText = QStringLiteral("1");
    std::array<QString, FieldCount> m_fields;
    QString m_panelCaption;
    bool m_panelVisible = false;
    QString m_commandText;
    bool m_commandVisible = false;
    bool m_on = false;
    BrowserState m_browser;
    std::optional<QPoint> m_position;
    QString m_address;
    QTimer m_photoTimer;
    QStringList m_photoPaths;
    QPoint m_photoReturn;
    bool m_photoWasHidden = false;
};
