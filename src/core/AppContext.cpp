#include "AppContext.h"

#include "SettingsFile.h"
#include "CommitLog.h"
#include "WriteJournal.h"

#include <QFile>
#include <QFileInfo>

#include <QDir>
#include <QDirIterator>

using namespace Qt::StringLiterals;

AppContext::AppContext(Clock &clock, const Folders &folders)
    : clock(clock)
    , folders(folders)
{
    operatorSettings.load(OperatorSettings::pathBeside(folders.SettingsFile));
}

void AppContext::ApplyDefaults()
{
    ::ApplyDefaults(settings, folders);
}

StoreResult AppContext::storeSettings()
{
    const StoreResult stored = StoreSettings(settings, folders.SettingsFile);
    if (stored && settingsObserver)
        settingsObserver->settingsStored();
    return stored;
}

StoreResult AppContext::storeOperatorSettings() const
{
    const StoreResult stored = operatorSettings.store(OperatorSettings::pathBeside(folders.SettingsFile));
    if (stored && settingsObserver)
        settingsObserver->settingsStored();
    return stored;
}

namespace {

void noteRecoveries(const QList<WriteJournal::Recovery> &found, QStringList &lines)
{
    for (const WriteJournal::Recovery &r : found) {
        const QString name = r.file.isEmpty() ? u"?"_s : QFileInfo(r.file).fileName();
        if (r.replayed)
            lines << u"Прерванная запись в файл %1 завершена при запуске"_s.arg(name);
        else if (r.failed)
            lines << u"Прерванная запись в файл %1 не завершена: %2"_s.arg(name, r.reason);
        else
            lines << u"Прерванная запись в файл %1 отброшена: %2"_s.arg(name, r.reason);
    }
}

// Whether any month folder below `dataRoot` holds a file.
bool holdsDayFiles(const QString &dataRoot)
{
    QDirIterator it(dataRoot, {u"*.dat"_s}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SettingsStart AppContext::LoadOrCreateSettings(bool *firstStartOut)
{
    SettingsStart start;
    const bool baseFolderExists = PathExists(folders.BaseFolder);
    // A write cut off by a power cut is finished (or dropped when it never
    // got going) before anything reads the files.
    if (baseFolderExists) {
        noteRecoveries(WriteJournal::recover(folders.BaseFolder), start.logLines);
        noteRecoveries(WriteJournal::recoverTree(folders.DataRoot), start.logLines);
        // The card changes last: they are newer than anything those held.
        noteRecoveries(CommitLog::recover(CommitLog::pathIn(folders.BaseFolder)), start.logLines);
        // What a save interrupted by a crash left beside the settings file.
        removeLeftoverSaveFiles(folders.SettingsFile);
    }
    const bool settingsExist = PathExists(folders.SettingsFile);
    // A settings file deleted since: its last good copy takes its place.
    const QByteArray kept = baseFolderExists && !settingsExist ? readAll(lastGoodCopyPath(folders.SettingsFile)) : QByteArray();
    const bool fromCopy = !kept.isEmpty() && settingsDamage(kept).isEmpty();
    const bool firstStart = !baseFolderExists || (!settingsExist && !fromCopy);
    if (fromCopy) {
        ApplyDefaults();
        decodeSettings(kept, settings);
        start.logLines << u"Файл настроек не найден"_s << u"Настройки взяты из последней сохранённой копии"_s;
        start.message = u"Файл настроек не найден.\nНастройки взяты из последней сохранённой копии."_s;
        start.stored = storeSettings();
        settingsRenewed = true;
    } else if (firstStart) {
        // Day files without settings: the file was lost, not never made.
        if (baseFolderExists && holdsDayFiles(folders.DataRoot)) {
            start.logLines << u"Файл настроек не найден"_s << u"Настройки взяты по умолчанию"_s;
            start.message = u"Файл настроек не найден.\nНастройки взяты по умолчанию."_s;
        }
        QDir().mkpath(folders.BaseFolder);
        ApplyDefaults();
        start.stored = storeSettings();
        // Cards stored before the file was lost must not have their IDs again.
        settingsRenewed = true;
    } else if (const QByteArray bytes = readAll(folders.SettingsFile); settingsDamage(bytes).isEmpty()) {
        decodeSettings(bytes, settings);
    } else {
        restoreSettings(settingsDamage(bytes), start);
    }
    // The exchange texts lie where the settings say.
    if (baseFolderExists)
        noteRecoveries(WriteJournal::recoverTree(folders.ResultRoot(settings.ResultFolder)),
                       start.logLines);
    folders.createMonthDataFolder(clock.today());
    if (!PathExists(folders.TemplateFolder))
        QDir().mkdir(folders.TemplateFolder);
    if (firstStartOut)
        *firstStartOut = firstStart;
    return start;
}

void AppContext::restoreSettings(const QString &damage, SettingsStart &start)
{
    const QString path = folders.SettingsFile;
    const QString aside = damagedCopyPath(path, clock.today());
    const QString asideName = QFileInfo(aside).fileName();
    const bool moved = QFile::rename(path, aside);
    start.logLines << (moved ? u"Файл настроек повреждён (%1), перенесён в %2"_s.arg(damage, asideName)
                             : u"Файл настроек повреждён (%1) и не перенесён"_s.arg(damage));

    const QByteArray good = readAll(lastGoodCopyPath(path));
    const bool fromCopy = !good.isEmpty() && settingsDamage(good).isEmpty();
    ApplyDefaults();
    if (fromCopy)
        decodeSettings(good, settings);
    const QString source = fromCopy ? u"из последней сохранённой копии"_s : u"по умолчанию"_s;
    start.logLines << u"Настройки взяты "_s + source;
    start.message = u"Файл настроек повреждён: %1.\n%2\nНастройки взяты %3."_s.arg(
        damage, moved ? u"Он сохранён как «%1»."_s.arg(asideName) : u"Перенести его не удалось."_s, source);
    start.stored = storeSettings();
    settingsRenewed = true;
}

void AppContext::createMonthFolders() const
{
    folders.createMonthDataFolder(clock.today());
    folders.createMonthResultFolder(settings.ResultFolder, clock.today());
}
