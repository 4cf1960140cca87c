#include "FolderDialog.h"

#include <QFileDialog>

using namespace Qt::StringLiterals;

QString chooseFolder(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, u"Выберите директорию для хранения результата:"_s);
}
