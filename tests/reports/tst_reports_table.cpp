#include "core/Formats.h"
#include "core/OleDate.h"
#include "reports/CellOrder.h"
#include "reports/ReportCellText.h"
#include "reports/ReportRow.h"
#include "reports/ReportTable.h"
#include "reports/ReportTableModel.h"

#include <QBrush>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <random>

using namespace Qt::StringLiterals;

class TestReportTable : public QObject
{
    Q_OBJECT

private slots:
    void recognisesNumbers();
    void orderIsTotalAndKeepsEqualTextsTogether();
    void rowCells();
    void sortFollowsCellOrder();
    void modelShowsVisibleRowsOnly();
};

void TestReportTable::recognisesNumbers()
{
    const struct
    {
        const char16_t *text;
        double value;
    } numbers[] = {{u"12,5", 12.5},          {u"12.5", 12.5}, {u" 7 ", 7},      {u"-3", -3},
                   {u"+4", 4},               {u"1E+16", 1e16}, {u",5", 0.5},    {u"08.12", 8.12},
                   {u"08.12.2011", 40885},   {u"1.2.2011", 40575}, {u"12:00:00", 0.5},
                   {u"08.12.2011 06:00:00", 40885.25}};
    for (const auto &n : numbers) {
        const auto v = cellNumber(QStringView(n.text));
        QVERIFY2(v && *v == n.value, qPrintable(QString::fromUtf16(n.text)));
    }
    // The texts the report writes for dates and times read back as such.
    for (double day : {40885.0, 0.25, 0.0, 40885.5}) {
        const auto v = cellNumber(GeneralDateText(day));
        QVERIFY(v && *v == day);
    }
    QCOMPARE(GeneralDateText(40885.5), u"08.12.2011 12:00:00"_s);
    // The hour without its leading zero, as the general date form writes it.
    QCOMPARE(GeneralDateText(0), u"0:00:00"_s);
    QCOMPARE(GeneralDateText(toOleTime(QTime(9, 5, 3))), u"9:05:03"_s);
    QCOMPARE(GeneralDateText(toOleDate(QDate(2011, 12, 8), QTime(9, 0))), u"08.12.2011 9:00:00"_s);
    QCOMPARE(GeneralDateText(40885), u"08.12.2011"_s);
    for (const char16_t *text : {u"", u"  ", u"12 кг", u"1,2,3", u"1-2", u"E5", u",", u"1E", u"-", u"1 000",
                                 u"31.02.2011", u"12:60:00", u"ТН-15", u"1E400", u"0x10"})
        QVERIFY2(!cellNumber(QStringView(text)), qPrintable(QString::fromUtf16(text)));
}

void TestReportTable::orderIsTotalAndKeepsEqualTextsTogether()
{
    auto before = [](const QString &a, const QString &b) { return compareCells(a, b) < 0; };
    QVERIFY(before(u"9"_s, u"10"_s));
    QVERIFY(before(u"20.12.2011"_s, u"05.01.2012"_s));
    QVERIFY(before(u""_s, u"0"_s));
    QVERIFY(before(u"100"_s, u"1a"_s));
    QVERIFY(before(u"алмаз"_s, u"Песок"_s));
    QVERIFY(before(u"Песок"_s, u"песок"_s));

    // Over every pair and triple of a mixed set: a strict order in which
    // only identical texts tie, else the sort could scatter a group.
    const QStringList cells = {u""_s,   u" "_s,     u"2"_s,     u"10"_s,    u"1a"_s,     u"1"_s,      u"01"_s,
                               u"1,0"_s, u"-0"_s,   u"0"_s,     u"Песок"_s, u"песок"_s,  u"ПЕСОК"_s,  u"Песок "_s,
                               u"ё"_s,   u"Ё"_s,    u"е"_s,     u"08.12.2011"_s, u"40885"_s, u"12:00:00"_s,
                               u"0,5"_s, u"abc"_s};
    for (const QString &a : cells) {
        for (const QString &b : cells) {
            const int ab = compareCells(a, b);
            QCOMPARE(ab == 0, a == b);
            QCOMPARE(ab < 0, compareCells(b, a) > 0);
            for (const QString &c : cells) {
                if (ab < 0 && compareCells(b, c) < 0)
                    QVERIFY2(compareCells(a, c) < 0, qPrintable(a + u'|' + b + u'|' + c));
            }
        }
    }
}

void TestReportTable::rowCells()
{
    ReportRow row = ReportRow::fromTabText(u"-\tПесок\t\t12,5"_s);
    row.setCell(1, u"Щебень гранитный"_s);
    row.setCell(6, u"6"_s);
    // A cell set from a piece of the row itself.
    row.setCell(0, row.cell(1).sliced(0, 6));
    QStringList cells;
    for (int c = 0; c < row.cellCount(); ++c)
        cells << row.cell(c).toString();
    QCOMPARE(cells, QStringList({u"Щебень"_s, u"Щебень гранитный"_s, {}, u"12,5"_s, {}, {}, u"6"_s}));
    QCOMPARE(ReportRow::fromTabText(QString(40, u'\t')).cellCount(), ReportRow::MaxCells);
}

void TestReportTable::sortFollowsCellOrder()
{
    // Ties on every key, case and number variants, texts found in one half
    // of a large table only; the last column names the row and is no key.
    const QStringList first = {u"Песок"_s, u"песок"_s, u"ПЕСОК"_s, u"Щебень"_s, {}, u"10"_s, u"9"_s, u"09"_s, u"1,5"_s};
    std::mt19937 random(7);
    for (const int count : {300, 9000}) {
        ReportTable t;
        t.clear(1);
        t.setFormatString(u"^ |a|b|c|row"_s);
        for (int r = 0; r < count; ++r) {
            const QString second = r % 3 ? u"ТН-"_s + QString::number(random() % (r < count / 2 ? 40 : 80))
                                         : QString::number(random() % 5);
            const QString cells = u"\t"_s + first[qsizetype(random() % quint32(first.size()))] + u'\t' + second +
                                  u'\t' + QString::number(random() % 3) + u'\t' + QString::number(r);
            t.addItem(cells);
        }
        std::vector<int> expected(static_cast<size_t>(count));
        std::iota(expected.begin(), expected.end(), 1);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            for (int c = 1; c <= 3; ++c) {
                if (const int order = compareCells(t.text(a, c), t.text(b, c)))
                    return order < 0;
            }
            return false;
        });
        QStringList want;
        for (int r : expected)
            want << t.text(r, 4).toString();
        t.sort(1, count, 1, 3);
        QStringList got;
        for (int r = 1; r <= count; ++r)
            got << t.text(r, 4).toString();
        QCOMPARE(got, want);
    }
}

void TestReportTable::modelShowsVisibleRowsOnly()
{
    ReportTable t;
    t.clear(1);
    t.setFormatString(u"^ |>Груз|>Вес"_s);
    for (const QString &r : {u"-\tA\t3"_s, u"\tA\t1"_s, u"\tA\t2"_s, u"-\tB\t4"_s, u"\tB\t4"_s, u"*\tИТОГО: \t7"_s})
        t.addItem(r);
    t.setRowStyle(1, 0, qRgb(192, 192, 192), true, 6);
    t.setRowStyle(2, 1, qRgb(255, 192, 192), false, 0);
    ReportTableModel model(t);
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"Груз"_s);
    QCOMPARE(model.data(model.index(0, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 192, 192));
    QVERIFY(model.data(model.index(0, 2), Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model.data(model.index(1, 0), Qt::BackgroundRole).isValid());
    QCOMPARE(model.data(model.index(1, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 192, 192));
    QCOMPARE(model.data(model.index(0, 2), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));

    // Hidden rows leave the model in one step; the rows after move up.
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    t.setRowHidden(2, true);
    t.setRowHidden(3, true);
    model.updateRows(2, 3);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 1);
    QCOMPARE(removed.first().at(2).toInt(), 2);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.tableRow(1), 4);
    QCOMPARE(model.modelRow(2), -1);
    QCOMPARE(model.modelRow(6), 3);

    t.setRowHidden(3, false);
    model.updateRows(2, 3);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.data(model.index(1, 2)).toString(), u"2"_s);
}

QTEST_GUILESS_MAIN(TestReportTable)
#include "tst_reports_table.moc"
