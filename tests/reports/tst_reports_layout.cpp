#include "ReportFixtures.h"

#include "reports/ReportColumnLayout.h"

using namespace Qt::StringLiterals;

class TestReportLayout : public QObject
{
    Q_OBJECT

private slots:
    void defaultAndGroupingLayouts();
    void captionsAndWidths();
};

void TestReportLayout::defaultAndGroupingLayouts()
{
    ReportColumnLayout reset;
    reset.columnWidth.fill(77);
    ResetColumnLayout(reset);
    const std::array<int, 20> params = {0, 0, 1, 2, 3, 4, 5, 6, 14, 15, 12, 13, 7, 8, 16, 17, 18, 22, 21, 9};
    for (int c = 1; c < ReportColumnLayout::Size; ++c) {
        QCOMPARE(int(reset.columnParam[size_t(c)]), c < 20 ? params[size_t(c)] : 255);
        QCOMPARE(int(reset.columnWidth[size_t(c)]), c <= 7 ? 2000 : c == 9 ? 1500 : c < 20 ? 1000 : 0);
    }
    for (int p : {10, 11, 19, 20, 23, 24})
        QCOMPARE(int(reset.paramColumn[size_t(p)]), 255);
    QCOMPARE(reset.lastColumn(), 19);

    for (int entry = -1; entry <= 11; ++entry) {
        ReportColumnLayout l;
        ApplyGroupingChoice(l, entry);
        if (entry < 0 || entry > 10) {
            QVERIFY(l == reset);
            continue;
        }
        // Texts rotate so the chosen one leads; any other choice leads with
        // the cargo after it and the document number in its old column.
        std::array<int, 26> expected = {};
        for (int c = 0; c < 26; ++c)
            expected[size_t(c)] = reset.columnParam[size_t(c)];
        QList<int> wide;
        if (entry <= 6) {
            for (int i = 0; i < 7; ++i)
                expected[size_t(i + 1)] = (entry + i) % 7;
            wide = {1, 2, 3, 4, 5, 6, 7};
        } else {
            const int home = QList<int>({8, 9, 10, 12})[entry - 7];
            expected[1] = GroupingParams[size_t(entry)];
            expected[2] = 0;
            expected[size_t(home)] = 1;
            wide = {1, 2, 3, 4, 5, 6, 7, home};
        }
        for (int c = 1; c < 26; ++c) {
            QCOMPARE(int(l.columnParam[size_t(c)]), expected[size_t(c)]);
            const int width = wide.contains(c) ? 2000 : reset.columnWidth[size_t(c)];
            QCOMPARE(int(l.columnWidth[size_t(c)]), width);
            if (c <= l.lastColumn())
                QCOMPARE(int(l.paramColumn[size_t(expected[size_t(c)])]), c);
        }
    }
}

void TestReportLayout::captionsAndWidths()
{
    fixtures::Bench b;
    // A hundred twips a character and a margin, standing in for the font.
    b.report->setCaptionWidth([](const QString &caption) { return int(caption.size()) * 100 + 50; });
    b.context->settings.ParamNames[6] = u"Сопровождающий | охрана"_s;
    b.report->ApplyColumnCaptions();

    const ReportTable &t = b.table();
    QCOMPARE(t.columnCount(), 20);
    QCOMPARE(t.text(0, 0).toString(), QString(11, u' '));
    QCOMPARE(t.alignment(0), ReportTable::Alignment::Centre);
    for (int c = 1; c <= 19; ++c) {
        const int p = b.report->columnLayout().columnParam[size_t(c)];
        QCOMPARE(t.text(0, c).toString(), b.context->settings.ParamNames[size_t(p)]);
        QCOMPARE(t.alignment(c), ReportTable::Alignment::Right);
    }
    // 18 characters fit 2000 twips; longer captions widen their column and
    // the layout keeps the wider value. A "|" in a name opens no column.
    QCOMPARE(t.columnWidth(0), 1150);
    QCOMPARE(t.columnWidth(1), 2000);
    QCOMPARE(t.columnWidth(7), 2350);
    QCOMPARE(t.columnWidth(8), 1250);
    QCOMPARE(int(b.report->columnLayout().columnWidth[7]), 2350);

    b.report->setSelectedEntry(3);
    b.report->ApplyGroupingChoice();
    QCOMPARE(int(b.report->columnLayout().columnWidth[8]), 1000);
    b.report->ApplyColumnCaptions();
    QCOMPARE(t.text(0, 1).toString(), u"Получатель груза"_s);
    QCOMPARE(t.columnWidth(4), 2350);
}

QTEST_GUILESS_MAIN(TestReportLayout)
#include "tst_reports_layout.moc"
