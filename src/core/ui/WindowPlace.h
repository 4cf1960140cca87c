#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

class QWidget;

// Where a helper window (a camera picture) of `window` size, frame included,
// opens: where its user last put it, pulled back inside the screen (it may
// have been put on a larger or a second one); else where `keepClear`, the
// weights, stays in sight: right of the main window, else left of it, else
// under `keepClear`, always inside the screen's free area.
QPoint openingPlace(const QSize &window, std::optional<QPoint> remembered, const QWidget *keepClear);
