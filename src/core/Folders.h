#pragma once

#include <QDate>
#include <QString>

// The folders the program keeps. Every folder path ends with "/".
class Folders
{
public:
    Folders() = default;
    // Base folder inside `programFolder`; used as given (tests, portable copies).
    explicit Folders(const QString &programFolder);

    // The executable's folder when it can be written, else the per-user
    // data folder, so a read-only installation still keeps its data.
    static QString chooseProgramFolder(const QString &executableFolder);

    QString BaseFolder;
    QString SettingsFile;
    QString TemplateFolder;
    QString DataRoot;

    QString MonthDataFolder(const QDate &date) const;
    QString defaultLogPath() const { return BaseFolder + QStringLiteral("err.log"); }

    // `ResultFolder`, or the base folder when it does not exist.
    QString ResultRoot(const QString &resultFolder) const;
    // ResultRoot + year + month.
    QString MonthResultFolder(const QString &resultFolder, const QDate &date) const;

    // Creates the data root, year and month folder, each level where missing.
    bool createMonthDataFolder(const QDate &date) const;
    // The same for the result folder, year and month.
    bool createMonthResultFolder(const QString &resultFolder, const QDate &date) const;
};

// True when a file or folder of that name exists; false for "".
bool PathExists(const QString &path);

// Makes `folder` and then each of `levels` below it, one level at a time.
bool createLevels(const QString &folder, const QStringList &levels);

// Appends "/" unless the path already ends with a separator.
QString withSeparator(const QString &folder);
