#include "ReportFixtures.h"

#include <QSignalSpy>

using namespace fixtures;

// The parameters renamed while a report is on screen.
class TestReportRename : public QObject
{
    Q_OBJECT

private slots:
    void namesFollowTheReportStays()
    {
        Bench b;
        writeDay(b.folders(), QDate(2012, 3, 1), {card(u"Песок"_s, u"завершена"_s, 1), card(u"Гравий"_s, u"завершена"_s, 2)});
        b.report->setColumnsExpanded(false);
        QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s, 2), ReportMessage::None);
        const ReportTable &t = b.table();
        const int rows = t.rowCount();
        QStringList before;
        for (int r = 1; r < rows; ++r)
            before << t.text(r, 1).toString();

        QSignalSpy fields(b.report.get(), &PeriodReport::fieldsChanged);
        b.context->settings.ParamNames[0] = u"Груз"_s;
        b.context->settings.ParamNames[2] = u"Поставщик"_s;
        b.report->applyParamNames();

        QCOMPARE(fields.count(), 1);
        QCOMPARE(b.report->parameterEntries().value(0), u"Груз"_s);
        QCOMPARE(b.report->parameterEntries().value(2), u"Поставщик"_s);
        QCOMPARE(b.report->selectedEntry(), 2);
        QStringList captions;
        for (int c = 1; c < t.columnCount(); ++c)
            captions << t.text(0, c).toString();
        QVERIFY2(captions.contains(u"Груз"_s) && captions.contains(u"Поставщик"_s), qPrintable(captions.join(u'|')));
        // The rows stay, and folded columns stay folded.
        QCOMPARE(t.rowCount(), rows);
        for (int r = 1; r < rows; ++r)
            QCOMPARE(t.text(r, 1).toString(), before[r - 1]);
        for (int c = 2; c <= 13 && c < t.columnCount(); ++c)
            QCOMPARE(t.columnWidth(c), 0);
    }
};

QTEST_GUILESS_MAIN(TestReportRename)
#include "tst_reports_rename.moc"
