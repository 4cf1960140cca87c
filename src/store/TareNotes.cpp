#include "TareNotes.h"

#include "DurableWrite.h"
#include "core/Cp1251.h"
#include "core/Formats.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

TareNotes::TareNotes(const QString &baseFolder)
    : m_path(baseFolder + u"TareNotes.txt"_s)
{
}

QString TareNotes::fromRegister(const QDate &tareDate)
{
    return u"тара из справочника от "_s + ShortDateText(tareDate);
}

QString TareNotes::typed()
{
    return u"тара введена с клавиатуры"_s;
}

StoreResult TareNotes::add(qint32 cardId, const QString &note)
{
    QString line = QString::number(cardId) + u'\t' + note;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    line += u"\r\n"_s;
    return writeDurably(m_path, QFileInfo(m_path).size(), encode1251(line));
}

QString TareNotes::noteFor(qint32 cardId) const
{
    QFile file(m_path);
    if (cardId == 0 || !file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray prefix = QByteArray::number(cardId) + '\t';
    QString note;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            note = decode1251(line.mid(prefix.size())).trimmed();
    return note;
}
