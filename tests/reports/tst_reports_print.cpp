#include "ReportFixtures.h"

#include "../documents/PdfReader.h"
#include "reports/ReportPicture.h"
#include "reports/ReportPrinter.h"

#include <QDir>
#include <QRegularExpression>

using fixtures::Bench;
using namespace Qt::StringLiterals;

class TestReportsPrint : public QObject
{
    Q_OBJECT

    // Cards of one day with document numbers "Д1", "Д2", ... in two groups.
    static void writeCards(Bench &b, int count)
    {
        QList<CargoCard> cards;
        for (int i = 0; i < count; ++i) {
            CargoCard c = fixtures::card(i % 2 ? u"Песок"_s : u"Щебень"_s, Statuses::complete(), 30000 + i, 10000);
            c.texts[DocumentNumber] = u"Д"_s + QString::number(i + 1);
            cards << c;
        }
        fixtures::writeDay(b.folders(), QDate(2012, 3, 14), cards);
    }

    // The PDF files of one printing, in the order printed.
    static QStringList print(Bench &b, bool text, bool landscape = false)
    {
        ReportPrinter printer(*b.report, b.clock, b.dir.path() + u"/Print/"_s, PrintSurface::Destination::PdfFiles);
        printer.setTextMode(text);
        printer.setLandscape(landscape);
        QStringList files;
        QObject::connect(&printer.surface(), &PrintSurface::documentFinished,
                         [&files](const QString &path, bool) { files << path; });
        const QString status = printer.PrintReport();
        if (status == ReportPrinter::failedMessage())
            return {};
        return files;
    }

    static QString allText(const QString &pdf)
    {
        return PdfReader::run(u"pdftotext"_s, {pdf, u"-"_s}).simplified();
    }

private slots:
    void emptyReportPrintsOnePage()
    {
        Bench b;
        QCOMPARE(b.build(u"01.03.2011"_s, u"01.03.2011"_s), ReportMessage::None);
        QCOMPARE(b.rows(), 2);
        const QStringList files = print(b, false);
        QCOMPARE(files.size(), 1);
        const QList<PdfReader::Word> words = PdfReader::words(files[0]);
        const PdfReader::Word title = PdfReader::find(words, u"Отчет"_s);
        QVERIFY(qAbs(title.x - 1000) < 30);
        QVERIFY(qAbs(title.y - 500) < 60);
        QVERIFY(allText(files[0]).startsWith(u"Отчет о работе весов с 01.03.2011 по 01.03.2011"_s));
        // The caption band right below at the top margin, then one empty row.
        const QString caption = b.text(0, 1);
        const PdfReader::Word first = PdfReader::find(words, caption.section(u' ', 0, 0));
        QVERIFY2(first.right > 0, qPrintable(caption));
        QVERIFY(first.y > 1000 && first.bottom < 1000 + ReportPicture::RowHeight);
        // All columns are wider than the page even in the smallest type:
        // they print in it, in three bands one under the other, each
        // starting with the first column, a row's gap between them.
        QCOMPARE(PdfReader::pages(files[0]).size(), 1);
        QVERIFY(allText(files[0]).contains(u"(столбцы 1–3 из 3)"_s));
        const double scale = ReportMinimumPoints / ReportPicture::FontPoints;
        const double row = ReportPicture::RowHeight * scale;
        for (int band = 1; band < 3; ++band) {
            const PdfReader::Word again = PdfReader::find(words, first.text, band);
            QVERIFY2(qAbs(again.y - first.y - band * 3 * row) < 20, qPrintable(QString::number(again.y)));
        }
        // The page image: the empty row's cell borders below the caption
        // band, white in the gap, the next band's grey caption below it.
        const QImage page = PdfReader::render(files[0], b.dir.path());
        const int x = int((1000 + 500 * scale + PdfReader::Margin) / 10);
        const auto gray = [&](double twips) { return qGray(page.pixel(x, int((twips + PdfReader::Margin) / 10))); };
        QVERIFY(gray(1000 + 1.5 * row) >= 220);
        bool rowBorder = false;
        for (double y = 1000 + 1.8 * row; y < 1000 + 2.2 * row; y += 5)
            rowBorder = rowBorder || gray(y) < 220;
        QVERIFY(rowBorder);
        for (double y = 1000 + 2.3 * row; y < 1000 + 2.8 * row; y += 5)
            QVERIFY(gray(y) >= 220);
        QVERIFY(gray(1000 + 3.3 * row) < 220);
        for (double y = 1000 + 9 * row; y < 6000; y += 50)
            QVERIFY(gray(y) >= 220);
    }

    void collapsedGroupsPrintOnlyHeadersAndTotal()
    {
        Bench b;
        writeCards(b, 6);
        QCOMPARE(b.build(u"14.03.2012"_s, u"14.03.2012"_s), ReportMessage::None);
        b.report->setRowsExpanded(false);
        b.report->ApplyExpandOptions();

        const QList<ReportTextLine> lines = ReportTextLines(b.table());
        QCOMPARE(lines.size(), 4); // caption, two groups, total
        for (const ReportTextLine &line : lines)
            QVERIFY(line.bold);
        for (bool text : {true, false}) {
            const QStringList files = print(b, text);
            QCOMPARE(files.size(), 1);
            const QString all = allText(files[0]);
            QVERIFY2(all.contains(u"Песок"_s) && all.contains(u"Щебень"_s) && all.contains(u"ИТОГО:"_s),
                     qPrintable(all));
            QVERIFY2(!all.contains(u"Д1"_s) && !all.contains(u"А123ВС"_s), qPrintable(all));
        }
        // Expanded again, the cards are there.
        b.report->setRowsExpanded(true);
        b.report->ApplyExpandOptions();
        QVERIFY(allText(print(b, true).value(0)).contains(u"Д1"_s));
    }

    void longReportPrintsEveryRowOnce()
    {
        Bench b;
        const int cards = 400;
        writeCards(b, cards);
        QCOMPARE(b.build(u"14.03.2012"_s, u"14.03.2012"_s), ReportMessage::None);
        for (bool landscape : {false, true}) {
            // One document: one file holding every page.
            const QStringList files = print(b, false, landscape);
            QCOMPARE(files.size(), 1);
            const QList<PdfReader::Page> pages = PdfReader::pages(files[0]);
            QVERIFY2(pages.size() > (landscape ? 3 : 2), qPrintable(QString::number(pages.size())));
            QMap<QString, int> seen;
            int totals = 0;
            // The first column stands on every band of columns.
            const QString caption = b.text(0, 1).section(u' ', 0, 0);
            for (const PdfReader::Page &page : pages) {
                const QList<PdfReader::Word> &words = page.words;
                const PdfReader::Word title = PdfReader::find(words, u"Отчет"_s);
                QVERIFY(qAbs(title.x - 1000) < 30 && qAbs(title.y - 500) < 60);
                const PdfReader::Word head = PdfReader::find(words, caption);
                QVERIFY(head.y > 1000 && head.bottom < 1000 + ReportPicture::RowHeight);
                for (const PdfReader::Word &w : words) {
                    if (w.text.startsWith(u'Д') && w.text.size() > 1 && w.text.at(1).isDigit())
                        ++seen[w.text];
                    totals += w.text == u"ИТОГО:"_s;
                }
            }
            QCOMPARE(seen.size(), cards);
            for (auto it = seen.cbegin(); it != seen.cend(); ++it)
                QVERIFY2(it.value() == 1, qPrintable(it.key()));
            const QRegularExpressionMatch parts =
                QRegularExpression(u"\\(столбцы 1 из (\\d)\\)"_s).match(allText(files[0]));
            QCOMPARE(totals, parts.hasMatch() ? parts.captured(1).toInt() : 1);
        }
    }

    // Every column, deleted and incomplete cards among them: whatever the
    // mode and orientation, no word on paper is below 7 pt, no column is
    // lost, and the marks are words in black, not only a colour.
    void everyColumnReadsOnPaper()
    {
        Bench b;
        QList<CargoCard> cards;
        for (const QString &status : {Statuses::complete(), Statuses::deleted(), Statuses::incomplete()}) {
            CargoCard c = fixtures::card(u"Щебень"_s, status, 30000 + cards.size(), 10000);
            c.texts[DocumentNumber] = u"Д"_s + QString::number(cards.size() + 1);
            cards << c;
        }
        fixtures::writeDay(b.folders(), QDate(2012, 3, 14), cards);
        QCOMPARE(b.build(u"14.03.2012"_s, u"14.03.2012"_s), ReportMessage::None);
        const int row = 2; // the first card, below its group's header
        QCOMPARE(b.value(row, DocumentNumber), u"Д1"_s);

        for (bool text : {false, true}) {
            for (bool landscape : {false, true}) {
                const QString what = (text ? u"text "_s : u"picture "_s) + (landscape ? u"landscape"_s : u"portrait"_s);
                const QStringList files = print(b, text, landscape);
                QCOMPARE(files.size(), 1);
                const QList<PdfReader::Page> pages = PdfReader::pages(files[0]);
                QString all;
                for (const PdfReader::Page &page : pages) {
                    for (const PdfReader::Word &w : page.words) {
                        // A word's box spans the font's ascent and descent,
                        // about 1.12 times its size in these fonts.
                        QVERIFY2(w.bottom - w.y >= ReportMinimumPoints * 20 * 1.1,
                                 qPrintable(what + u' ' + w.text + u' ' + QString::number(w.bottom - w.y)));
                        all += w.text + u' ';
                    }
                }
                // Each band of columns repeats the marks and the card's first parameter.
                const qsizetype parts = all.count(text ? u"Отм. "_s : u"Отметка "_s);
                QVERIFY2(parts >= 1 && all.count(u"незав. "_s) == parts && all.count(u"Щебень"_s) >= parts,
                         qPrintable(what));
                QCOMPARE(all.count(u"Д1 "_s), 1);
                for (int c = 1; c <= 19; ++c) {
                    const int cut = c <= 8 ? 12 : 10;
                    for (int r : {0, row}) {
                        const QString cell = b.text(r, c).left(text ? cut : 100).simplified();
                        QVERIFY2(all.contains(cell), qPrintable(what + u": "_s + cell));
                    }
                }
                QVERIFY2(all.contains(u"удал."_s) && all.contains(u"незав."_s), qPrintable(what));

                // The first page's image: the mark is dark where the text layer has it.
                const PdfReader::Word mark = PdfReader::find(pages.value(0).words, u"удал."_s);
                QVERIFY2(PdfReader::ink(PdfReader::render(files[0], b.dir.path()), mark) > 10, qPrintable(what));
            }
        }
    }

    void columnBands()
    {
        using Bands = std::vector<std::vector<int>>;
        // Everything fits: one band of every column.
        QCOMPARE(ReportColumnBands({300, 2000, 1000}, 2, 5000), (Bands{{0, 1, 2}}));
        // Each band starts with the describing columns.
        QCOMPARE(ReportColumnBands({300, 2000, 2000, 2000, 1000}, 2, 4500),
                 (Bands{{0, 1, 2}, {0, 1, 3}, {0, 1, 4}}));
        // A column too wide for any band still gets one, cut at its edge.
        QCOMPARE(ReportColumnBands({300, 1000, 9000, 500}, 2, 4000), (Bands{{0, 1, 2}, {0, 1, 3}}));
        // Describing columns that leave no room are not repeated.
        QCOMPARE(ReportColumnBands({3000, 2000, 1000}, 1, 2500), (Bands{{0}, {1}, {2}}));

        // Turned when landscape is enough, else banded at the smallest type.
        const auto plan = [](double width, PrintSurface::Orientation o) {
            return PlanReportPaper(width, 10000, 15000, o, 8);
        };
        QCOMPARE(plan(9000, PrintSurface::Orientation::Portrait).scale, 1.0);
        QCOMPARE(plan(11000, PrintSurface::Orientation::Portrait).scale, 10000.0 / 11000);
        QVERIFY(plan(16000, PrintSurface::Orientation::Portrait).orientation == PrintSurface::Orientation::Landscape);
        QVERIFY(!plan(16000, PrintSurface::Orientation::Portrait).banded);
        const ReportPaperPlan banded = plan(20000, PrintSurface::Orientation::Portrait);
        QVERIFY(banded.banded && banded.orientation == PrintSurface::Orientation::Portrait);
        QCOMPARE(banded.scale, ReportMinimumPoints / 8);
    }

    void textModeLines()
    {
        Bench b;
        writeCards(b, 2);
        QCOMPARE(b.build(u"14.03.2012"_s, u"14.03.2012"_s), ReportMessage::None);
        QList<ReportTextLine> lines = ReportTextLines(b.table());
        QCOMPARE(lines.size(), b.rows());
        // The caption row: bold, its captions cut to 12 and 10 characters.
        QString caption;
        for (int c = 1; c <= 19; ++c)
            caption += u' ' + b.text(0, c).leftJustified(c <= 8 ? 12 : 10, u' ', true);
        QCOMPARE(lines[0].text, caption);
        QVERIFY(lines[0].bold);
        QVERIFY(!lines[2].bold && lines[2].text.contains(u" Д"_s));
        QCOMPARE(lines[0].text.size(), 225);
        QCOMPARE(lines[2].points, ReportMinimumPoints);

        b.report->setColumnsExpanded(false);
        b.report->ApplyExpandOptions();
        lines = ReportTextLines(b.table());
        QCOMPARE(lines[2].text.size(), 79);
        QCOMPARE(lines[2].points, 10.0);

        // On paper: the 79-character lines are larger than the 225 ones, which
        // print at the smallest type in bands.
        const QList<PdfReader::Word> narrow = PdfReader::words(print(b, true, true).value(0));
        b.report->setColumnsExpanded(true);
        b.report->ApplyExpandOptions();
        const QList<PdfReader::Word> wide = PdfReader::words(print(b, true, true).value(0));
        const auto height = [](const QList<PdfReader::Word> &words) {
            const PdfReader::Word w = PdfReader::find(words, u"ИТОГО:"_s);
            return w.bottom - w.y;
        };
        QVERIFY2(qAbs(height(narrow) / height(wide) - 10.0 / ReportMinimumPoints) < 0.1,
                 qPrintable(QString::number(height(narrow)) + u' ' + QString::number(height(wide))));
    }
};

QTEST_MAIN(TestReportsPrint)
#include "tst_reports_print.moc"
