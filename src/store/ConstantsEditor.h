#pragma once

#include "core/StoreResult.h"

#include "ExtraNames.h"
#include "PickListFile.h"

#include <QObject>
#include <QString>

#include <array>

class AppContext;
class ParamExtras;

// The constants window "Константы основного параметра" without its widgets:
// for one text parameter, the pick-list entry of the value typed in the
// data-entry frame (25 names and values) and the ten additional parameters
// of the card being entered, stored on closing as the permissions allow.
class ConstantsEditor : public QObject
{
    Q_OBJECT

public:
    static constexpr int Constants = ExtraNames::kConstants; // rows 1..24, row 0 the value
    static constexpr int Extras = ExtraNames::kExtras;       // rows 1..10

    ConstantsEditor(AppContext &context, ParamExtras &extras, QObject *parent = nullptr);

    static QString addCaption();    // "Добавить в список"
    static QString removeCaption(); // "Удалить из списка"

    // "+" beside text parameter p with `typed` in its box; false (and the
    // window stays hidden) when the trimmed text is empty.
    bool OpenConstantsEditor(int p, const QString &typed);
    // "Закрыть".
    void CloseConstantsEditor();
    // The add/remove button, by its caption.
    void pressListButton();
    void AddValueToList();
    void RemoveValueFromList();

    int param() const { return m_p; }
    bool visible() const { return m_visible; }
    bool EntryFound() const { return m_found; }
    bool framesVisible() const { return m_found; }
    bool listButtonVisible() const { return m_buttonVisible; }
    QString listButtonCaption() const { return m_found ? removeCaption() : addCaption(); }
    bool namesEditable() const { return m_namesEditable; }
    bool constantValuesEditable() const { return m_valuesEditable; }

    // "ДК(p,k)" and "ДП(p,k)".
    QString constantLabel(int k) const;
    QString extraLabel(int k) const;
    QString constantName(int k) const { return m_constantNames[size_t(k)]; }
    QString constantValue(int k) const { return m_constantValues[size_t(k)]; }
    QString extraName(int k) const { return m_extraNames[size_t(k)]; }
    QString extraValue(int k) const { return m_extraValues[size_t(k)]; }
    void setConstantName(int k, const QString &text);
    void setConstantValue(int k, const QString &text);
    void setExtraName(int k, const QString &text);
    void setExtraValue(int k, const QString &text);

signals:
    void changed();
    // The pick list of p was written: its box offers the list again.
    void pickListChanged(int p);
    // A list or a names file could not be written: the operator must know.
    void storeFailed(const QString &text);

private:
    // Whether `stored` succeeded; a failure is said.
    bool said(const StoreResult &stored);
    void applyPermissions();
    // The constant names and values of p from the window; the name of
    // constant 0 of every text parameter is that parameter's name.
    void takeConstantNames();
    void takeExtraNames();
    void takeExtraValues();

    AppContext &m_context;
    ParamExtras &m_extras;
    int m_p = 0;
    bool m_visible = false;
    bool m_found = false;
    bool m_buttonVisible = false;
    bool m_namesEditable = false;
    bool m_valuesEditable = false;
    // The value the entry was found under, as the list holds it.
    QString m_loadedValue;
    ParamConstants m_constantNames;
    ParamConstants m_constantValues;
    std::array<QString, Extras + 1> m_extraNames;
    std::array<QString, Extras + 1> m_extraValues;
};
