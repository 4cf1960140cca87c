#include "../AccessibleControls.h"

#include "common/RecordingServices.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/ParamExtras.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "archive/ArchiveBrowser.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/DayList.h"
#include "archive/ui/ArchiveFrame.h"
#include "store/ui/DayListView.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"
#include "weighing/ui/CardFieldsView.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

CargoCard card(int n, const QString &type = u"Погрузка"_s, const QString &status = u"незавершена"_s)
{
    CargoCard c;
    c.texts[CargoName] = u"Песок"_s;
    c.texts[VehicleNumber] = u"В777ОР"_s;
    c.id = 100 + n;
    c.number = n;
    c.date1 = toOleDate(QDate(2026, 12, 8));
    c.time1 = toOleDate(QDate(1899, 12, 30), QTime(8, 0));
    c.operationType = type;
    c.status = status;
    c.tare = 12000;
    return c;
}

// Answers the next message box with OK and keeps its text.
void answerNextMessageBox(QString *text)
{
    QTimer::singleShot(0, [text] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                *text = box->text();
                box->button(QMessageBox::Ok)->click();
                return;
            }
    });
}

void clickLine(DayListView &view, int line)
{
    QPlainTextEdit *box = view.textBox();
    QTextCursor at(box->document()->findBlockByNumber(line));
    at.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 30);
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->cursorRect(at).center());
}

} // namespace

class TestArchiveFrame : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void lineRule()
    {
        DayList list;
        for (int n : {7, 1234, 99})
            list.append(card(n));
        const QString page = list.page(0);
        QCOMPARE(page.size(), 303);
        QCOMPARE(page.mid(101, 11), u"\r\n 1234    "_s);
        for (qsizetype caret : {0, 1, 50, 100})
            QCOMPARE(DayList::numberAt(page, caret), 7);
        for (qsizetype caret : {101, 150, 201})
            QCOMPARE(DayList::numberAt(page, caret), 1234);
        QCOMPARE(DayList::numberAt(page, 302), 99);
        QCOMPARE(DayList::numberAt(page, 303), 0);
        QCOMPARE(DayList::numberAt(QString(), 0), 0);
        QCOMPARE(DayList::previousPage(2, 2), 1);
        QCOMPARE(DayList::previousPage(0, 2), 2);
        QCOMPARE(DayList::previousPage(0, 0), 0);
    }

    void clickAndArrowKeys()
    {
        DayList list;
        for (int n : {7, 1234, 99})
            list.append(card(n));
        DayListView view(u"Карточки дня"_s);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showList(list);
        QSignalSpy chosen(&view, &DayListView::cardChosen);
        QVERIFY(chosen.isEmpty()); // showing the list chooses nothing

        clickLine(view, 1);
        QTRY_COMPARE(chosen.size(), 1);
        QCOMPARE(chosen.last()[0].toInt(), 1234);
        QCOMPARE(view.textBox()->textCursor().selectedText(), DayList::line(card(1234)).mid(2));

        QTest::keyClick(view.textBox(), Qt::Key_Down);
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen.last()[0].toInt(), 99);
        QTest::keyClick(view.textBox(), Qt::Key_Up);
        QTest::keyClick(view.textBox(), Qt::Key_Up);
        QCOMPARE(chosen.size(), 4);
        QCOMPARE(chosen.last()[0].toInt(), 7);
        // Other keys choose nothing.
        QTest::keyClick(view.textBox(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(view.textBox(), Qt::Key_PageDown);
        QCOMPARE(chosen.size(), 4);
    }

    void pageButtonCycles()
    {
        DayList list;
        for (int n = 1; n <= 2 * 633 + 1; ++n)
            list.append(card(n));
        QCOMPARE(list.lastPage(), 2);
        DayListView view(u"Архив дня"_s);
        view.show();
        view.showList(list);
        QPushButton *page = view.pageButton();
        QVERIFY(page->isVisible());
        QCOMPARE(page->text(), u"2"_s);
        QCOMPARE(view.text(), DayList::line(card(1267)).mid(2));
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(page, Qt::LeftButton);
            seen << page->text();
        }
        QCOMPARE(seen, (QStringList{u"1"_s, u"0"_s, u"2"_s, u"1"_s}));
        QVERIFY(view.text().startsWith(DayList::line(card(634)).mid(2)));
        // A new list shows its last page again; one page needs no button.
        DayList one;
        one.append(card(1));
        view.showList(one);
        QVERIFY(!page->isVisible());
        QCOMPARE(page->text(), u"0"_s);
    }

    void listHeaderAndLeftEdge()
    {
        std::array<QString, 25> names = defaultParamNames(u"кг"_s);
        const QString header = DayList::header(names);
        QCOMPARE(header, u" №       Дата1  Время  Наименование груза       Номер машины     Брутто,кг   Нетто,кг    Тары,кг   "_s);
        QCOMPARE(header.size(), DayList::LineChars - 2);
        CargoCard c = card(12);
        c.gross = 30100;
        c.net = 18100;
        const QString line = DayList::line(c).mid(2);
        QCOMPARE(header.indexOf(u"№"_s), line.indexOf(u"12"_s));
        QCOMPARE(header.indexOf(u"Номер машины"_s), line.indexOf(u"В777ОР"_s));
        QCOMPARE(header.indexOf(u"Нетто"_s), line.indexOf(u"18100"_s));
        // A long name is cut to its column and moves no other.
        names[CargoName] = u"Наименование перевозимого груза"_s;
        QCOMPARE(DayList::header(names).mid(23, 25), u"Наименование перевозимо  "_s);
        QCOMPARE(DayList::header(names).indexOf(u"Номер машины"_s), header.indexOf(u"Номер машины"_s));

        DayList list;
        for (int n = 1; n <= 40; ++n)
            list.append(card(n));
        DayListView view(u"Карточки дня"_s);
        view.resize(420, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPlainTextEdit *box = view.textBox();
        box->horizontalScrollBar()->setValue(50);
        view.showList(list);
        // The last line in sight, from its left edge on.
        QVERIFY(box->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(box->horizontalScrollBar()->value(), 0);
        QCOMPARE(box->textCursor().blockNumber(), 39);
        QCOMPARE(box->textCursor().positionInBlock(), 0);
        QVERIFY(box->viewport()->rect().contains(box->cursorRect()));

        // The header is no part of the list's text, and sits over its columns.
        QCOMPARE(view.text().count(u'\n'), 39);
        QCOMPARE(view.header()->text(), header);
        QCOMPARE(view.header()->font(), box->font());
        const auto headerX = [&](int column) {
            return view.header()->mapTo(&view, QPoint(view.header()->fontMetrics().horizontalAdvance(header.left(column)), 0)).x();
        };
        const auto lineX = [&](int column) {
            QTextCursor at(box->document()->findBlockByNumber(39));
            at.setPosition(at.position() + column);
            return box->viewport()->mapTo(&view, box->cursorRect(at).topLeft()).x();
        };
        const int vehicle = int(header.indexOf(u"Номер машины"_s));
        QCOMPARE(headerX(0), lineX(0));
        QVERIFY(qAbs(headerX(vehicle) - lineX(vehicle)) <= 1);
        box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->maximum());
        QVERIFY(lineX(0) < box->x());
        QCOMPARE(headerX(0), lineX(0));

        // New parameter names rename the columns.
        Settings s;
        s.ParamNames = names;
        view.setCaptions(s);
        QCOMPARE(view.header()->text(), DayList::header(names));
        QCOMPARE(headerX(0), lineX(0));
    }

    void archiveFitsALowScreen()
    {
        Settings s;
        s.ParamNames = defaultParamNames(u"кг"_s);
        ArchiveFrame frame;
        frame.setCaptions(s);
        QCOMPARE(frame.list()->header()->text(), DayList::header(s.ParamNames));
        frame.calendar()->show();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.layout()->activate();
        // With the menu, the weight panel (axles shown) and the status line, a
        // 1366x768 screen leaves the working frames about 360 pixels.
        const QSize minimum = frame.minimumSizeHint();
        QVERIFY2(minimum.height() <= 360, qPrintable(QString::number(minimum.height())));

        // At that height the calendar is whole; the card scrolls instead.
        frame.resize(qMax(minimum.width(), 900), minimum.height());
        QCalendarWidget *calendar = frame.calendar();
        QTRY_VERIFY(calendar->height() >= calendar->minimumSizeHint().height());
        for (QWidget *w : std::initializer_list<QWidget *>{calendar, frame.dateButton()})
            QVERIFY(frame.contentsRect().contains(QRect(w->mapTo(&frame, QPoint()), w->size())));

        for (QLineEdit *field : frame.fields()->findChildren<QLineEdit *>())
            field->setText(u"значение"_s);
        QCOMPARE(AccessibleControls::badlyNamed(&frame), QStringList());
    }

    void frameMirrorsTheBrowser()
    {
        Clock clock;
        clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        AppContext context(clock, Folders(m_dir.path()));
        EventLog log(context);
        DayFiles days(context, log);
        ExtraNames names;
        ParamExtras extras(names, context.folders.BaseFolder);
        QStringList calls;
        RecordingExports exports(calls);
        RecordingPhotos photos(calls);
        CardCommit commit(context, log, days, exports, photos);
        Weighing weighing(context, log, days, extras, exports, photos, commit);
        ArchiveBrowser browser(context, days, weighing);
        QVERIFY(context.folders.createMonthDataFolder(QDate(2026, 12, 8)));
        QFile file(dayFilePath(context.folders, QDate(2026, 12, 8)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encodeCountRecord(2) + encodeDayCard(card(1, u"Разгрузка"_s, u"завершена"_s)) + encodeDayCard(card(2)));
        file.close();

        ArchiveFrame frame;
        frame.attach(browser);
        frame.show();
        QVERIFY(!frame.calendar()->isVisible());
        QTest::mouseClick(frame.dateButton(), Qt::LeftButton);
        QVERIFY(frame.calendar()->isVisible());

        QString message;
        answerNextMessageBox(&message);
        emit frame.calendar()->clicked(QDate(2026, 12, 10));
        QCOMPARE(message, u"Выберите дату до 09.12.2026"_s);
        QCOMPARE(frame.calendar()->selectedDate(), QDate(2026, 12, 9));
        answerNextMessageBox(&message);
        emit frame.calendar()->clicked(QDate(2026, 12, 1));
        QCOMPARE(message, u"Данные отсутствуют"_s);
        QVERIFY(frame.calendar()->isVisible());

        emit frame.calendar()->clicked(QDate(2026, 12, 8));
        QVERIFY(!frame.calendar()->isVisible());
        QCOMPARE(frame.fields()->fieldText(CardNumber), u"2"_s);
        QVERIFY(frame.grossButton()->isVisible());
        QVERIFY(!frame.receiptButton()->isVisible());
        QCOMPARE(frame.fields()->fieldColour(Net), QColor(128, 255, 128));
        QCOMPARE(frame.list()->text().count(u'\n'), 1);

        // A line of the list: that card, and its buttons.
        clickLine(*frame.list(), 0);
        QTRY_COMPARE(frame.fields()->fieldText(CardNumber), u"1"_s);
        QVERIFY(!frame.grossButton()->isVisible());
        QVERIFY(frame.receiptButton()->isVisible());
        QCOMPARE(frame.fields()->fieldColour(Net), QColor(0, 128, 0));
        QCOMPARE(browser.openedForCompletion(), 0);
    }
};

QTEST_MAIN(TestArchiveFrame)
#include "tst_archive_frame.moc"
