#include "NamePlusFile.h"

#include "DurableWrite.h"
#include "PickListFile.h"
#include "PlusFile.h"
#include "core/Cp1251.h"

#include <QFile>
#include <QFileInfo>

using namespace NamePlusLayout;
using namespace Qt::StringLiterals;

QString namePlusPath(const QString &baseFolder)
{
    return baseFolder + QStringLiteral("Name_Plus.dat");
}

StoreResult saveExtraNames(const ExtraNames &names, const QString &baseFolder)
{
    QByteArray bytes;
    bytes.reserve(kRecordSize * kRecordCount);
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            bytes.append(fixedField1251(names.extraNames[std::size_t(i)][std::size_t(j)], kRecordSize));
    return writeDurably(namePlusPath(baseFolder), 0, bytes);
}

StoreResult writeDefaultNames(ExtraNames &names, const std::array<QString, 25> &paramNames, const QString &baseFolder,
                              ExistingNameFiles existing)
{
    names.applyDefaults(paramNames);
    const auto wanted = [existing](const QString &path) {
        return existing == ExistingNameFiles::Replace || !QFileInfo::exists(path);
    };
    // Every file is tried; the first failure is the one said.
    StoreResult result;
    const auto keep = [&result](const QString &path, const StoreResult &written) {
        if (!written && result)
            result = StoreResult::failed(QFileInfo(path).fileName() + u": "_s + written.reason);
    };
    if (wanted(namePlusPath(baseFolder)))
        keep(namePlusPath(baseFolder), saveExtraNames(names, baseFolder));
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        if (wanted(pickListPath(baseFolder, i)))
            keep(pickListPath(baseFolder, i), WritePickListHeader(names, baseFolder, i));
    return result;
}

void loadExtraNames(ExtraNames &names, const QString &baseFolder)
{
    QFile file(namePlusPath(baseFolder));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(kRecordSize * kRecordCount) : QByteArray();
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j) {
            const QString name = PlusFile::field(bytes, (i * ExtraNames::kExtras + j - 1) * kRecordSize);
            names.extraNames[std::size_t(i)][std::size_t(j)] =
                name.trimmed().isEmpty() ? u"Доп. параметр №"_s + QString::number(j) : name;
        }
}
