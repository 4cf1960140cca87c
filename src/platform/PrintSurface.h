#pragma once

#include <QFont>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>

class Clock;
class QPrinter;

// The page printer all documents draw on: positions in twips (1/1440 inch)
// from the top left of the printable area. A document starts with its
// first output and goes out with endDocument(): to the system's default
// printer, or, when there is none, as a PDF file into the PDF folder.
class PrintSurface : public QObject
{
    Q_OBJECT

public:
    enum class Destination {
        DefaultPrinter, // falls back to PDF files when no printer is set up
        PdfFiles,
    };
    enum class Orientation { Portrait = 1, Landscape = 2 };
    // Whether a print statement ends its line (the statement without ";").
    enum class LineEnd { NewLine, Continue };

    // One item of a print statement: a text, or Tab(n).
    class Item
    {
    public:
        Item(const QString &text) : m_text(text) {}
        Item(const char16_t *text) : m_text(QString::fromUtf16(text)) {}
        static Item tab(int column);

        bool isTab() const { return m_column > 0; }
        int column() const { return m_column; }
        const QString &text() const { return m_text; }

    private:
        QString m_text;
        int m_column = 0;
    };

    PrintSurface(Clock &clock, const QString &pdfFolder, Destination destination = Destination::DefaultPrinter,
                 QObject *parent = nullptr);
    ~PrintSurface() override;

    // Names the next document: its print job, or its PDF file.
    void setDocumentName(const QString &name);

    void setOrientation(Orientation orientation);
    Orientation orientation() const { return m_orientation; }

    // "Courier New", "MS Sans Serif" and "Arial" print with their
    // metric-compatible Liberation fonts.
    void setFontName(const QString &name);
    void setFontSize(double points);
    void setFontBold(bool bold);
    void setFontItalic(bool italic);
    QString fontName() const { return m_fontName; }
    double fontSize() const { return m_fontSize; }
    bool fontBold() const { return m_bold; }
    bool fontItalic() const { return m_italic; }
    // The font family that is actually drawn for the current font name.
    QString resolvedFontFamily() const;

    double currentX() const { return m_x; }
    double currentY() const { return m_y; }
    void setCurrentX(double twips) { m_x = twips; }
    void setCurrentY(double twips) { m_y = twips; }

    // Items at the current position, one after another; Tab(n) moves to print
    // column n (columns of the font's average character width, column 1 at
    // the left edge). With NewLine, X returns to 0 and Y moves one line
    // down. No items: just the line feed. Text that would pass the bottom
    // continues on a new page.
    bool print(std::initializer_list<Item> items = {}, LineEnd end = LineEnd::NewLine);
    // The height of one printed line in the current font.
    double lineHeight() const;
    // Width of print column 1 in the current font.
    double columnWidth() const;
    // How far `text` reaches in the current font.
    double textWidth(const QString &text) const;
    // `text` as the lines that fit `room` twips in the current font, broken
    // between words; a word longer than the room is broken within it.
    QStringList fittedLines(const QString &text, double room) const;

    // 1 or 2: the width of the following lines, in units of 1/300 inch.
    void setLineWidth(int width);
    bool drawLine(double x1, double y1, double x2, double y2);
    // The picture's top left at (x, y). A width or height of 0 keeps the
    // picture's own size in that direction (96 dots per inch unless the
    // picture says otherwise); a band height above 0 draws only the band
    // of the picture from `bandTop` down, both in twips of its own size.
    bool drawPicture(const QImage &picture, double x, double y, double width = 0, double height = 0,
                     double bandTop = 0, double bandHeight = 0);

    // Draws straight onto the page within `target`, the origin moved to its
    // top left and nothing drawn outside it; the painter's unit is twips.
    bool drawBand(const QRectF &target, const std::function<void(QPainter &)> &paint);

    double pageWidth();
    double pageHeight();

    bool newPage();
    // Sends the document; the next output starts a new one. Nothing is sent
    // for a document without output.
    bool endDocument();

    // A mark across every page of the next document ("УДАЛЕНА" on the
    // papers of a deleted card); none after endDocument().
    void setStamp(const QString &stamp) { m_stamp = stamp; }
    // A page setting of the waybill that has no meaning here.
    void setPageProperty(float value) { m_pageProperty = value; }

    // Where the last document went: a PDF path or a printer's name.
    QString lastDestination() const { return m_lastDestination; }
    bool lastWentToFile() const { return m_lastWentToFile; }
    // The status line text for a finished document.
    static QString destinationMessage(const QString &destination, bool toFile);

    // The PDF path for a document started at that moment, free of clashes.
    static QString pdfPathFor(const QString &folder, const QDateTime &moment, const QString &documentName);

signals:
    void documentFinished(const QString &destination, bool toFile);

private:
    void drawStamp();
    void ensurePrinter();
    bool ensureDocument();
    QFont currentFont() const;
    double twipsPerPictureDotX(const QImage &picture) const;
    double twipsPerPictureDotY(const QImage &picture) const;
    void advanceLine(double height);
    bool printText(const QString &text, const QFont &font);
    void discardDocument();

    Clock &m_clock;
    QString m_pdfFolder;
    Destination m_destination;
    QString m_documentName;

    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    bool m_toFile = false;
    QString m_target;
    bool m_active = false;

    Orientation m_orientation = Orientation::Portrait;
    QString m_fontName;
    double m_fontSize = 10;
    bool m_bold = false;
    bool m_italic = false;
    double m_x = 0;
    double m_y = 0;
    int m_lineWidth = 1;
    float m_pageProperty = 0;
    QString m_stamp;

    QString m_lastDestination;
    bool m_lastWentToFile = false;
};
