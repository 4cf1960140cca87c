#include "../../AccessibleControls.h"
#include "../ReportFixtures.h"
#include "../../documents/PdfReader.h"

#include "reports/ReportPrinter.h"
#include "reports/ui/ReportFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

using namespace Qt::StringLiterals;
using fixtures::card;

namespace {

template<typename T>
T *named(QWidget &root, const QString &name)
{
    for (T *w : root.findChildren<T *>()) {
        if (w->accessibleName() == name)
            return w;
    }
    return nullptr;
}

// Closes the message box `trigger` opens and hands back its text.
QString messageOf(const std::function<void()> &trigger)
{
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    trigger();
    return text;
}

// As the system delivers it: a click, then the double click.
void doubleClick(QTableView *grid, int row)
{
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestReportFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_frame.reset(), m_bench.reset(); }
    void controlsAfterLoad();
    void fitsAndNamed();
    void buildFoldAndToggle();
    void messages();
    void printsEveryColumn();

private:
    std::unique_ptr<fixtures::Bench> m_bench;
    std::unique_ptr<ReportFrame> m_frame;
};

void TestReportFrame::init()
{
    m_bench = std::make_unique<fixtures::Bench>();
    fixtures::writeDay(m_bench->folders(), QDate(2012, 3, 1),
                       {card(u"Песок"_s, Statuses::complete(), 12.5), card(u"Гравий"_s, Statuses::deleted(), 2),
                        card(u"Песок"_s, Statuses::incomplete(), 4)});
    m_frame = std::make_unique<ReportFrame>(*m_bench->report);
    m_frame->resize(1200, 600);
    m_bench->report->loadMainWindow();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
}

void TestReportFrame::controlsAfterLoad()
{
    ReportFrame &f = *m_frame;
    QVERIFY(named<QGroupBox>(f, u"Отчеты о работе весов"_s));
    QVERIFY(named<QPushButton>(f, u"Сформировать"_s));
    QVERIFY(named<QCheckBox>(f, u"Раскрыть строки"_s)->isChecked());
    QVERIFY(named<QCheckBox>(f, u"Раскрыть столбцы"_s)->isChecked());
    for (QLabel *label : f.findChildren<QLabel *>())
        QCOMPARE(label->buddy()->accessibleName(), label->text());
    QCOMPARE(named<QLineEdit>(f, u"Дата 1"_s)->text(), u"15.03.2012"_s);
    QCOMPARE(named<QLineEdit>(f, u"Дата 2"_s)->text(), u"15.03.2012"_s);
    auto *list = named<QComboBox>(f, u"Выбор параметра"_s);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries, QStringList({u"Наименование груза"_s, u"№ документа"_s, u"Отправитель груза"_s,
                                   u"Получатель груза"_s, u"Номер машины"_s, u"Ф.И.О. водителя"_s,
                                   u"Ф.И.О. соправождающего"_s, u"Тип операции"_s, u"Статус"_s, u"Дата1"_s,
                                   u"Дата2"_s}));
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(m_bench->report->keptStart(), QDate(1899, 12, 30));

    // The grid is a view over the report's own model; entering the view
    // for the first time builds today's (empty) report into it.
    QTableView *grid = f.grid();
    QCOMPARE(grid->model(), m_bench->report->model());
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), u"Наименование груза"_s);
    QVERIFY(grid->columnWidth(1) >= qRound(2000.0 * grid->logicalDpiX() / 1440));
    f.enterView();
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->index(2, 1).data().toString(), u"ИТОГО: "_s);
}

// With the menu, the weight panel (axles shown) and the status line, a
// 1366x768 screen leaves the working frames about 360 pixels.
void TestReportFrame::fitsAndNamed()
{
    ReportFrame &f = *m_frame;
    f.layout()->activate();
    QVERIFY2(f.minimumSizeHint().height() <= 360, qPrintable(QString::number(f.minimumSizeHint().height())));

    QCOMPARE(AccessibleControls::badlyNamed(&f), QStringList());
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(named<QComboBox>(f, u"Выбор параметра"_s));
    QCOMPARE(list->text(QAccessible::Name), u"Выбор параметра"_s);
    QCOMPARE(list->text(QAccessible::Value), u"Наименование груза"_s);
}

void TestReportFrame::buildFoldAndToggle()
{
    ReportFrame &f = *m_frame;
    auto *date1 = named<QLineEdit>(f, u"Дата 1"_s);
    date1->selectAll();
    QTest::keyClicks(date1, u"01.03.2012"_s);
    QCOMPARE(m_bench->report->date1Text(), u"01.03.2012"_s);
    QTest::mouseClick(named<QPushButton>(f, u"Сформировать"_s), Qt::LeftButton);
    QTableView *grid = f.grid();
    QCOMPARE(grid->model()->rowCount(), 6);
    QVERIFY(!named<QProgressBar>(f, u"Формирование отчета"_s)->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!grid->indexWidget(grid->model()->index(1, 1)));

    // A data row of the second group closes it, its header opens it, the
    // total row does nothing.
    doubleClick(grid, 4);
    QCOMPARE(grid->model()->rowCount(), 4);
    QCOMPARE(grid->model()->index(2, 0).data().toString(), u"+"_s);
    doubleClick(grid, 2);
    QCOMPARE(grid->model()->rowCount(), 6);
    doubleClick(grid, 5);
    QCOMPARE(grid->model()->rowCount(), 6);

    named<QCheckBox>(f, u"Раскрыть столбцы"_s)->click();
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        QCOMPARE(grid->isColumnHidden(c), c >= 2 && c <= 13);
    named<QCheckBox>(f, u"Раскрыть строки"_s)->click();
    QCOMPARE(grid->model()->rowCount(), 3);

    named<QComboBox>(f, u"Выбор параметра"_s)->setCurrentIndex(8);
    named<QPushButton>(f, u"Сформировать"_s)->click();
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), u"Статус"_s);
    QCOMPARE(grid->model()->rowCount(), 4);
}

void TestReportFrame::messages()
{
    ReportFrame &f = *m_frame;
    auto *date1 = named<QLineEdit>(f, u"Дата 1"_s);
    auto *date2 = named<QLineEdit>(f, u"Дата 2"_s);
    auto *button = named<QPushButton>(f, u"Сформировать"_s);

    date2->selectAll();
    QTest::keyClicks(date2, u"16.03.2012"_s);
    QCOMPARE(messageOf([&] { button->click(); }), u"Дата окончания не может быть позже текущей даты"_s);
    QCOMPARE(date2->text(), u"15.03.2012"_s);
    date1->selectAll();
    QTest::keyClicks(date1, u"12.2011"_s);
    QCOMPARE(messageOf([&] { button->click(); }), u"Ошибка при вводе даты"_s);
    QCOMPARE(date1->text(), u"15.03.2012"_s);
}

// The frame's defaults (all columns, portrait) and the other three choices:
// every column reaches the paper, rows keep their order, and each page of
// the picture repeats the captions.
void TestReportFrame::printsEveryColumn()
{
    ReportFrame &f = *m_frame;
    QList<CargoCard> cards;
    for (int i = 0; i < 300; ++i) {
        CargoCard c = card(u"Щебень"_s, Statuses::complete(), 30000 + i, 10000);
        c.texts[DocumentNumber] = u"Д"_s + QString::number(1000 + i);
        c.litterPercent = 1.5;
        cards << c;
    }
    fixtures::writeDay(m_bench->folders(), QDate(2012, 3, 10), cards);
    ReportPrinter printer(*m_bench->report, m_bench->clock, m_bench->dir.path() + u"/Print/"_s,
                          PrintSurface::Destination::PdfFiles);
    f.attachPrinter(printer);
    QStringList files;
    connect(&printer.surface(), &PrintSurface::documentFinished, this,
            [&files](const QString &path, bool) { files << path; });

    auto *date1 = named<QLineEdit>(f, u"Дата 1"_s);
    date1->clear();
    QTest::keyClicks(date1, u"01.03.2012"_s);
    QTest::mouseClick(named<QPushButton>(f, u"Сформировать"_s), Qt::LeftButton);
    QVERIFY(named<QCheckBox>(f, u"Раскрыть столбцы"_s)->isChecked());
    QCOMPARE(m_bench->rows(), 308);

    auto *text = named<QCheckBox>(f, u"текст"_s);
    auto *landscape = named<QCheckBox>(f, u"альбомная"_s);
    for (int mode = 0; mode < 4; ++mode) {
        const QString what = u"mode "_s + QString::number(mode);
        if (text->isChecked() != bool(mode & 1))
            QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(5, text->height() / 2));
        if (landscape->isChecked() != bool(mode & 2))
            QTest::mouseClick(landscape, Qt::LeftButton, {}, QPoint(5, landscape->height() / 2));
        QCOMPARE(printer.textMode(), bool(mode & 1));
        QCOMPARE(printer.landscape(), bool(mode & 2));
        files.clear();
        QTest::mouseClick(f.printButton(), Qt::LeftButton);
        QCOMPARE(files.size(), 1);

        const QList<PdfReader::Page> pages = PdfReader::pages(files[0]);
        QVERIFY2(pages.size() > 1, qPrintable(what));
        QStringList documents;
        int litter = 0;
        for (const PdfReader::Page &page : pages) {
            bool caption = false;
            for (const PdfReader::Word &w : page.words) {
                QVERIFY2(w.x >= 0 && w.right <= page.width + 20, qPrintable(what + u' ' + w.text));
                if (w.text.startsWith(u"Д1"_s))
                    documents << w.text;
                litter += w.text == u"1,5"_s;
                caption = caption || w.text == u"Наименование"_s;
            }
            // Text mode prints the caption line at the top of each band of
            // columns; the picture on every page, the first column standing
            // in every band.
            QVERIFY2(caption || (mode & 1 && &page != &pages.first()), qPrintable(what));
        }
        QCOMPARE(documents.size(), 300);
        for (int i = 0; i < 300; ++i)
            QCOMPARE(documents[i], u"Д"_s + QString::number(1000 + i));
        QCOMPARE(litter, 300);
    }
}

QTEST_MAIN(TestReportFrame)
#include "tst_reports_frame.moc"
