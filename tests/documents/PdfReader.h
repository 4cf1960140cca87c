#pragma once

#include <QFile>
#include <QImage>
#include <QRectF>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// Reads printed PDFs back with poppler's tools. Positions are twips in the
// printable area, which starts 5 mm in from the paper's edge.
namespace PdfReader {

inline constexpr double Margin = 5 / 25.4 * 1440;

struct Word
{
    QString text;
    double x = 0, y = 0, right = 0, bottom = 0;
};

inline QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text lines of the first page, trailing blanks and empty lines dropped.
inline QStringList lines(const QString &pdf)
{
    QStringList result;
    for (QString line : run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).split(u'\n')) {
        while (line.endsWith(u' ') || line.endsWith(u'\f'))
            line.chop(1);
        if (!line.isEmpty())
            result.append(line);
    }
    return result;
}

// Every word in reading order with its box.
inline QList<Word> words(const QString &pdf)
{
    QList<Word> result;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    for (const QRegularExpressionMatch &m :
         tag.globalMatch(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}))) {
        result.append({m.captured(5), m.captured(1).toDouble() * 20 - Margin, m.captured(2).toDouble() * 20 - Margin,
                       m.captured(3).toDouble() * 20 - Margin, m.captured(4).toDouble() * 20 - Margin});
    }
    return result;
}

// The words of each page, and each page's printable width in twips.
struct Page
{
    double width = 0;
    QList<Word> words;
};
inline QList<Page> pages(const QString &pdf)
{
    QList<Page> result;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="([\d.]+)"|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    for (const QRegularExpressionMatch &m :
         tag.globalMatch(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}))) {
        if (m.capturedLength(1) > 0)
            result.append(Page{m.captured(1).toDouble() * 20 - 2 * Margin, {}});
        else if (!result.isEmpty())
            result.last().words.append(Word{m.captured(6), m.captured(2).toDouble() * 20 - Margin,
                                        m.captured(3).toDouble() * 20 - Margin, m.captured(4).toDouble() * 20 - Margin,
                                        m.captured(5).toDouble() * 20 - Margin});
    }
    return result;
}

inline Word find(const QList<Word> &all, const QString &text, int skip = 0)
{
    for (const Word &w : all) {
        if (w.text == text && skip-- == 0)
            return w;
    }
    return {};
}

// A page (the first by default) at 144 dpi: one pixel is 10 twips.
inline QImage render(const QString &pdf, const QString &folder, int page = 1)
{
    const QString number = QString::number(page);
    QFile::remove(folder + QStringLiteral("/page.png"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), QStringLiteral("-f"), number,
                                     QStringLiteral("-l"), number, pdf, folder + QStringLiteral("/page")});
    return QImage(folder + QStringLiteral("/page.png"));
}

// How many pixels within `twips` (of the printable area) are dark enough to
// read on a black-and-white printer.
inline int ink(const QImage &page, const QRectF &twips)
{
    int dark = 0;
    const int x0 = qMax(0, int((twips.left() + Margin) / 10));
    const int x1 = qMin(page.width() - 1, int((twips.right() + Margin) / 10));
    const int y0 = qMax(0, int((twips.top() + Margin) / 10));
    const int y1 = qMin(page.height() - 1, int((twips.bottom() + Margin) / 10));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            dark += qGray(page.pixel(x, y)) < 100;
    return dark;
}
inline int ink(const QImage &page, const Word &word)
{
    return ink(page, QRectF(QPointF(word.x, word.y), QPointF(word.right, word.bottom)));
}

// The box, in twips of the printable area, of the pixels close to `colour`.
inline QRectF box(const QImage &page, QColor colour)
{
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40) {
                left = qMin(left, x), right = qMax(right, x), top = qMin(top, y), bottom = qMax(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return QRectF(left * 10 - Margin, top * 10 - Margin, (right - left + 1) * 10.0, (bottom - top + 1) * 10.0);
}

} // namespace PdfReader
