#pragma once

#include "ExtraNames.h"
#include "PickListFile.h"
#include "PlusFile.h"

#include <QObject>
#include <QStringList>

#include <array>

// What the seven text parameters carry beside their values: the names and
// values of the constants of the value last looked up in each pick list,
// and the additional parameters of the card being entered. The data-entry
// frame, the constants window and the documents share one set.
class ParamExtras : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLists = ExtraNames::kTextParams;
    // "Вставить" fills the boxes in this order.
    static constexpr std::array<int, kLists> InsertOrder = {0, 1, 6, 5, 2, 3, 4};

    ParamExtras(ExtraNames &names, const QString &baseFolder, QObject *parent = nullptr);

    ExtraNames &names;
    // ДК-value(i, 0..24): the value last looked up in list i and its constants.
    std::array<ParamConstants, kLists> constantValues;
    // Whether that lookup found its value.
    std::array<bool, kLists> found{};
    // ДП-value(i, 1..10) of the card being entered or last inserted.
    ExtraParams extraValues;

    QString baseFolder() const { return m_baseFolder; }

    void LoadPickListHeaders();
    StoreResult WritePickListHeaders() const;
    bool FindPickListEntry(int i, const QString &value);
    // The entry from constantValues[i], over the entry of `value` or at the
    // end of the list; an empty value is no entry.
    StoreResult AddPickListEntry(int i, const QString &value);
    StoreResult RemovePickListEntry(int i, const QString &value);
    // The values of every list, for the seven parameter boxes.
    std::array<QStringList, kLists> Combo_1C() const;

    void loadNames();
    StoreResult saveNames() const;

    bool readCardExtras(const QString &plusPath, int card);

    // Box i changed its text: the additional values belonged to the old one.
    void boxChanged(int i);

signals:
    void extrasCleared(int i);

private:
    QString m_baseFolder;
};
