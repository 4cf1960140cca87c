#include "ConstantsEditor.h"

#include "ParamExtras.h"
#include "core/AppContext.h"

using namespace Qt::StringLiterals;

ConstantsEditor::ConstantsEditor(AppContext &context, ParamExtras &extras, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_extras(extras)
{
}

QString ConstantsEditor::addCaption() { return u"Добавить в список"_s; }
QString ConstantsEditor::removeCaption() { return u"Удалить из списка"_s; }

bool ConstantsEditor::OpenConstantsEditor(int p, const QString &typed)
{
    if (p < 0 || p >= ExtraNames::kTextParams)
        return false;
    const QString value = typed.trimmed();
    if (value.isEmpty())
        return false;
    m_p = p;
    const auto &names = m_extras.names;
    for (int k = 1; k <= Extras; ++k) {
        m_extraNames[size_t(k)] = names.extraNames[size_t(p)][size_t(k)].trimmed();
        m_extraValues[size_t(k)] = m_extras.extraValues[size_t(p)][size_t(k)].trimmed();
    }
    m_found = m_extras.FindPickListEntry(p, value);
    m_loadedValue = m_found ? m_extras.constantValues[size_t(p)][0].trimmed() : QString();
    m_constantValues[0] = value;
    m_constantNames[0] = names.constantNames[size_t(p)][0];
    for (int k = 1; k <= Constants; ++k) {
        m_constantNames[size_t(k)] = names.constantNames[size_t(p)][size_t(k)].trimmed();
        m_constantValues[size_t(k)] = m_extras.constantValues[size_t(p)][size_t(k)].trimmed();
    }
    m_visible = true;
    m_buttonVisible = m_context.settings.EditPermissions[5] == 1;
    applyPermissions();
    emit changed();
    return true;
}

void ConstantsEditor::applyPermissions()
{
    const auto &permissions = m_context.settings.EditPermissions;
    m_namesEditable = permissions[3] == 1;
    m_valuesEditable = permissions[4] == 1;
}

QString ConstantsEditor::constantLabel(int k) const
{
    return u"ДК(%1,%2)"_s.arg(m_p).arg(k);
}

QString ConstantsEditor::extraLabel(int k) const
{
    return u"ДП(%1,%2)"_s.arg(m_p).arg(k);
}

void ConstantsEditor::setConstantName(int k, const QString &text)
{
    if (k >= 0 && k <= Constants)
        m_constantNames[size_t(k)] = text;
}

void ConstantsEditor::setConstantValue(int k, const QString &text)
{
    if (k >= 0 && k <= Constants)
        m_constantValues[size_t(k)] = text;
}

void ConstantsEditor::setExtraName(int k, const QString &text)
{
    if (k >= 1 && k <= Extras)
        m_extraNames[size_t(k)] = text;
}

void ConstantsEditor::setExtraValue(int k, const QString &text)
{
    if (k >= 1 && k <= Extras)
        m_extraValues[size_t(k)] = text;
}

void ConstantsEditor::takeConstantNames()
{
    ExtraNames &names = m_extras.names;
    names.constantNames[size_t(m_p)] = m_constantNames;
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        names.constantNames[size_t(i)][0] = m_context.settings.ParamNames[size_t(i)];
}

void ConstantsEditor::takeExtraNames()
{
    for (int k = 1; k <= Extras; ++k)
        m_extras.names.extraNames[size_t(m_p)][size_t(k)] = m_extraNames[size_t(k)];
}

bool ConstantsEditor::said(const StoreResult &stored)
{
    if (!stored)
        emit storeFailed(QStringLiteral("Список %1 не записан: %2").arg(m_p + 1).arg(stored.reason));
    return bool(stored);
}

void ConstantsEditor::takeExtraValues()
{
    for (int k = 1; k <= Extras; ++k)
        m_extras.extraValues[size_t(m_p)][size_t(k)] = m_extraValues[size_t(k)];
}

void ConstantsEditor::CloseConstantsEditor()
{
    // A value that is not in the list has nothing to store.
    if (m_found) {
        const auto &permissions = m_context.settings.EditPermissions;
        takeExtraValues();
        if (permissions[3] == 1) {
            takeConstantNames();
            takeExtraNames();
            said(m_extras.saveNames());
            said(m_extras.WritePickListHeaders());
        }
        if (permissions[4] == 1) {
            m_extras.constantValues[size_t(m_p)] = m_constantValues;
            if (said(m_extras.AddPickListEntry(m_p, m_constantValues[0])))
                emit pickListChanged(m_p);
        }
    }
    m_visible = false;
    emit changed();
}

void ConstantsEditor::pressListButton()
{
    if (!m_buttonVisible)
        return;
    if (m_found)
        RemoveValueFromList();
    else
        AddValueToList();
}

void ConstantsEditor::AddValueToList()
{
    const QString value = m_constantValues[0].trimmed();
    if (value.isEmpty())
        return; // an empty value is no entry
    takeConstantNames();
    auto &values = m_extras.constantValues[size_t(m_p)];
    values = m_constantValues;
    values[0] = value;
    said(m_extras.WritePickListHeaders());
    said(m_extras.AddPickListEntry(m_p, value));
    takeExtraNames();
    said(m_extras.saveNames());
    takeExtraValues();
    m_extras.found[size_t(m_p)] = true;
    m_found = true;
    m_loadedValue = value;
    // Shown again only at the next opening.
    m_buttonVisible = false;
    emit pickListChanged(m_p);
    emit changed();
}

void ConstantsEditor::RemoveValueFromList()
{
    // The entry as it was found: a value typed over in row 0 names no entry.
    said(m_extras.RemovePickListEntry(m_p, m_loadedValue));
    m_extras.found[size_t(m_p)] = false;
    m_found = false;
    m_visible = false;
    emit pickListChanged(m_p);
    emit changed();
}
