#include "WindowPlace.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

QPoint insideScreen(const QPoint &topLeft, const QSize &window, const QRect &screen)
{
    // Larger than the screen: its top left corner stays in sight.
    const int x = std::clamp(topLeft.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - window.width()));
    const int y = std::clamp(topLeft.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - window.height()));
    return {x, y};
}

QPoint placeBeside(const QSize &window, const QRect &mainFrame, const QRect &keepClear, const QRect &screen)
{
    const int top = insideScreen(keepClear.topLeft(), window, screen).y();
    const auto fits = [&](const QPoint &p) { return screen.contains(QRect(p, window)); };
    if (const QPoint right(mainFrame.right() + 1, top); fits(right))
        return right;
    if (const QPoint left(mainFrame.left() - window.width(), top); fits(left))
        return left;
    // Over the lists under the weights, at the right edge where the card
    // list's last columns are the least needed.
    const QPoint below(keepClear.right() + 1 - window.width(), keepClear.bottom() + 1);
    return insideScreen(below, window, screen);
}

} // namespace

QPoint openingPlace(const QSize &window, std::optional<QPoint> remembered, const QWidget *keepClear)
{
    const QScreen *screen = keepClear->screen() ? keepClear->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (remembered)
        return insideScreen(*remembered, window, free);
    const QRect area(keepClear->mapToGlobal(QPoint(0, 0)), keepClear->size());
    return placeBeside(window, keepClear->window()->frameGeometry(), area, free);
}
