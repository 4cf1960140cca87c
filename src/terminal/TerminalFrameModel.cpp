#include "TerminalFrameModel.h"

#include "TerminalLink.h"
#include "TerminalProtocols.h"
#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/Numbers.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

TerminalFrameModel::TerminalFrameModel(AppContext &context, TerminalLink &link)
    : m_context(context)
    , m_link(link)
{
}

QStringList TerminalFrameModel::typeNames()
{
    return TerminalProtocols::typeNames();
}

QString TerminalFrameModel::coefficientLabel()
{
    return u"Коэф. кг/импл"_s;
}

QString TerminalFrameModel::decimalPlacesLabel()
{
    return u"Полож. точки"_s;
}

void TerminalFrameModel::load()
{
    const int type = storedType();
    m_selected = type >= 1 && type <= TerminalProtocols::kTypeCount ? type - 1 : -1;
}

void TerminalFrameModel::select(int index)
{
    m_selected = index >= 0 && index < TerminalProtocols::kTypeCount ? index : -1;
}

QString TerminalFrameModel::selectedText() const
{
    return TerminalProtocols::typeName(m_selected + 1);
}

bool TerminalFrameModel::extrasVisible() const
{
    const QString text = selectedText();
    return text == TerminalProtocols::typeName(3) || text == TerminalProtocols::typeName(7);
}

QString TerminalFrameModel::valueLabel() const
{
    const int type = valueEditable() ? storedType() : m_selected + 1;
    if (type == 3)
        return coefficientLabel();
    if (type == 7)
        return decimalPlacesLabel();
    return QString();
}

QString TerminalFrameModel::valueText() const
{
    switch (storedType()) {
    case 3: return NumberText(m_context.settings.ImpulseCoefficient);
    case 7: return QString::number(m_context.settings.DecimalPlaces);
    default: return QString();
    }
}

bool TerminalFrameModel::valueEditable() const
{
    return storedType() == 3 || storedType() == 7;
}

void TerminalFrameModel::saveValue(const QString &text)
{
    // The field shows numbers with a decimal comma, so it is read back the
    // same way; reading only up to the comma would store 0 for "0,5".
    const double value = ParseNumber(text);
    switch (storedType()) {
    case 3:
        // What the next start would make of a zero anyway.
        m_context.settings.ImpulseCoefficient = value == 0.0 ? 1.0 : value;
        break;
    case 7:
        m_context.settings.DecimalPlaces = int(std::clamp(std::trunc(value), 0.0, 3.0));
        break;
    default:
        break;
    }
}

void TerminalFrameModel::applySelection()
{
    if (m_selected >= 0)
        m_context.settings.TerminalType = m_selected + 1;
}

void TerminalFrameModel::sendZero()
{
    m_link.SendZero();
}

int TerminalFrameModel::storedType() const
{
    return m_context.settings.TerminalType;
}
