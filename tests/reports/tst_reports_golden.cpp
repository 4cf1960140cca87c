#include "ReportFixtures.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;
using fixtures::card;
using fixtures::writeDay;

namespace {

CargoCard weighed(const QString &cargo, const QString &sender, const QString &status, double gross, double tare,
                  double litterPercent, const QString &document, QTime time)
{
    CargoCard c = card(cargo, status, gross, tare);
    c.texts[Sender] = sender;
    c.texts[DocumentNumber] = document;
    c.litterPercent = litterPercent;
    const DerivedWeights d = deriveWeights(c.net, litterPercent);
    c.litterWeight = d.litterWeight;
    c.cleanWeight = d.cleanWeight;
    c.time1 = toOleDate(QDate(1899, 12, 30), time);
    return c;
}

void writeFixture(const Folders &folders)
{
    const QString done = Statuses::complete();
    const QString open = Statuses::incomplete();
    const QString deleted = Statuses::deleted();
    writeDay(folders, QDate(2012, 2, 1),
             {weighed(u"Щебень"_s, u"ООО Карьер"_s, done, 30100.5, 12000, 2.5, u"ТН-101"_s, QTime(8, 5)),
              weighed(u"Песок"_s, u"АО Нерудпром"_s, done, 25000, 11000.25, 0, u"ТН-102"_s, QTime(9, 0)),
              weighed(u"Песок"_s, u"ООО Карьер"_s, open, 28000, 0, 0, u"ТН-103"_s, QTime(11, 45, 30))},
             101);
    writeDay(folders, QDate(2012, 2, 2),
             {weighed(u"Щебень"_s, u"ООО Карьер"_s, deleted, 31000, 12500, 1, u"ТН-104"_s, QTime(7, 0)),
              weighed(u"Гравий"_s, u"ИП Сидоров"_s, done, 15000.5, 9000, 0, u"ТН-105"_s, QTime(7, 30))},
             104);
    writeDay(folders, QDate(2012, 2, 10),
             {weighed(u"Песок"_s, u"АО Нерудпром"_s, done, 26000, 11000, 0, u"ТН-106"_s, QTime(14, 30)),
              weighed(u"Песок"_s, u"ао нерудпром"_s, done, 100, 50, 0, u"ТН-107"_s, QTime(15, 0))},
             106);
    writeDay(folders, QDate(2012, 2, 29),
             {weighed(u"Щебень"_s, u"ООО Карьер"_s, done, 12.5, 0, 0, u"ТН-108"_s, QTime(16, 0))}, 108);
    writeDay(folders, QDate(2012, 3, 1),
             {weighed(u"Вне периода"_s, u"ООО Карьер"_s, done, 999, 0, 0, u"ТН-109"_s, QTime(8, 0))}, 109);
}

QString colourName(const ReportRow &row)
{
    if (row.styledFrom() < 0)
        return u"-"_s;
    return QString::number(row.background() & 0xffffff, 16) + u" from "_s + QString::number(row.styledFrom());
}

// What the grid shows: the visible columns' cells of every row, with the
// row's height and look.
QString render(const QString &title, const ReportTable &t)
{
    QString out;
    QTextStream s(&out);
    s << "# " << title << "\n# columns:";
    for (int c = 0; c < t.columnCount(); ++c) {
        if (t.columnWidth(c) > 0)
            s << ' ' << c;
    }
    s << '\n';
    for (int r = 0; r < t.rowCount(); ++r) {
        const ReportRow &row = t.row(r);
        s << r << '\t' << (row.isHidden() ? "hidden" : "shown") << '\t' << colourName(row) << '\t'
          << (row.isBold() ? "bold" : "-") << '\t';
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c) {
            if (t.columnWidth(c) > 0)
                cells << t.text(r, c).toString();
        }
        s << cells.join(u" | "_s) << '\n';
    }
    return out;
}

} // namespace

class TestReportGolden : public QObject
{
    Q_OBJECT

private slots:
    void reportMatchesExpectedTable();
};

void TestReportGolden::reportMatchesExpectedTable()
{
    fixtures::Bench b(QDate(2012, 3, 15));
    writeFixture(b.folders());

    QString actual;
    QCOMPARE(b.build(u"01.02.2012"_s, u"29.02.2012"_s, 2), ReportMessage::None);
    // The caption row counts as row 0, so row 1 is the first header.
    b.report->ToggleGroup(b.rows() - 3);
    actual += render(u"grouped by sender, one group closed"_s, b.report->table());

    b.report->setRowsExpanded(false);
    b.report->setColumnsExpanded(false);
    QCOMPARE(b.build(u"01.02.2012"_s, u"29.02.2012"_s, 0), ReportMessage::None);
    actual += render(u"grouped by cargo, rows and columns folded"_s, b.report->table());

    QFile expectedFile(QStringLiteral(TARVO_GOLDEN_REPORT));
    QVERIFY2(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(expectedFile.fileName()));
    const QString expected = QString::fromUtf8(expectedFile.readAll());
    if (actual != expected) {
        QFile out(QDir::temp().filePath(u"golden_report.actual.txt"_s));
        if (out.open(QIODevice::WriteOnly))
            out.write(actual.toUtf8());
        qWarning("report differs from %s; this run's table is in %s", qPrintable(expectedFile.fileName()),
                 qPrintable(out.fileName()));
    }
    QCOMPARE(actual.split(u'\n'), expected.split(u'\n'));
}

QTEST_GUILESS_MAIN(TestReportGolden)
#include "tst_reports_golden.moc"
