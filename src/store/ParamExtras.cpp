#include "ParamExtras.h"

#include "NamePlusFile.h"

#include <QFile>

using namespace Qt::StringLiterals;

ParamExtras::ParamExtras(ExtraNames &names, const QString &baseFolder, QObject *parent)
    : QObject(parent)
    , names(names)
    , m_baseFolder(baseFolder)
{
}

void ParamExtras::LoadPickListHeaders()
{
    ::LoadPickListHeaders(names, m_baseFolder);
}

StoreResult ParamExtras::WritePickListHeaders() const
{
    return ::WritePickListHeaders(names, m_baseFolder);
}

bool ParamExtras::FindPickListEntry(int i, const QString &value)
{
    if (i < 0 || i >= kLists)
        return false;
    const std::optional<ParamConstants> entry = PickListFile(pickListPath(m_baseFolder, i)).find(value);
    constantValues[std::size_t(i)] = entry.value_or(ParamConstants());
    found[std::size_t(i)] = entry.has_value();
    return found[std::size_t(i)];
}

StoreResult ParamExtras::AddPickListEntry(int i, const QString &value)
{
    if (i < 0 || i >= kLists || value.trimmed().isEmpty())
        return StoreResult::failed(u"пустое значение"_s);
    return PickListFile(pickListPath(m_baseFolder, i))
        .add(value, constantValues[std::size_t(i)], names.constantNames[std::size_t(i)]);
}

StoreResult ParamExtras::RemovePickListEntry(int i, const QString &value)
{
    if (i < 0 || i >= kLists)
        return StoreResult::failed(u"нет списка %1"_s.arg(i + 1));
    return PickListFile(pickListPath(m_baseFolder, i)).remove(value);
}

std::array<QStringList, ParamExtras::kLists> ParamExtras::Combo_1C() const
{
    std::array<QStringList, kLists> lists;
    for (int i = 0; i < kLists; ++i)
        lists[std::size_t(i)] = PickListFile(pickListPath(m_baseFolder, i)).values();
    return lists;
}

void ParamExtras::loadNames()
{
    loadExtraNames(names, m_baseFolder);
}

StoreResult ParamExtras::saveNames() const
{
    return saveExtraNames(names, m_baseFolder);
}

bool ParamExtras::readCardExtras(const QString &plusPath, int card)
{
    extraValues = PlusFile(plusPath).read(card);
    return QFile::exists(plusPath);
}

void ParamExtras::boxChanged(int i)
{
    if (i < 0 || i >= kLists)
        return;
    for (int j = 1; j <= ExtraNames::kExtras; ++j)
        extraValues[std::size_t(i)][std::size_t(j)].clear();
    emit extrasCleared(i);
}
