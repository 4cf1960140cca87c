#include "platform/PrintSurface.h"

#include "core/Clock.h"

#include <QDir>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Item = PrintSurface::Item;

namespace {

// The PDF pages' printable area starts 5 mm in from the paper's edge.
constexpr double Margin = 5 / 25.4 * 1440;

struct Word
{
    int page = 0;
    double x = 0, y = 0, width = 0; // twips in the printable area
};

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Every word of the PDF with its page and box, and the page sizes in points.
QHash<QString, Word> readWords(const QString &pdf, QList<QSizeF> *pages = nullptr)
{
    QHash<QString, Word> words;
    int page = 0;
    static const QRegularExpression tag(uR"re(<page width="([\d.]+)" height="([\d.]+)"|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)<)re"_s);
    for (const QRegularExpressionMatch &m : tag.globalMatch(run(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s}))) {
        if (m.captured(3).isEmpty()) {
            ++page;
            if (pages)
                pages->append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
            continue;
        }
        const double x = m.captured(3).toDouble() * 20 - Margin;
        words.insert(m.captured(6), {page, x, m.captured(4).toDouble() * 20 - Margin, m.captured(5).toDouble() * 20 - Margin - x});
    }
    return words;
}

// One page at 144 dpi: a pixel is 10 twips.
QImage renderPage(const QString &pdf, int page, const QString &folder)
{
    run(u"pdftoppm"_s, {u"-r"_s, u"144"_s, u"-png"_s, u"-singlefile"_s, u"-f"_s, QString::number(page), u"-l"_s,
                        QString::number(page), pdf, folder + u"/page"_s});
    return QImage(folder + u"/page.png"_s);
}

QColor at(const QImage &page, double x, double y)
{
    return page.pixelColor(int((x + Margin) / 10), int((y + Margin) / 10));
}

bool is(const QColor &c, Qt::GlobalColor expected)
{
    const QColor e(expected);
    return qAbs(c.red() - e.red()) < 8 && qAbs(c.green() - e.green()) < 8 && qAbs(c.blue() - e.blue()) < 8;
}

} // namespace

class TestPrintSurface : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;

    QString onlyPdf() const
    {
        const QStringList files = QDir(m_dir->path()).entryList({u"*.pdf"_s});
        return files.size() == 1 ? m_dir->path() + u'/' + files.first() : QString();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() || QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty())
            QSKIP("poppler-utils are not installed");
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock.setNow(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    }

    void everythingLandsWhereTheTwipsSay()
    {
        PrintSurface surface(m_clock, m_dir->path(), PrintSurface::Destination::PdfFiles);
        surface.setFontName(u"Courier New"_s);
        surface.setFontSize(10);
        const double line = surface.lineHeight();
        const double column = surface.columnWidth();
        QVERIFY(qAbs(column - 120) < 1); // 0.6 em of 10 points

        QVERIFY(surface.print({u"Колонка"_s, Item::tab(20), u"Значение"_s}));
        QVERIFY(surface.print({u"Один "_s}, PrintSurface::LineEnd::Continue));
        QVERIFY(surface.print({u"Два"_s}));
        QVERIFY(surface.print());
        QVERIFY(surface.print({u"Длинная-строка", Item::tab(5), u"Ниже"_s})); // column 5 passed: next line
        QVERIFY(surface.print({u"Верх\nНиз"_s}));
        surface.setCurrentX(1440);
        surface.setCurrentY(2880);
        QVERIFY(surface.print({u"Здесь"_s}));
        QCOMPARE(surface.currentX(), 0.0);
        QCOMPARE(surface.currentY(), 2880 + line);
        surface.setLineWidth(2);
        QVERIFY(surface.drawLine(1440, 4320, 7200, 4320));
        QImage red(300, 200, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(surface.drawPicture(red, 1440, 5000, 6000, 4000));
        const double height = surface.pageHeight();
        QVERIFY(height > 15000 && height < 16500); // A4 less the margins
        surface.setCurrentY(height - 1.5 * line);
        QVERIFY(surface.print({u"Последняя"_s}));
        QVERIFY(surface.print({u"Перенос"_s}));
        QVERIFY(surface.print({u"Дальше"_s}));
        // Its own size at 96 dpi, and then only the lower half as a band.
        QImage halves(96, 96, QImage::Format_RGB32);
        halves.fill(Qt::green);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 96; ++x)
                halves.setPixelColor(x, y, Qt::blue);
        QVERIFY(surface.drawPicture(halves, 1440, 3000));
        QVERIFY(surface.drawPicture(halves, 4320, 3000, 0, 0, 720, 720));
        QVERIFY(surface.endDocument());

        const QString pdf = onlyPdf();
        QList<QSizeF> pages;
        const QHash<QString, Word> words = readWords(pdf, &pages);
        QCOMPARE(pages.size(), 2);
        const QList<std::tuple<QString, int, double, double>> expected{
            {u"Колонка"_s, 1, 0, 0}, {u"Значение"_s, 1, 19 * column, 0}, {u"Один"_s, 1, 0, line},
            {u"Два"_s, 1, 5 * column, line}, {u"Длинная-строка"_s, 1, 0, 3 * line}, {u"Ниже"_s, 1, 4 * column, 4 * line},
            {u"Верх"_s, 1, 0, 5 * line}, {u"Низ"_s, 1, 0, 6 * line}, {u"Здесь"_s, 1, 1440, 2880},
            {u"Последняя"_s, 1, 0, height - 1.5 * line}, {u"Перенос"_s, 2, 0, 0}, {u"Дальше"_s, 2, 0, line}};
        for (const auto &[text, page, x, y] : expected) {
            const Word w = words.value(text);
            // The word box begins a little above the glyphs' line top.
            QVERIFY2(w.page == page && qAbs(w.x - x) < 15 && qAbs(w.y - y) < 40,
                     qPrintable(u"%1: page %2 at %3,%4; expected %5,%6"_s.arg(text).arg(w.page).arg(w.x).arg(w.y).arg(x).arg(y)));
        }
        QVERIFY(qAbs(words.value(u"Колонка"_s).width - 7 * column) < 15);

        const QImage page1 = renderPage(pdf, 1, m_dir->path());
        for (double x : {1500.0, 4000.0, 7100.0})
            QVERIFY(qMin(at(page1, x, 4310).lightness(), at(page1, x, 4330).lightness()) < 140);
        QVERIFY(is(at(page1, 4000, 4400), Qt::white) && is(at(page1, 7400, 4320), Qt::white));
        for (const QPointF &inside : {QPointF(1500, 5060), QPointF(7380, 8940)})
            QVERIFY(is(at(page1, inside.x(), inside.y()), Qt::red));
        for (const QPointF &outside : {QPointF(1380, 7000), QPointF(7500, 7000), QPointF(4000, 4940), QPointF(4000, 9060)})
            QVERIFY(is(at(page1, outside.x(), outside.y()), Qt::white));
        const QImage page2 = renderPage(pdf, 2, m_dir->path());
        QVERIFY(is(at(page2, 1500, 3060), Qt::blue) && is(at(page2, 2800, 4380), Qt::green)); // 1440 x 1440
        QVERIFY(is(at(page2, 2940, 4000), Qt::white));
        QVERIFY(is(at(page2, 4400, 3060), Qt::green) && is(at(page2, 5700, 3660), Qt::green)); // band only
        QVERIFY(is(at(page2, 5000, 3780), Qt::white));
    }

    void formFontsPrintWithTheirMetricTwinsAtTheirSize()
    {
        PrintSurface surface(m_clock, m_dir->path(), PrintSurface::Destination::PdfFiles);
        surface.setFontName(u"Courier New"_s);
        QCOMPARE(surface.resolvedFontFamily(), u"Liberation Mono"_s);
        surface.setFontSize(14);
        QVERIFY(surface.print({u"ABCDEFGHIJ"_s}));
        for (const QString &name : {u"MS Sans Serif"_s, u"Ms Sans Serif"_s}) {
            surface.setFontName(name);
            QCOMPARE(surface.resolvedFontFamily(), u"Liberation Sans"_s);
        }
        surface.setFontBold(true);
        QVERIFY(surface.print({u"Жирный"_s}));
        surface.setFontBold(false);
        surface.setFontItalic(true);
        QVERIFY(surface.print({u"Курсив"_s}));
        QVERIFY(surface.endDocument());

        // Ten characters of 0.6 em at 14 points: 84 points wide.
        const QString pdf = onlyPdf();
        QVERIFY(qAbs(readWords(pdf).value(u"ABCDEFGHIJ"_s).width - 84 * 20) < 30);
        const QString fonts = run(u"pdffonts"_s, {pdf});
        for (const QString &font : {u"LiberationMono"_s, u"LiberationSans-Bold"_s, u"LiberationSans-Italic"_s})
            QVERIFY2(fonts.contains(font), qPrintable(fonts));
    }

    void everyDocumentIsAFileOfItsOwn()
    {
        const QString folder = m_dir->path() + u"/Print"_s;
        PrintSurface surface(m_clock, folder, PrintSurface::Destination::PdfFiles);
        QSignalSpy finished(&surface, &PrintSurface::documentFinished);
        QVERIFY(surface.endDocument()); // nothing printed: nothing sent
        QVERIFY(!QDir(folder).exists());

        surface.setDocumentName(u"Акт"_s);
        surface.setOrientation(PrintSurface::Orientation::Landscape);
        QVERIFY(surface.pageWidth() > surface.pageHeight());
        QVERIFY(surface.print({u"первый"_s}) && surface.endDocument());
        surface.setOrientation(PrintSurface::Orientation::Portrait);
        QVERIFY(surface.print({u"второй"_s}) && surface.endDocument());
        surface.setDocumentName(u"Отчет 1/2: итог"_s);
        QVERIFY(surface.print({u"третий"_s}) && surface.newPage() && surface.print({u"четвертый"_s}));
        QVERIFY(surface.endDocument());

        const QStringList paths{folder + u"/05.03.2024 07-08-09 Акт.pdf"_s, folder + u"/05.03.2024 07-08-09 Акт (2).pdf"_s,
                                folder + u"/05.03.2024 07-08-09 Отчет 1_2_ итог.pdf"_s};
        QCOMPARE(finished.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(finished[i][0].toString() == paths[i] && finished[i][1].toBool());
        QVERIFY(PrintSurface::destinationMessage(paths[2], true).endsWith(paths[2]));
        QList<QSizeF> landscape, portrait, paged;
        QVERIFY(readWords(paths[0], &landscape).contains(u"первый"_s));
        QVERIFY(landscape.size() == 1 && landscape[0].width() > landscape[0].height());
        readWords(paths[1], &portrait);
        QVERIFY(portrait[0].width() < portrait[0].height());
        const Word fourth = readWords(paths[2], &paged).value(u"четвертый"_s);
        QVERIFY(paged.size() == 2 && fourth.page == 2 && qAbs(fourth.y) < 40);
    }

    void withoutAPrinterTheDefaultGoesToAFile()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a printer is installed here; tests never print on paper");
        PrintSurface surface(m_clock, m_dir->path());
        surface.setDocumentName(u"Чек"_s);
        QVERIFY(surface.print({u"чек"_s}) && surface.endDocument());
        QVERIFY(surface.lastWentToFile());
        QCOMPARE(onlyPdf(), m_dir->path() + u"/05.03.2024 07-08-09 Чек.pdf"_s);
        QVERIFY(!surface.drawPicture(QImage(), 0, 0));
    }
};

QTEST_MAIN(TestPrintSurface)
#include "tst_platform_print.moc"
