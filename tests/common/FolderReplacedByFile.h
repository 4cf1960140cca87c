#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// A folder nothing can be written into, for as long as this lives: the
// folder is moved aside and a regular file takes its name, so every file
// call below it fails in the system ("Не является папкой"), for root too.
// The folder comes back as it was.
class FolderReplacedByFile
{
public:
    explicit FolderReplacedByFile(const QString &folder)
        : m_folder(QDir::cleanPath(folder))
        , m_aside(m_folder + QStringLiteral(".aside"))
    {
        QFile file(m_folder);
        m_ok = QDir().rename(m_folder, m_aside) && file.open(QIODevice::WriteOnly);
    }
    ~FolderReplacedByFile()
    {
        QFile::remove(m_folder);
        QDir().rename(m_aside, m_folder);
    }
    FolderReplacedByFile(const FolderReplacedByFile &) = delete;
    FolderReplacedByFile &operator=(const FolderReplacedByFile &) = delete;

    bool ok() const { return m_ok; }

private:
    QString m_folder;
    QString m_aside;
    bool m_ok = false;
};
