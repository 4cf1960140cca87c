// A card weighed one day and completed the next from the archive, through
// the main window, with the pick lists and additional parameters around it.

#include "ProgramFixture.h"
#include "documents/PdfReader.h"
#include "terminal/FakeTerminalPort.h"
#include "core/OleDate.h"
#include "archive/ArchiveBrowser.h"
#include "store/DayFileCodec.h"
#include "archive/ui/ArchiveFrame.h"
#include "store/ui/DayListView.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QtEndian>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kYesterday(QDate(2026, 12, 8), QTime(17, 30, 0));
const QDateTime kToday(QDate(2026, 12, 9), QTime(9, 15, 0));

// The day-file layout read by hand; `rec` counts from 1.
qint64 at(int card, int rec) { return 16 * (qint64(card - 1) * 74 + rec - 1); }
qint32 i32(const QByteArray &f, qint64 off) { return qFromLittleEndian<qint32>(f.constData() + off); }
double f64(const QByteArray &f, qint64 off)
{
    double v;
    std::memcpy(&v, f.constData() + off, 8);
    return v;
}
QString shortAt(const QByteArray &f, qint64 off)
{
    QString s;
    for (char c : f.mid(off + 2, qFromLittleEndian<quint16>(f.constData() + off)))
        s += QChar(quint8(c) < 0x80 ? ushort(c) : ushort(0x410 + quint8(c) - 0xC0));
    return s;
}
double oleDay(const QDateTime &t) { return toOleDate(t.date()); }
double oleTime(const QDateTime &t) { return toOleDate(QDate(1899, 12, 30), t.time()); }

QByteArray field(const QString &text)
{
    QByteArray out;
    for (QChar c : text)
        out += c.unicode() < 0x80 ? char(c.unicode()) : char(0xC0 + (c.unicode() - 0x410));
    return out + QByteArray(128 - out.size(), ' ');
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void clickLine(DayListView *view, int line)
{
    QPlainTextEdit *box = view->textBox();
    QTextCursor c(box->document()->findBlockByNumber(line));
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 40);
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->cursorRect(c).center());
}

} // namespace

class TestArchiveEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = new FakeTerminalPort;

    DataEntryFrame *entry() const { return m_p->window->dataEntryFrame(); }
    // The terminal sends `w` (whole kilograms) in the frame of type 1.
    void weigh(double w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(qint64(w)).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
        QCOMPARE(m_p->weighing->WeighingWeight(), w);
    }
    void chooseType(const QString &type)
    {
        QComboBox *box = entry()->operationTypeBox();
        box->setCurrentText(type);
        emit box->textActivated(type);
    }
    void press(QPushButton *button)
    {
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        m_p = std::make_unique<ProgramFixture>(kYesterday, m_port);
        // Two values in the cargo list before the window loads.
        for (const QString &v : {u"Щебень"_s, u"Песок"_s}) {
            m_p->extras->constantValues[0] = ParamConstants();
            m_p->extras->constantValues[0][0] = v;
            m_p->extras->constantValues[0][1] = u"код "_s + v;
            QVERIFY(m_p->extras->AddPickListEntry(0, v));
        }
        m_p->build();
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(m_p->shell->loaded());
        m_p->link->stopPolling();
    }
    void cleanupTestCase()
    {
        m_p.reset();
    }

    void boxesAndPlusButtons()
    {
        QComboBox *cargo = entry()->parameterBox(0);
        QCOMPARE(cargo->count(), 2);
        QCOMPARE(cargo->itemText(1), u"Песок"_s);
        QCOMPARE(cargo->currentText(), QString()); // filling chose nothing
        QCOMPARE(m_p->names->extraNames[0][1], u"Стоимость груза"_s);
        QCOMPARE(m_p->names->constantNames[0][12], u"Имя Константы №12"_s);

        QSignalSpy opened(m_p->window.get(), &MainWindow::constantsEditorRequested);
        press(entry()->plusButton(0));
        QVERIFY(opened.isEmpty()); // an empty box opens nothing
        cargo->setEditText(u"  "_s);
        press(entry()->plusButton(0));
        QVERIFY(opened.isEmpty());

        // Choosing a value from the list empties that parameter's additional values only.
        m_p->extras->extraValues[0][3] = u"20 т"_s;
        m_p->extras->extraValues[2][1] = u"ул. Садовая"_s;
        cargo->setCurrentIndex(0);
        emit cargo->activated(0);
        QCOMPARE(m_p->extras->extraValues[0][3], QString());
        QCOMPARE(m_p->extras->extraValues[2][1], u"ул. Садовая"_s);
        press(entry()->plusButton(0));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toInt(), 0);
    }

    void completedNextDayFromTheArchive()
    {
        // Yesterday: an empty truck for loading, with its additional values.
        QComboBox *cargo = entry()->parameterBox(0);
        cargo->setEditText(u"Песок"_s);
        entry()->parameterBox(4)->setEditText(u"А123ВС"_s);
        entry()->litterField()->setText(u"2,5"_s);
        chooseType(u"Погрузка"_s);
        m_p->extras->extraValues[0][1] = u"5000"_s;
        m_p->extras->extraValues[2][7] = u"ул. Садовая"_s;
        weigh(12000);
        press(entry()->storeButton());
        const QString yesterdayPath = m_p->days->todayPath();
        QVERIFY(m_p->extras->found[0]); // the lookups of the store
        QCOMPARE(m_p->extras->constantValues[0][1], u"код Песок"_s);
        QVERIFY(!m_p->extras->found[4]);
        const QByteArray plus = readAll(QString(yesterdayPath).replace(u".dat"_s, u"_Plus.dat"_s));
        QCOMPARE(plus.mid(0, 128), field(u"5000"_s));                 // record 1: (0, 1)
        QCOMPARE(plus.mid((2 * 10 + 7 - 1) * 128, 128), field(u"ул. Садовая"_s)); // record 27: (2, 7)
        const QByteArray before = readAll(yesterdayPath);
        const qint32 archiveId = i32(before, at(1, 2));

        // Next morning: an unloading first, so today's list has a card.
        m_p->clock.setNow(kToday);
        m_p->shell->ClockTick();
        chooseType(u"Разгрузка"_s);
        weigh(30100);
        press(entry()->storeButton());
        QCOMPARE(m_p->context->settings.DayCardNumber, 1);

        // The archive: yesterday from the calendar, the card open for "Бруто".
        m_p->window->modeButton(2)->click();
        ArchiveFrame *frame = m_p->window->archiveFrame();
        QVERIFY(frame->calendar()->isVisible());
        emit frame->calendar()->clicked(kYesterday.date());
        QVERIFY(!frame->calendar()->isVisible());
        QCOMPARE(frame->list()->text().count(u'\n'), 0);
        clickLine(frame->list(), 0);
        QTRY_COMPARE(frame->fields()->fieldText(CardNumber), u"1"_s);
        QVERIFY(frame->grossButton()->isVisible());

        m_p->clock.advanceSeconds(600);
        weigh(30000);
        press(frame->grossButton());

        // Yesterday's file: the card closed with today's date and time.
        const QByteArray y = readAll(yesterdayPath);
        QCOMPARE(y.size(), before.size());
        QCOMPARE(shortAt(y, at(1, 72)), u"завершена"_s);
        QCOMPARE(f64(y, at(1, 56)), oleDay(kToday));
        QCOMPARE(f64(y, at(1, 57)), oleTime(kToday.addSecs(600)));
        QCOMPARE(f64(y, at(1, 70)), 0.0);

        // Today's file: the copy as card 2 with a new ID, yesterday's first weighing.
        const QByteArray t = readAll(m_p->days->todayPath());
        QCOMPARE(i32(t, 0), 2);
        QCOMPARE(i32(t, at(2, 2)), archiveId + 2);
        QCOMPARE(i32(t, at(2, 3)), 2);
        QCOMPARE(f64(t, at(2, 4)), oleDay(kYesterday));
        QCOMPARE(f64(t, at(2, 5)), oleTime(kYesterday));
        QCOMPARE(f64(t, at(2, 70)), 30000.0);
        QCOMPARE(f64(t, at(2, 55)), 12000.0);
        QCOMPARE(f64(t, at(2, 46)), 18000.0);
        QCOMPARE(f64(t, at(2, 74)), 450.0);
        QCOMPARE(shortAt(t, at(2, 72)), u"завершена"_s);
        QVERIFY(!frame->grossButton()->isVisible());
        QVERIFY(frame->receiptButton()->isVisible());
        QCOMPARE(frame->fields()->fieldText(Status), u"завершена"_s);
        // Its papers ("Квит.", the menu) are of the completed copy, weighing and all.
        CardPrinter &printer = m_p->program->printer();
        for (const auto &texts : {printer.frameTexts(CardDocuments::Frame::ArchiveCard),
                                  printer.chequeValues(CardDocuments::Frame::ArchiveCard).texts}) {
            QCOMPARE(texts[CardNumber], u"2"_s);
            QCOMPARE(texts[Net], u"18000"_s);
        }
        press(frame->receiptButton());
        const QString printed = m_p->window->statusBar()->currentMessage().section(u"файл "_s, 1);
        QVERIFY2(PdfReader::lines(printed).join(u'\n').contains(u"18000"_s), qPrintable(printed));
        // Set TARVO_SCREENSHOTS to a folder to keep the act.
        if (const QString shots = qEnvironmentVariable("TARVO_SCREENSHOTS"); !shots.isEmpty())
            QFile::copy(printed, shots + u"/archive-completion-act.pdf"_s);
        CurrentCardFrame *current = m_p->window->currentCardFrame();
        QCOMPARE(current->fields()->fieldText(CardNumber), u"2"_s);
        QCOMPARE(current->fields()->fieldText(Net), u"18000"_s);

        // Today's list: a click shows card 1 with "Тара", Down the copy with "Квит.".
        m_p->window->modeButton(1)->click();
        QCOMPARE(m_p->window->todayList()->text().count(u'\n'), 1);
        clickLine(m_p->window->todayList(), 0);
        QTRY_COMPARE(current->fields()->fieldText(CardNumber), u"1"_s);
        QVERIFY(current->tareButton()->isVisible());
        QTest::keyClick(m_p->window->todayList()->textBox(), Qt::Key_Down);
        QCOMPARE(current->fields()->fieldText(CardNumber), u"2"_s);
        QVERIFY(!current->tareButton()->isVisible());
        QVERIFY(current->receiptButton()->isVisible());

        // "Вставить" of the archive frame: the boxes, the litter and yesterday's values.
        m_p->window->modeButton(2)->click();
        m_p->extras->extraValues[2][7] = u"другое"_s;
        // Other texts in the boxes: their changes must not empty what is read.
        cargo->setEditText(u"Глина"_s);
        entry()->parameterBox(2)->setEditText(u"Кто-то"_s);
        entry()->parameterBox(4)->setEditText(QString());
        press(frame->insertButton());
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::DataEntry);
        QVERIFY(entry()->isVisible());
        QCOMPARE(cargo->currentText(), u"Песок"_s);
        QCOMPARE(entry()->parameterBox(4)->currentText(), u"А123ВС"_s);
        QCOMPARE(entry()->parameterBox(2)->currentText(), QString());
        QCOMPARE(entry()->litterField()->text(), u"2,5"_s);
        QCOMPARE(m_p->extras->extraValues[0][1], u"5000"_s);
        QCOMPARE(m_p->extras->extraValues[2][7], u"ул. Садовая"_s);
        QCOMPARE(entry()->operationTypeBox()->currentText(), u"Разгрузка"_s); // the type is not copied

        // "Вставить" of the card frame reads today's values of its card.
        m_p->window->modeButton(1)->click();
        m_p->weighing->ShowCurrentCard(1);
        m_p->extras->extraValues[2][7] = u"другое"_s;
        press(current->insertButton());
        QCOMPARE(m_p->extras->extraValues[2][7], u"ул. Садовая"_s); // stored with card 1 this morning
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::DataEntry);
    }
};

QTEST_MAIN(TestArchiveEndToEnd)
#include "tst_archive_e2e.moc"
