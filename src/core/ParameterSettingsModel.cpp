#include "ParameterSettingsModel.h"

#include "AppContext.h"
#include "Cp1251.h"
#include "EventLog.h"
#include "Folders.h"
#include "Formats.h"
#include "SettingsChange.h"
#include "SettingsFile.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, ParameterSettingsModel::ParamCount> kDescriptions = {
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"строка, до 128 знаков"_s,
    u"дата, окончания взвешивания"_s,
    u"время, окончания взвешивания"_s,
    u"число, % засора груза"_s,
    u"число, номер взвешивания глобальный"_s,
    u"число, номер взвешивания с нач. дня"_s,
    u"дата, начала взвешивания"_s,
    u"время, начала взвешивания"_s,
    u"строка, тип операции взвешивания"_s,
    u"строка, статус операции взвешивания"_s,
    u"число, вес полученный с весов (брутто)"_s,
    u"число, вес нетто: ОП(17)=ОП(16)-ОП(18)"_s,
    u"число, вес тары"_s,
    u"число, вес первого взвешивания"_s,
    u"число, вес второго взвешивания"_s,
    u"число, вес зас.: ОП(21)=ОП(17)*ОП(9)/100"_s,
    u"число, вес чис.: ОП(22)=ОП(17)-ОП(21)"_s,
    u"число, сумма нескольких взвешиваний"_s,
    u"число, количество взвеш. в сумме"_s,
};

// A text the settings file would change on storing: refused, because a
// code that reads back differently after a restart locks its holder out.
QString notStorable(const QString &text, int maxBytes = SettingsLayout::kTextMax)
{
    return u"Изменения не внесены: \""_s + text + u"\" не помещается в файл настроек (не более "_s
           + QString::number(maxBytes) + u" знаков кодировки Windows-1251)"_s;
}

QString firstNotStorable(const QStringList &texts)
{
    for (const QString &text : texts)
        if (!fitsSettingsText(text))
            return notStorable(text);
    return QString();
}

// The codes the login at the gate compares.
QStringList loginCodes(const Settings &s)
{
    QStringList codes{s.EngineerCode};
    for (const QString &code : s.OperatorCode)
        codes << code;
    return codes;
}

QString shadowWarning(const Settings &s)
{
    const QStringList shadowed = shadowedCodes(loginCodes(s));
    if (shadowed.isEmpty())
        return QString();
    return u"\n\nВнимание: при входе нельзя набрать код "_s + shadowed.join(u", "_s)
           + u": вход происходит раньше, по более короткому коду."_s;
}

// Every matching slot logs in in turn, so of several holders of one code
// only the last stays logged in: the others can never log in with it.
QString duplicateWarning(const Settings &s)
{
    QStringList lines;
    const auto lastHolder = [&s](const QString &code) {
        int last = -1;
        for (int j = 0; j < ParameterSettingsModel::OperatorSlots; ++j)
            if (s.OperatorCode[size_t(j)] == code)
                last = j;
        return last;
    };
    const auto warn = [&lines](const QString &loser, const QString &code, const QString &winner) {
        lines << u"оператор \""_s + loser + u"\" не сможет войти по коду \""_s + code
                     + u"\": по этому коду входит \""_s + winner + u"\""_s;
    };
    if (const int j = lastHolder(s.EngineerCode); !s.EngineerCode.isEmpty() && j >= 0)
        warn(s.EngineerName, s.EngineerCode, s.OperatorName[size_t(j)]);
    for (int i = 0; i < ParameterSettingsModel::OperatorSlots; ++i) {
        const QString &code = s.OperatorCode[size_t(i)];
        if (const int j = lastHolder(code); !code.isEmpty() && j > i)
            warn(s.OperatorName[size_t(i)], code, s.OperatorName[size_t(j)]);
    }
    if (lines.isEmpty())
        return QString();
    return u"\n\nВнимание: "_s + lines.join(u";\n"_s) + u'.';
}

} // namespace

bool fitsSettingsText(const QString &text, int maxBytes)
{
    return length1251(text) <= maxBytes && decode1251(encode1251(text)) == text;
}

QStringList shadowedCodes(const QStringList &codes)
{
    QStringList shadowed;
    for (const QString &code : codes)
        for (const QString &shorter : codes)
            if (!shorter.isEmpty() && shorter.size() < code.size() && code.startsWith(shorter)) {
                const QString quoted = u'"' + code + u'"';
                if (!shadowed.contains(quoted))
                    shadowed << quoted;
                break;
            }
    return shadowed;
}

ParameterSettingsModel::ParameterSettingsModel(AppContext &context, EventLog &log, PendingResultWrites &pending,
                                               QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_pending(pending)
{
}

QString ParameterSettingsModel::rowLabel(int i)
{
    // Two blanks before the one-digit numbers, as the rows line up.
    return (i < 10 ? u"Имя параметра  ОП("_s : u"Имя параметра ОП("_s) + QString::number(i) + u')';
}

QString ParameterSettingsModel::rowDescription(int i)
{
    return i >= 0 && i < ParamCount ? kDescriptions[size_t(i)] : QString();
}

QString ParameterSettingsModel::folderBrowserTitle()
{
    return u"Выберите директорию для хранения результата:"_s;
}

QStringList ParameterSettingsModel::dayResultFileNames(const QDate &day)
{
    const QString date = ShortDateText(day);
    return {date + u".xls"_s, date + u"_1C.xls"_s, date + u".txt"_s, date + u"_1C.txt"_s};
}

void ParameterSettingsModel::load()
{
    loadFields();
    m_oldCode = m_context.settings.EngineerCode;
    m_loaded = true;
    emit fieldsChanged();
}

void ParameterSettingsModel::loadFields()
{
    const Settings &s = m_context.settings;
    m_operatorNames = s.OperatorName;
    m_operatorCodes = s.OperatorCode;
    m_resultFolder = s.ResultFolder;
    m_logPath = s.LogPath;
    m_paramNames = s.ParamNames;
}

QString ParameterSettingsModel::stored(const QString &message)
{
    // A change not stored holds for this run only; the engineer must know that.
    const StoreResult result = storeSettingsChange(m_context, m_log);
    return result ? message : message + u"\n\n"_s + result.reason;
}

QString ParameterSettingsModel::SaveOperators()
{
    QStringList texts;
    for (int i = 0; i < OperatorSlots; ++i)
        texts << m_operatorNames[size_t(i)] << m_operatorCodes[size_t(i)];
    if (const QString refused = firstNotStorable(texts); !refused.isEmpty())
        return refused;
    Settings &s = m_context.settings;
    s.OperatorName = m_operatorNames;
    s.OperatorCode = m_operatorCodes;
    return stored(u"Изменения внесены"_s) + duplicateWarning(s) + shadowWarning(s);
}

QString ParameterSettingsModel::ChangeEngineerCode()
{
    Settings &s = m_context.settings;
    if (m_oldCode != s.EngineerCode)
        return u"Старый код неверен"_s;
    if (m_confirmCode != m_newCode)
        return u"Новый код не подтвержден"_s;
    if (m_newCode.isEmpty())
        return QString();
    if (!fitsSettingsText(m_newCode))
        return notStorable(m_newCode);
    s.EngineerCode = m_newCode;
    return stored(u"Код изменен"_s) + duplicateWarning(s) + shadowWarning(s);
}

QString ParameterSettingsModel::ChooseResultFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QString chosen = withSeparator(folder);
    // A cut path would send the results elsewhere after the next start.
    if (!fitsSettingsText(chosen))
        return notStorable(chosen);
    const QString oldMonthFolder = m_context.MonthResultFolder();
    m_context.settings.ResultFolder = chosen;
    m_resultFolder = chosen;
    m_context.folders.createMonthResultFolder(chosen, m_context.clock.today());
    const QString moved = moveTodayResults(oldMonthFolder);
    emit fieldsChanged();
    return stored(u"Данные сохранены"_s) + moved;
}

QString ParameterSettingsModel::moveTodayResults(const QString &fromFolder)
{
    const QString toFolder = m_context.MonthResultFolder();
    const QString from = QFileInfo(fromFolder).canonicalFilePath();
    if (from.isEmpty() || from == QFileInfo(toFolder).canonicalFilePath())
        return QString();
    // A workbook still being written would be left half in each folder.
    m_pending.finish();
    QStringList kept;
    for (const QString &name : dayResultFileNames(m_context.clock.today())) {
        const QString source = fromFolder + name;
        if (!QFileInfo::exists(source))
            continue;
        const QString target = toFolder + name;
        // Never over a file of the same name: both stay, the old one is said.
        if (QFileInfo::exists(target) || !QFile::rename(source, target)) {
            m_log.WriteLog(u"Файл не перенесен: "_s + source + u" -> "_s + toFolder);
            kept << name;
        }
    }
    if (kept.isEmpty())
        return QString();
    return u"\n\nНе перенесены в новую папку: "_s + kept.join(u", "_s) + u" (остались в "_s + fromFolder + u')';
}

QString ParameterSettingsModel::SaveParamNames()
{
    if (const QString refused = firstNotStorable(QStringList(m_paramNames.begin(), m_paramNames.end()));
        !refused.isEmpty())
        return refused;
    m_context.settings.ParamNames = m_paramNames;
    const QString message = stored(u"Данные сохранены"_s);
    emit paramNamesChanged();
    return message;
}

QString ParameterSettingsModel::ChooseLogFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QString path = withSeparator(folder) + u"err.log"_s;
    if (!fitsSettingsText(path, SettingsLayout::kVariantTextMax))
        return notStorable(path, SettingsLayout::kVariantTextMax);
    const QString message = m_log.ChooseLogFolder(folder);
    m_logPath = m_context.settings.LogPath;
    emit fieldsChanged();
    return message;
}

QString ParameterSettingsModel::ClearLog()
{
    return m_log.ClearLog();
}

QString ParameterSettingsModel::ResetAllSettings()
{
    const QString oldMonthFolder = m_context.MonthResultFolder();
    m_context.ApplyDefaults();
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, m_context.clock.today());
    // Today's results follow the result folder, as on choosing one.
    const QString moved = moveTodayResults(oldMonthFolder);
    QString message = stored(u"Настройки установлены по умолчанию"_s);
    // The fields show what is now in force, so a later "Изменить" cannot
    // bring old values back unnoticed.
    loadFields();
    m_oldCode = m_context.settings.EngineerCode;
    emit fieldsChanged();
    emit settingsReset();
    emit paramNamesChanged();
    return message + moved;
}
