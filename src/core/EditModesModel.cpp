#include "EditModesModel.h"

#include "AppContext.h"
#include "EventLog.h"
#include "ParameterSettingsModel.h"
#include "SettingsChange.h"
#include "SettingsFile.h"

using namespace Qt::StringLiterals;

EditModesModel::EditModesModel(AppContext &context, EventLog &log, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
{
}

QString EditModesModel::title()
{
    return u"Настройка режимов правки данных"_s;
}

QString EditModesModel::permissionCaption(int i)
{
    static const std::array<QString, PermissionCount> captions = {
        u"Разрешить команду меню \"Править\""_s,
        u"Разрешить исправлять основные параметры"_s,
        u"Разрешить исправлять дополнительные параметры"_s,
        u"Разрешить исправлять имена доп. параметров и констант"_s,
        u"Разрешить изменять значения констант"_s,
        u"Разрешить добавлять элемент в список "_s,
    };
    return i >= 0 && i < PermissionCount ? captions[size_t(i)] : QString();
}

void EditModesModel::activate()
{
    for (int i = 0; i < PermissionCount; ++i)
        m_boxes[size_t(i)] = m_context.settings.EditPermissions[size_t(i)] == 1;
    emit fieldsChanged();
}

QString EditModesModel::ChangeEditCode()
{
    if (m_repeatCode != m_newCode)
        return u"Повтор пароля  не совпал!"_s;
    // A code that reads back differently after a restart would lock
    // correction out for good.
    if (!fitsSettingsText(m_repeatCode))
        return u"Пароль не изменен: \""_s + m_repeatCode + u"\" не помещается в файл настроек (не более "_s
               + QString::number(SettingsLayout::kTextMax) + u" знаков кодировки Windows-1251)"_s;
    m_context.settings.EditCode = m_repeatCode;
    const StoreResult result = storeSettingsChange(m_context, m_log);
    return result ? u"Пароль изменен"_s : u"Пароль изменен\n\n"_s + result.reason;
}

void EditModesModel::SavePermissions()
{
    for (int i = 0; i < PermissionCount; ++i)
        m_context.settings.EditPermissions[size_t(i)] = m_boxes[size_t(i)] ? 1 : 0;
}
