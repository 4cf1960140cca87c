#pragma once

#include "SpreadsheetApplication.h"

#include <QString>
#include <QStringList>
#include <memory>

// Where the office plugin is looked for, in order: beside the executable
// (a build) and in the installed library folder relative to it, first for
// the given folder, then for the running program's own.
QStringList officePluginCandidates(const QString &executableFolder);

// The first of those that loads. Nothing when none does (no office, no UNO
// libraries).
std::unique_ptr<SpreadsheetApplication> loadSpreadsheetApplication(const QString &executableFolder);
