#include "FodsSheet.h"

#include "platform/UnoSpreadsheetApplication.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

// "1.2882in", "1.76pt solid #000000", "none"
double inches(const QString &length)
{
    const QString value = length.section(u' ', 0, 0);
    if (value.endsWith(u"in"_s))
        return value.chopped(2).toDouble();
    if (value.endsWith(u"pt"_s))
        return value.chopped(2).toDouble() / 72;
    if (value.endsWith(u"cm"_s))
        return value.chopped(2).toDouble() / 2.54;
    return 0;
}

} // namespace

bool FodsSheet::convert(const QStringList &files, const QString &outputFolder, const QString &profileFolder)
{
    QProcess office;
    // Through the launcher, which also restarts the office after it has made its profile.
    office.start(QFileInfo(UnoSpreadsheetApplication::defaultProgram()).absolutePath() + u"/soffice"_s,
                 QStringList{u"--headless"_s, u"--norestore"_s,
                             u"-env:UserInstallation="_s + QString::fromLatin1(QUrl::fromLocalFile(profileFolder).toEncoded()),
                             u"--convert-to"_s, u"fods"_s, u"--outdir"_s, outputFolder}
                     + files);
    return office.waitForFinished(60000) && office.exitCode() == 0;
}

bool FodsSheet::load(const QString &fodsPath)
{
    QFile file(fodsPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    QString style, dataStyle, pattern;
    int row = 0, column = 0, repeat = 1;
    Cell cell;
    while (!xml.atEnd() && row < 100) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        const auto attr = [&](const QString &key) { return xml.attributes().value(key).toString(); };
        if (xml.isStartElement()) {
            if (name == u"style:style"_s) {
                style = attr(u"style:name"_s);
                m_styleFormat[style] = attr(u"style:data-style-name"_s);
            } else if (name == u"style:table-column-properties"_s) {
                m_columnStyles[style] = inches(attr(u"style:column-width"_s));
            } else if (name == u"style:table-cell-properties"_s) {
                Cell &s = m_styles[style];
                const QString all = attr(u"fo:border"_s);
                const char16_t *edges[] = {u"fo:border-top", u"fo:border-bottom", u"fo:border-left", u"fo:border-right"};
                for (int i = 0; i < 4; ++i)
                    s.border[i] = inches(all.isEmpty() ? attr(QString::fromUtf16(edges[i])) : all) * 72;
            } else if (name == u"style:paragraph-properties"_s) {
                m_styles[style].textAlign = attr(u"fo:text-align"_s);
            } else if (name.startsWith(u"number:"_s) && name.endsWith(u"-style"_s)) {
                dataStyle = attr(u"style:name"_s);
                pattern.clear();
            } else if (name.startsWith(u"number:"_s) && !dataStyle.isEmpty()) {
                static const QHash<QString, QPair<QString, QString>> parts{
                    {u"number:hours"_s, {u"h"_s, u"hh"_s}}, {u"number:minutes"_s, {u"m"_s, u"mm"_s}},
                    {u"number:seconds"_s, {u"s"_s, u"ss"_s}}, {u"number:day"_s, {u"d"_s, u"dd"_s}},
                    {u"number:month"_s, {u"m"_s, u"mm"_s}}, {u"number:year"_s, {u"yy"_s, u"yyyy"_s}}};
                if (name == u"number:text"_s)
                    pattern += xml.readElementText();
                else if (parts.contains(name))
                    pattern += attr(u"number:style"_s) == u"long"_s ? parts[name].second : parts[name].first;
            } else if (name == u"table:table-column"_s) {
                for (int i = qMax(1, attr(u"table:number-columns-repeated"_s).toInt()); i > 0 && m_columnWidths.size() < 300; --i)
                    m_columnWidths.append(m_columnStyles.value(attr(u"table:style-name"_s)));
            } else if (name == u"table:table-row"_s) {
                column = 0;
            } else if (name == u"table:table-cell"_s) {
                repeat = qMax(1, attr(u"table:number-columns-repeated"_s).toInt());
                cell = m_styles.value(attr(u"table:style-name"_s));
                cell.format = m_dataStyles.value(m_styleFormat.value(attr(u"table:style-name"_s)));
                cell.valueType = attr(u"office:value-type"_s);
                cell.value = attr(u"office:value"_s) + attr(u"office:date-value"_s) + attr(u"office:time-value"_s);
            } else if (name == u"text:p"_s) {
                cell.text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement()) {
            if (name.startsWith(u"number:"_s) && name.endsWith(u"-style"_s)) {
                m_dataStyles[dataStyle] = pattern;
                dataStyle.clear();
            } else if (name == u"table:table-cell"_s) {
                for (int i = 0; i < repeat && column < 300; ++i)
                    m_cells[{row + 1, ++column}] = cell;
            } else if (name == u"table:table-row"_s) {
                ++row;
            } else if (name == u"table:table"_s) {
                break;
            }
        }
    }
    return !m_cells.isEmpty();
}
