#pragma once

#include <QIcon>

// The program's icon, drawn rather than shipped: a truck on a weighbridge.
QIcon programIcon();
