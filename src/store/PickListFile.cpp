#include "PickListFile.h"

#include "core/Cp1251.h"

#include <QFile>

using namespace PickListLayout;

QString pickListPath(const QString &baseFolder, int list)
{
    return baseFolder + QString::number(list + 1) + QStringLiteral(".txt");
}

QByteArray encodePickListBlock(const std::array<QString, 25> &fields, bool header)
{
    QByteArray block;
    block.reserve(kBlockSize);
    for (int k = 1; k <= kRecordsPerBlock; ++k) {
        block.append(k == 1 ? '{' : '[');
        block.append(fixedField1251(fields[std::size_t(k - 1)], kFieldSize));
        if (k == kRecordsPerBlock) {
            block.append("}\r\n");
        } else {
            const int number = k == 1 ? 1 : (header ? k : k - 1);
            block.append(']');
            block.append(QByteArray::number(number).rightJustified(2, '0'));
        }
    }
    return block;
}

bool WritePickListHeaders(const ExtraNames &names, const QString &baseFolder)
{
    bool ok = true;
    for (int i = 0; i < ExtraNames::kTextParams; ++i) {
        QFile file(pickListPath(baseFolder, i));
        const QByteArray block = encodePickListBlock(names.constantNames[std::size_t(i)], true);
        ok = file.open(QIODevice::ReadWrite) && file.write(block) == block.size() && file.flush() && ok;
    }
    return ok;
}
