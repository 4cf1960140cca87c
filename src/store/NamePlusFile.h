#pragma once

#include "ExtraNames.h"
#include "core/StoreResult.h"

#include <QString>

// "Name_Plus.dat": 128-byte records, record i*10 + j naming additional
// parameter j of text parameter i.
namespace NamePlusLayout {
constexpr int kRecordSize = 128;
constexpr int kRecordCount = 70;
} // namespace NamePlusLayout

QString namePlusPath(const QString &baseFolder);

// Writes all 70 additional-parameter names.
StoreResult saveExtraNames(const ExtraNames &names, const QString &baseFolder);
// The names of a first start or of a reset: the factory names, into the
// name file and the headers of the pick lists. A first start keeps the files
// already there: settings lost beside them must not take the engineer's names.
enum class ExistingNameFiles { Replace, Keep };
StoreResult writeDefaultNames(ExtraNames &names, const std::array<QString, 25> &paramNames, const QString &baseFolder,
                       ExistingNameFiles existing);
// Reads all 70; a blank name gets "Доп. параметр №" and its number.
void loadExtraNames(ExtraNames &names, const QString &baseFolder);
