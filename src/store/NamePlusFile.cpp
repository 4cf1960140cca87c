#include "NamePlusFile.h"

#include "core/Cp1251.h"

#include <QFile>

using namespace NamePlusLayout;

QString namePlusPath(const QString &baseFolder)
{
    return baseFolder + QStringLiteral("Name_Plus.dat");
}

bool saveExtraNames(const ExtraNames &names, const QString &baseFolder)
{
    QByteArray bytes;
    bytes.reserve(kRecordSize * kRecordCount);
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            bytes.append(fixedField1251(names.extraNames[std::size_t(i)][std::size_t(j)], kRecordSize));
    QFile file(namePlusPath(baseFolder));
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.flush();
}
