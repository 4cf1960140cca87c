#pragma once

#include <QString>

class QWidget;

// The folder browser of the settings windows; "" when cancelled.
QString chooseFolder(QWidget *parent);
