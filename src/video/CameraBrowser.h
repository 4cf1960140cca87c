#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

// Where the browser window is and what it shows, in pixels of the screen.
struct BrowserState
{
    bool visible = false;
    QString caption;
    // The window: its top-left corner on the screen and its client size.
    QRect window;
    // The browser control within the window's client area.
    QRect control;
    bool controlVisible = false;
};

// The window that shows a camera's page. The IP camera places it and asks
// it for photos; the window itself lives with the other windows.
class CameraBrowser
{
public:
    virtual ~CameraBrowser() = default;
    virtual void apply(const BrowserState &state) = 0;
    // Asynchronous: the page loads by itself, nobody waits for it.
    virtual void navigate(const QString &address) = 0;
    virtual void stop() = 0;
    // The client area's `rect` as it is drawn now; outside the window black.
    virtual QImage CaptureWindowRegion(const QRect &rect) = 0;
    // Where a window of this size opens: where its user last put it, else
    // out of the way of the weights.
    virtual QPoint placeFor(const QSize &, std::optional<QPoint> remembered) { return remembered.value_or(QPoint()); }
};

// No browser (the program without its windows): nothing shown, no photos.
class NoCameraBrowser final : public CameraBrowser
{
public:
    void apply(const BrowserState &) override {}
    void navigate(const QString &) override {}
    void stop() override {}
    QImage CaptureWindowRegion(const QRect &) override { return {}; }
};
