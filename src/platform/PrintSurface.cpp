#include "PrintSurface.h"

#include "core/Clock.h"
#include "core/Folders.h"
#include "core/Formats.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

constexpr double TwipsPerInch = 1440;
constexpr double TwipsPerPoint = 20;
// Line width 1 is one dot of a 300 dpi printer.
constexpr double TwipsPerLineUnit = TwipsPerInch / 300;
// Printable margin of the PDF pages, like an ordinary laser printer's.
constexpr double PdfMarginMm = 5;

// The fonts of the printed forms and the installed fonts with the same
// metrics. fontconfig alone maps "MS Sans Serif" to a font of other widths.
const std::pair<const char16_t *, const char16_t *> FontStandIns[] = {
    {u"Courier New", u"Liberation Mono"},
    {u"MS Sans Serif", u"Liberation Sans"},
    {u"Arial", u"Liberation Sans"},
    {u"Times New Roman", u"Liberation Serif"},
};

void registerFontStandIns()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto &[name, standIn] : FontStandIns)
            QFont::insertSubstitution(QString::fromUtf16(name), QString::fromUtf16(standIn));
    });
}

QString fileNamePart(const QString &text)
{
    QString part = text;
    for (QChar &c : part) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<'
            || c == u'>' || c == u'|' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return part.trimmed();
}

} // namespace

PrintSurface::Item PrintSurface::Item::tab(int column)
{
    Item item{QString()};
    item.m_column = column < 1 ? 1 : column;
    return item;
}

PrintSurface::PrintSurface(Clock &clock, const QString &pdfFolder, Destination destination, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_pdfFolder(withSeparator(pdfFolder))
    , m_destination(destination)
    , m_fontName(u"Arial"_s)
{
    registerFontStandIns();
}

PrintSurface::~PrintSurface()
{
    // A document left open still goes out rather than being lost.
    endDocument();
}

void PrintSurface::setDocumentName(const QString &name)
{
    m_documentName = name;
}

void PrintSurface::setOrientation(Orientation orientation)
{
    m_orientation = orientation;
    if (m_printer)
        m_printer->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                           : QPageLayout::Portrait);
}

void PrintSurface::setFontName(const QString &name)
{
    m_fontName = name;
}

void PrintSurface::setFontSize(double points)
{
    if (points > 0 && points < 2000)
        m_fontSize = points;
}

void PrintSurface::setFontBold(bool bold)
{
    m_bold = bold;
}

void PrintSurface::setFontItalic(bool italic)
{
    m_italic = italic;
}

QString PrintSurface::resolvedFontFamily() const
{
    return QFontInfo(currentFont()).family();
}

QFont PrintSurface::currentFont() const
{
    QFont font(m_fontName);
    // Sized in twips, the painter's unit: a point size would be taken in
    // device points and then shrunk by the painter's scale.
    font.setPixelSize(qMax(1, int(std::lround(m_fontSize * TwipsPerPoint))));
    font.setBold(m_bold);
    font.setItalic(m_italic);
    font.setKerning(false);
    return font;
}

double PrintSurface::lineHeight() const
{
    return QFontMetricsF(currentFont()).lineSpacing();
}

double PrintSurface::textWidth(const QString &text) const
{
    return QFontMetricsF(currentFont()).horizontalAdvance(text);
}

QStringList PrintSurface::fittedLines(const QString &text, double room) const
{
    const QFontMetricsF metrics(currentFont());
    const auto fits = [&](QStringView part) { return metrics.horizontalAdvance(part.toString()) <= room; };
    QStringList lines;
    QString rest = text;
    while (!fits(rest)) {
        qsizetype cut = rest.size();
        do
            cut = rest.lastIndexOf(u' ', cut - 1);
        while (cut > 0 && !fits(QStringView(rest).left(cut)));
        if (cut > 0) {
            lines << rest.left(cut);
            rest = rest.mid(cut + 1);
            continue;
        }
        // No blank to break at: as many characters as fit, at least one.
        qsizetype length = 1;
        while (length < rest.size() && fits(QStringView(rest).left(length + 1)))
            ++length;
        if (length >= rest.size())
            break;
        lines << rest.left(length);
        rest = rest.mid(length);
    }
    lines << rest;
    return lines;
}

double PrintSurface::columnWidth() const
{
    return QFontMetricsF(currentFont()).averageCharWidth();
}

void PrintSurface::ensurePrinter()
{
    if (m_printer)
        return;
    const QPrinterInfo printer = m_destination == Destination::DefaultPrinter ? QPrinterInfo::defaultPrinter()
                                                                              : QPrinterInfo();
    if (!printer.isNull()) {
        m_printer = std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
        m_toFile = false;
        m_target = printer.printerName();
    } else {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setPageMargins(QMarginsF(PdfMarginMm, PdfMarginMm, PdfMarginMm, PdfMarginMm),
                                  QPageLayout::Millimeter);
        m_toFile = true;
        m_target.clear();
    }
    m_printer->setPageOrientation(m_orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
}

bool PrintSurface::ensureDocument()
{
    if (m_active)
        return true;
    ensurePrinter();
    const QString name = m_documentName.isEmpty() ? u"Документ"_s : m_documentName;
    m_printer->setDocName(name);
    if (m_toFile) {
        if (!QDir().mkpath(m_pdfFolder)) {
            discardDocument();
            return false;
        }
        m_target = pdfPathFor(m_pdfFolder, m_clock.now(), name);
        m_printer->setOutputFileName(m_target);
    }
    if (!m_painter.begin(m_printer.get())) {
        discardDocument();
        return false;
    }
    const double scale = m_printer->resolution() / TwipsPerInch;
    m_painter.scale(scale, scale);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_active = true;
    drawStamp();
    return true;
}

void PrintSurface::drawStamp()
{
    if (m_stamp.isEmpty())
        return;
    // Across the page in grey, under whatever is printed after it: it
    // survives a black-and-white printer and leaves the text readable.
    const double width = pageWidth();
    const double height = pageHeight();
    m_painter.save();
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(72);
    font.setBold(true);
    m_painter.setFont(font);
    m_painter.setPen(QColor(150, 150, 150));
    m_painter.translate(width / 2, height / 2);
    m_painter.rotate(-35);
    const QRectF box(-width, -height / 4, 2 * width, height / 2);
    m_painter.drawText(box, Qt::AlignCenter, m_stamp);
    m_painter.restore();
}

void PrintSurface::discardDocument()
{
    m_printer.reset();
    m_active = false;
}

void PrintSurface::advanceLine(double height)
{
    m_x = 0;
    m_y += height;
}

bool PrintSurface::printText(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font);
    if (m_y > 0 && m_y + metrics.height() > pageHeight()) {
        if (!newPage())
            return false;
    }
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(m_x, m_y + metrics.ascent()), text);
    m_x += metrics.horizontalAdvance(text);
    return true;
}

bool PrintSurface::print(std::initializer_list<Item> items, LineEnd end)
{
    const QFont font = currentFont();
    const QFontMetricsF metrics(font);
    const double line = metrics.lineSpacing();
    bool ok = true;
    for (const Item &item : items) {
        if (item.isTab()) {
            const double column = (item.column() - 1) * metrics.averageCharWidth();
            // Already past that column: it is reached on the next line.
            if (m_x > column + 0.5)
                advanceLine(line);
            m_x = column;
            continue;
        }
        if (item.text().isEmpty())
            continue;
        if (!ensureDocument())
            return false;
        // Line breaks inside a text start new lines, as on the printer.
        const QStringList parts = QString(item.text()).remove(u'\r').split(u'\n');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                advanceLine(line);
            if (!parts[i].isEmpty())
                ok = printText(parts[i], font) && ok;
        }
    }
    if (end == LineEnd::NewLine)
        advanceLine(line);
    return ok;
}

void PrintSurface::setLineWidth(int width)
{
    m_lineWidth = qBound(1, width, 20);
}

bool PrintSurface::drawLine(double x1, double y1, double x2, double y2)
{
    if (!ensureDocument())
        return false;
    QPen pen(Qt::black, m_lineWidth * TwipsPerLineUnit, Qt::SolidLine, Qt::SquareCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    return true;
}

double PrintSurface::twipsPerPictureDotX(const QImage &picture) const
{
    const int dpm = picture.dotsPerMeterX();
    return dpm > 0 ? TwipsPerInch / (dpm * 0.0254) : TwipsPerInch / 96;
}

double PrintSurface::twipsPerPictureDotY(const QImage &picture) const
{
    const int dpm = picture.dotsPerMeterY();
    return dpm > 0 ? TwipsPerInch / (dpm * 0.0254) : TwipsPerInch / 96;
}

bool PrintSurface::drawPicture(const QImage &picture, double x, double y, double width, double height,
                               double bandTop, double bandHeight)
{
    if (picture.isNull())
        return false;
    const double dotX = twipsPerPictureDotX(picture);
    const double dotY = twipsPerPictureDotY(picture);
    QRectF source(0, 0, picture.width(), picture.height());
    if (bandHeight > 0) {
        source.setTop(qBound(0.0, bandTop / dotY, double(picture.height())));
        source.setHeight(qMin(bandHeight / dotY, picture.height() - source.top()));
        if (source.height() <= 0)
            return true; // a band below the picture shows nothing
    }
    const double w = width > 0 ? width : source.width() * dotX;
    const double h = height > 0 ? height : source.height() * dotY;
    if (!ensureDocument())
        return false;
    m_painter.drawImage(QRectF(x, y, w, h), picture, source);
    return true;
}

bool PrintSurface::drawBand(const QRectF &target, const std::function<void(QPainter &)> &paint)
{
    if (!ensureDocument())
        return false;
    m_painter.save();
    m_painter.setClipRect(target);
    m_painter.translate(target.topLeft());
    paint(m_painter);
    m_painter.restore();
    return true;
}

double PrintSurface::pageWidth()
{
    ensurePrinter();
    return m_printer->pageLayout().paintRect(QPageLayout::Inch).width() * TwipsPerInch;
}

double PrintSurface::pageHeight()
{
    ensurePrinter();
    return m_printer->pageLayout().paintRect(QPageLayout::Inch).height() * TwipsPerInch;
}

bool PrintSurface::newPage()
{
    if (!ensureDocument())
        return false;
    m_x = 0;
    m_y = 0;
    if (!m_printer->newPage())
        return false;
    drawStamp();
    return true;
}

bool PrintSurface::endDocument()
{
    m_x = 0;
    m_y = 0;
    if (!m_active) {
        // Settings of a document that never printed anything do not carry over.
        m_printer.reset();
        return true;
    }
    const bool ok = m_painter.end();
    const QString destination = m_target;
    const bool toFile = m_toFile;
    discardDocument();
    m_stamp.clear();
    if (!ok)
        return false;
    m_lastDestination = destination;
    m_lastWentToFile = toFile;
    emit documentFinished(destination, toFile);
    return true;
}

QString PrintSurface::destinationMessage(const QString &destination, bool toFile)
{
    return toFile ? u"Документ сохранён в файл "_s + QDir::toNativeSeparators(destination)
                  : u"Документ отправлен на принтер "_s + destination;
}

QString PrintSurface::pdfPathFor(const QString &folder, const QDateTime &moment, const QString &documentName)
{
    // The time as the program writes it, with "-" since ":" does not belong
    // in a file name on every system.
    const QString stem = withSeparator(folder) + ShortDateText(moment.date()) + u' '
        + LongTimeText(moment.time()).replace(u':', u'-') + u' ' + fileNamePart(documentName);
    QString path = stem + u".pdf"_s;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + u" ("_s + QString::number(n) + u").pdf"_s;
    return path;
}
