#include "Folders.h"

#include "Formats.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

Folders::Folders(const QString &programFolder)
{
    BaseFolder = withSeparator(programFolder) + u"Tarvo v.3.00/"_s;
    SettingsFile = BaseFolder + u"tarvo v.3.00.eng"_s;
    TemplateFolder = BaseFolder + u"Schablon/"_s;
    DataRoot = BaseFolder + u"Data/"_s;
}

QString Folders::chooseProgramFolder(const QString &executableFolder)
{
    const QFileInfo info(executableFolder);
    if (info.isDir() && info.isWritable())
        return executableFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(userFolder);
    return userFolder;
}

QString Folders::MonthDataFolder(const QDate &date) const
{
    return DataRoot + QString::number(date.year()) + u'/' + MonthFolderName(date.month()) + u'/';
}

QString Folders::ResultRoot(const QString &resultFolder) const
{
    return PathExists(resultFolder) ? withSeparator(resultFolder) : BaseFolder;
}

QString Folders::MonthResultFolder(const QString &resultFolder, const QDate &date) const
{
    return ResultRoot(resultFolder) + QString::number(date.year()) + u'/' + MonthFolderName(date.month()) + u'/';
}

bool Folders::createMonthDataFolder(const QDate &date) const
{
    return createLevels(BaseFolder, {u"Data"_s, QString::number(date.year()), MonthFolderName(date.month())});
}

bool Folders::createMonthResultFolder(const QString &resultFolder, const QDate &date) const
{
    return createLevels(ResultRoot(resultFolder), {QString::number(date.year()), MonthFolderName(date.month())});
}

bool PathExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool createLevels(const QString &folder, const QStringList &levels)
{
    QDir dir;
    QString path = withSeparator(folder);
    if (!PathExists(path) && !dir.mkdir(path))
        return false;
    for (const QString &level : levels) {
        path += level + u'/';
        if (!PathExists(path) && !dir.mkdir(path))
            return false;
    }
    return true;
}

QString withSeparator(const QString &folder)
{
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        return folder;
    return folder + u'/';
}
