#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where a helper window (a camera picture) opens so that `keepClear`, the
// weights, stays in sight: right of the main window, else left of it, else
// under `keepClear`; always inside the screen's free area.
QPoint placeBeside(const QSize &window, const QRect &mainFrame, const QRect &keepClear, const QRect &screen);

// The same for a widget on screen: its window's frame, its place, its screen.
QPoint placeBeside(const QSize &window, const QWidget *keepClear);

// The free area of the screen `widget`'s window is on.
QRect freeScreenArea(const QWidget *widget);

// A remembered place pulled back inside the screen, so a window put there on
// a larger or a second screen is not lost.
QPoint insideScreen(const QPoint &topLeft, const QSize &window, const QRect &screen);
