#include "ReportFixtures.h"

#include "core/ProgressDisplay.h"

#include <QDir>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using fixtures::Bench;
using fixtures::card;
using fixtures::writeDay;

namespace {

const QString Done = u"завершена"_s;
const QString Open = u"незавершена"_s;
const QString Deleted = u"удалена"_s;
const QString Total = u"ИТОГО: "_s;

QStringList list(std::initializer_list<const char16_t *> items)
{
    QStringList out;
    for (const char16_t *s : items)
        out << QString::fromUtf16(s);
    return out;
}

struct Recorder : ProgressDisplay
{
    QList<int> steps;
    int begun = 0;
    int ended = 0;
    void beginProgress() override { ++begun; }
    void stepProgress(int done, int total) override { steps << done * 100 / total; }
    void endProgress() override { ++ended; }
};

} // namespace

class TestReportBuilder : public QObject
{
    Q_OBJECT

private slots:
    void emptyPeriods();
    void laterYearStartAndOneDay();
    void coloursAndSums();
    void closedByCopyShownNotSummed();
    void groupsOnExactText();
    void collapseExpandAndToggle();
    void checksInOrder();
    void enteringTheView();
    void damagedDayFiles();
};

void TestReportBuilder::emptyPeriods()
{
    Bench b;
    // No year folder: captions and one empty row, no groups, no total.
    QCOMPARE(b.build(u"01.01.2011"_s, u"31.12.2011"_s), ReportMessage::None);
    QCOMPARE(b.rows(), 2);
    QCOMPARE(b.text(0, 0), QString(11, u' '));
    QCOMPARE(b.text(0, 19), u"% Засора"_s);
    QCOMPARE(b.table().row(1).cellCount(), 0);

    // Year folder, no cards (an empty day file is no different): one empty
    // group, one empty row, the total, zeros in the summed columns.
    writeDay(b.folders(), QDate(2012, 2, 10), {});
    QCOMPARE(b.build(u"01.02.2012"_s, u"29.02.2012"_s), ReportMessage::None);
    QCOMPARE(b.column(0), list({u"-", u"", u"*"}));
    QCOMPARE(b.column(1), list({u"", u"", u"ИТОГО: "}));
    for (int p : {Gross, Net, Tare, CleanWeight, LitterWeight, LitterPercent}) {
        QCOMPARE(b.value(1, p), u"0"_s);
        QCOMPARE(b.value(2, p), QString());
        QCOMPARE(b.value(3, p), u"0"_s);
    }
}

void TestReportBuilder::laterYearStartAndOneDay()
{
    Bench b;
    writeDay(b.folders(), QDate(2011, 1, 1), {card(u"Первый день"_s, Done, 10)});
    writeDay(b.folders(), QDate(2011, 12, 31), {card(u"Конец года"_s, Done, 20)});
    writeDay(b.folders(), QDate(2012, 3, 14), {card(u"Последний"_s, Done, 40)});
    writeDay(b.folders(), QDate(2012, 3, 15), {card(u"После конца"_s, Done, 80)});

    QCOMPARE(b.build(u"10.05.2010"_s, u"14.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"Конец года", u"Конец года", u"Первый день", u"Первый день", u"Последний",
                                u"Последний", u"ИТОГО: "}));
    QCOMPARE(b.value(b.rows() - 1, Gross), u"70"_s);

    QCOMPARE(b.build(u"31.12.2011"_s, u"31.12.2011"_s), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"Конец года", u"Конец года", u"ИТОГО: "}));
    QCOMPARE(b.report->keptStart(), QDate(2011, 12, 31));
    QCOMPARE(b.report->keptEnd(), QDate(2011, 12, 31));
}

void TestReportBuilder::coloursAndSums()
{
    Bench b;
    CargoCard a = card(u"Песок"_s, Done, 300, 200);
    a.litterPercent = 2;
    CargoCard open = card(u"Песок"_s, u" незавершена "_s, 12.5);
    open.litterPercent = 3.5;
    writeDay(b.folders(), QDate(2012, 3, 1),
             {a, open, card(u"Песок"_s, Deleted, 5000, 1000), card(u"Гравий"_s, Deleted, 70), card(u"Песок"_s, Done, 0.2),
              card(u"Песок"_s, Done, 0.1)});
    QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.column(0), list({u"-", u"", u"-", u"", u"", u"", u"", u"", u"*"}));

    const ReportTable &t = b.table();
    int pink = 0, yellow = 0;
    for (int r = 1; r < b.rows(); ++r) {
        const ReportRow &row = t.row(r);
        const QString status = b.value(r, Status);
        if (!b.text(r, 0).isEmpty()) {
            QCOMPARE(row.background(), PeriodReport::HeaderColour);
            QCOMPARE(row.styledFrom(), 0);
            QVERIFY(row.isBold());
            QCOMPARE(row.fontWidth(), 6);
        } else if (status == Deleted) {
            QCOMPARE(row.background(), PeriodReport::DeletedColour);
            QCOMPARE(row.styledFrom(), 1);
            ++pink;
        } else if (IsIncomplete(status)) {
            QCOMPARE(row.background(), PeriodReport::IncompleteColour);
            QCOMPARE(row.styledFrom(), 1);
            ++yellow;
        } else {
            QCOMPARE(row.styledFrom(), -1);
        }
    }
    QCOMPARE(pink, 2);
    QCOMPARE(yellow, 1);
    QCOMPARE(t.row(0).styledFrom(), -1);

    // A group of deleted cards shows, summing nothing; the incomplete card
    // and the decimal commas add up; litter percentages are added, not averaged.
    QCOMPARE(b.value(1, Gross), u"0"_s);
    QCOMPARE(b.value(3, Gross), u"312,8"_s);
    QCOMPARE(b.value(3, Tare), u"200"_s);
    QCOMPARE(b.value(3, Net), u"112,8"_s);
    QCOMPARE(b.value(3, LitterPercent), u"5,5"_s);
    QCOMPARE(b.value(9, Net), u"112,8"_s);
    QCOMPARE(b.value(9, LitterPercent), u"5,5"_s);
}

void TestReportBuilder::closedByCopyShownNotSummed()
{
    Bench b;
    // Yesterday's "Разгрузка" closed by today's completed copy.
    CargoCard original = card(u"Песок"_s, Done, 24600);
    original.net = original.cleanWeight = 0;
    CargoCard copy = card(u"Песок"_s, Done, 24600, 12400);
    // Cards that come close and are genuine weighings: a tare read as 0,
    // a "Погрузка" whose gross was read as 0, cards still open, a one-pass card.
    CargoCard zeroTare = card(u"Песок"_s, Done, 500);
    CargoCard zeroGross = card(u"Песок"_s, Done, 0, 300);
    zeroGross.operationType = OperationTypes::loading();
    CargoCard openUnloading = card(u"Песок"_s, Open, 7000);
    openUnloading.net = 0;
    CargoCard openLoading = card(u"Песок"_s, Open, 0, 9000);
    openLoading.operationType = OperationTypes::loading();
    openLoading.net = 0;
    CargoCard single = card(u"Песок"_s, Done, 40);
    single.operationType = OperationTypes::single();
    writeDay(b.folders(), QDate(2012, 3, 1), {original, zeroTare, zeroGross, openUnloading, openLoading, single});
    writeDay(b.folders(), QDate(2012, 3, 2), {copy}, 10);

    QCOMPARE(b.build(u"01.03.2012"_s, u"02.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.rows(), 10);
    int closed = 0;
    for (int r = 2; r <= 8; ++r) {
        const ReportRow &row = b.table().row(r);
        if (b.value(r, Gross) != u"(24600)"_s) {
            QVERIFY(!row.isUnsummed());
            continue;
        }
        ++closed;
        QVERIFY(row.isUnsummed());
        QCOMPARE(row.background(), PeriodReport::ClosedByCopyColour);
        QCOMPARE(b.value(r, Net), u"(0)"_s);
        QCOMPARE(b.value(r, Tare), u"(0)"_s);
        QCOMPARE(b.value(r, Status), Done);
    }
    QCOMPARE(closed, 1);
    // The vehicle counts once, by its copy; every genuine card counts.
    QCOMPARE(b.value(9, Gross), u"32140"_s);
    QCOMPARE(b.value(9, Tare), u"21700"_s);
    QCOMPARE(b.value(9, Net), u"12440"_s);

    // The original's day alone: still shown and still not summed.
    QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.value(b.rows() - 1, Gross), u"7540"_s);

    // What the archive completion leaves and nothing else.
    original.date2 = copy.date1 = toOleDate(QDate(2012, 3, 2));
    QVERIFY(PeriodReport::isClosedByCopy(original));
    CargoCard loaded = zeroGross;
    loaded.net = 0;
    loaded.date2 = original.date2;
    QVERIFY(PeriodReport::isClosedByCopy(loaded));
    original.date2 = 0;
    QVERIFY(!PeriodReport::isClosedByCopy(original));
    for (const CargoCard &c : {zeroTare, zeroGross, openUnloading, openLoading, single, copy})
        QVERIFY(!PeriodReport::isClosedByCopy(c));
}

void TestReportBuilder::groupsOnExactText()
{
    Bench b;
    QList<CargoCard> cards = {card(u"Песок"_s, Done, 1), card(u"песок"_s, Done, 2), card(u"Песок "_s, Done, 4),
                              card(u"Песок"_s, Done, 8)};
    // Document numbers equal as numbers but not as texts.
    const QStringList documents = {u"1"_s, u"01"_s, u"1"_s, u"1,0"_s};
    for (int i = 0; i < 4; ++i)
        cards[i].texts[DocumentNumber] = documents[i];
    writeDay(b.folders(), QDate(2012, 3, 1), cards);

    QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.column(0), list({u"-", u"", u"", u"-", u"", u"-", u"", u"*"}));
    QCOMPARE(b.column(1), list({u"Песок", u"Песок", u"Песок", u"песок", u"песок", u"Песок ", u"Песок ", u"ИТОГО: "}));
    QCOMPARE(b.value(1, Gross), u"9"_s);
    QCOMPARE(b.value(6, Gross), u"4"_s);

    // By document number: the sort meets "1", "01" and "1,0" as one number,
    // yet each text keeps one group with one header.
    QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s, 1), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"01", u"01", u"1", u"1", u"1", u"1,0", u"1,0", u"ИТОГО: "}));
    QCOMPARE(b.value(3, Gross), u"5"_s);

    // By date: days in order of the calendar, not of their text.
    writeDay(b.folders(), QDate(2011, 12, 20), {card(u"Уголь"_s, Done, 1)});
    writeDay(b.folders(), QDate(2012, 1, 5), {card(u"Уголь"_s, Done, 1)});
    QCOMPARE(b.build(u"01.12.2011"_s, u"15.03.2012"_s, 9), ReportMessage::None);
    QCOMPARE(b.text(0, 1), u"Дата1"_s);
    QCOMPARE(b.text(0, 10), u"№ документа"_s);
    QCOMPARE(b.text(1, 1), u"20.12.2011"_s);
    QCOMPARE(b.text(3, 1), u"05.01.2012"_s);
    QCOMPARE(b.text(5, 1), u"01.03.2012"_s);
}

void TestReportBuilder::collapseExpandAndToggle()
{
    Bench b;
    writeDay(b.folders(), QDate(2012, 3, 1),
             {card(u"Песок"_s, Done, 1), card(u"Гравий"_s, Done, 2), card(u"Песок"_s, Done, 4)});
    b.report->setRowsExpanded(false);
    b.report->setColumnsExpanded(false);
    QCOMPARE(b.build(u"01.03.2012"_s, u"01.03.2012"_s), ReportMessage::None);

    const ReportTable &t = b.table();
    ReportTableModel *model = b.report->model();
    QCOMPARE(b.column(0), list({u"+", u"", u"+", u"", u"", u"*"}));
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->tableRow(1), 3);
    for (int c = 0; c < t.columnCount(); ++c)
        QCOMPARE(t.columnWidth(c) == 0, c >= 2 && c <= 13);

    // A header opens its group only, a data row closes its own group.
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    b.report->ToggleGroup(3);
    QCOMPARE(b.column(0), list({u"+", u"", u"-", u"", u"", u"*"}));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model->rowCount(), 5);
    QVERIFY(t.isRowHidden(2) && !t.isRowHidden(4) && !t.isRowHidden(5));
    b.report->ToggleGroup(5);
    QCOMPARE(b.column(0), list({u"+", u"", u"+", u"", u"", u"*"}));
    QCOMPARE(model->rowCount(), 3);
    // The caption row and the total row do nothing, nor do rows outside.
    for (int r : {0, 6, 7, -1})
        b.report->ToggleGroup(r);
    QCOMPARE(b.column(0), list({u"+", u"", u"+", u"", u"", u"*"}));

    b.report->setRowsExpanded(true);
    b.report->setColumnsExpanded(true);
    b.report->ApplyExpandOptions();
    QCOMPARE(b.column(0), list({u"-", u"", u"-", u"", u"", u"*"}));
    QCOMPARE(model->rowCount(), 6);
    for (int c = 1; c < t.columnCount(); ++c)
        QCOMPARE(t.columnWidth(c), int(b.report->columnLayout().columnWidth[size_t(c)]));

    // A table without groups has nothing to toggle.
    QCOMPARE(b.build(u"01.01.2011"_s, u"31.01.2011"_s), ReportMessage::None);
    b.report->ToggleGroup(1);
    QCOMPARE(b.text(0, 0), QString(11, u' '));
}

void TestReportBuilder::checksInOrder()
{
    Bench b;
    writeDay(b.folders(), QDate(2012, 3, 1), {card(u"Песок"_s, Done, 1)});
    Recorder progress;
    b.report->setProgressDisplay(&progress);
    QCOMPARE(b.build(u"01.01.2012"_s, u"02.03.2012"_s), ReportMessage::None);
    QCOMPARE(progress.begun, 1);
    QCOMPARE(progress.ended, 1);
    QCOMPARE(progress.steps.first(), 0);
    QCOMPARE(progress.steps.last(), 100);
    QVERIFY(progress.steps.size() > 10 && std::is_sorted(progress.steps.begin(), progress.steps.end()));

    const struct
    {
        const char16_t *start, *end;
        ReportMessage message;
    } cases[] = {
        {u"31.02.2012", u"01.03.2012", ReportMessage::BadDate},
        {u"05.01.2009", u"", ReportMessage::BadDate},
        {u"1.3.12", u"01.03.2012", ReportMessage::BadDate},
        {u"05.01.2009", u"01.01.2009", ReportMessage::StartAfterEnd},
        {u"31.12.2009", u"16.03.2012", ReportMessage::StartTooEarly},
        {u"01.03.2012", u"16.03.2012", ReportMessage::EndAfterToday},
    };
    for (const auto &c : cases) {
        QCOMPARE(b.build(QString::fromUtf16(c.start), QString::fromUtf16(c.end)), c.message);
        QCOMPARE(b.report->date1Text(), u"15.03.2012"_s);
        QCOMPARE(b.report->date2Text(), u"15.03.2012"_s);
        QCOMPARE(b.report->keptStart(), QDate(2012, 3, 15));
        QCOMPARE(b.report->keptEnd(), QDate(2012, 3, 15));
        QCOMPARE(b.column(1), list({u"Песок", u"Песок", u"ИТОГО: "}));
    }
    QCOMPARE(progress.begun, 1);
    QCOMPARE(reportMessageText(ReportMessage::BadDate), u"Ошибка при вводе даты"_s);
    QCOMPARE(reportMessageText(ReportMessage::StartAfterEnd), u"Дата начала не может быть позже даты окончания."_s);
    QCOMPARE(reportMessageText(ReportMessage::StartTooEarly), u"Дата начала не может быть раньше 01.01.2010"_s);
    QCOMPARE(reportMessageText(ReportMessage::EndAfterToday), u"Дата окончания не может быть позже текущей даты"_s);

    QCOMPARE(b.build(u"01.01.2010"_s, u"15.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.build(u" 1.3.2012 "_s, u"1.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.report->keptStart(), QDate(2012, 3, 1));
}

void TestReportBuilder::enteringTheView()
{
    Bench b;
    writeDay(b.folders(), QDate(2012, 3, 15), {card(u"Сегодня"_s, Done, 1)});
    // First visit: both kept dates are zero, so today's report is built.
    QCOMPARE(b.report->enterView(), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"Сегодня", u"Сегодня", u"ИТОГО: "}));

    // A longer period is kept as it is; captions follow renamed parameters,
    // folded columns stay folded.
    writeDay(b.folders(), QDate(2012, 3, 14), {card(u"Вчера"_s, Done, 1)});
    QCOMPARE(b.build(u"13.03.2012"_s, u"14.03.2012"_s), ReportMessage::None);
    writeDay(b.folders(), QDate(2012, 3, 13), {card(u"Позавчера"_s, Done, 1)});
    b.context->settings.ParamNames[4] = u"Госномер"_s;
    b.report->setColumnsExpanded(false);
    b.report->ApplyExpandOptions();
    QCOMPARE(b.report->enterView(), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"Вчера", u"Вчера", u"ИТОГО: "}));
    QCOMPARE(b.text(0, 5), u"Госномер"_s);
    QCOMPARE(b.table().columnWidth(5), 0);

    // After a rejected period the view builds again, with today's dates.
    QCOMPARE(b.build(u"xx"_s, u"14.03.2012"_s), ReportMessage::BadDate);
    QCOMPARE(b.report->enterView(), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"Сегодня", u"Сегодня", u"ИТОГО: "}));
}

void TestReportBuilder::damagedDayFiles()
{
    Bench b;
    // Card 2 has ID 0: the file ends there, whatever its count says.
    writeDay(b.folders(), QDate(2012, 3, 1),
             {card(u"Первая"_s, Done, 1), card(u"Пропуск"_s, Done, 100), card(u"Третья"_s, Done, 2)});
    QFile gap(dayFilePath(b.folders(), QDate(2012, 3, 1)));
    QVERIFY(gap.open(QIODevice::ReadWrite) && gap.seek(DayFileLayout::cardOffset(2)));
    QCOMPARE(gap.write(QByteArray(4, '\0')), 4);
    gap.close();
    // A file cut inside card 2 still gives it, zero and empty from the cut.
    writeDay(b.folders(), QDate(2012, 3, 2), {card(u"Целая"_s, Done, 4), card(u"Обрезанная"_s, Done, 8)});
    QVERIFY(QFile::resize(dayFilePath(b.folders(), QDate(2012, 3, 2)), DayFileLayout::cardOffset(2) + 40));
    // A folder where a day file should be adds nothing.
    QVERIFY(QDir().mkpath(dayFilePath(b.folders(), QDate(2012, 3, 3))));
    // A TAB inside a text stays in its cell.
    writeDay(b.folders(), QDate(2012, 3, 4), {card(u"Щебень\tмытый"_s, Done, 16)});

    QCOMPARE(b.build(u"01.03.2012"_s, u"04.03.2012"_s), ReportMessage::None);
    QCOMPARE(b.column(1), list({u"", u"", u"Первая", u"Первая", u"Целая", u"Целая", u"Щебень\tмытый",
                                u"Щебень\tмытый", u"ИТОГО: "}));
    QCOMPARE(b.value(2, Date1), u"02.03.2012"_s);
    QCOMPARE(b.value(2, Status), QString());
    QCOMPARE(b.value(b.rows() - 2, Status), Done);
    QCOMPARE(b.value(b.rows() - 1, Gross), u"21"_s);
}

QTEST_GUILESS_MAIN(TestReportBuilder)
#include "tst_reports_builder.moc"
