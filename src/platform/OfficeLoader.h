#pragma once

#include "SpreadsheetApplication.h"

#include <QString>
#include <memory>

// The office plugin beside the executable, else the one of the build it
// came from. Nothing when neither loads (no office, no UNO libraries).
std::unique_ptr<SpreadsheetApplication> loadSpreadsheetApplication(const QString &executableFolder);
