#pragma once

#include <QDateTime>
#include <QString>

// The main window's title, rebuilt every second.
QString mainWindowTitle(const QDateTime &now, const QString &currentOperator);
