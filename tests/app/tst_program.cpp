// The program as main() builds it: nothing left unwired, and no card lost
// to midnight, a new month or a disk that refuses it.

#include "ProgramFixture.h"
#include "core/Cp1251.h"
#include "store/DayFileCodec.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"
#include "terminal/FakeTerminalPort.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/WeightPanel.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = nullptr;

    void startAt(const QDateTime &now)
    {
        m_port = new FakeTerminalPort;
        m_p = std::make_unique<ProgramFixture>(now, m_port);
        m_p->build();
        m_p->login();
        QVERIFY(m_p->shell->loaded());
        m_p->link->stopPolling();
        m_p->window->clockTimer()->stop();
    }
    // The terminal sends `w` kilograms in its type 1 frame.
    void weigh(qint64 w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
    }
    void store() { QTest::mouseClick(m_p->window->dataEntryFrame()->storeButton(), Qt::LeftButton); }
    QByteArray dayFile(const QDate &day) const
    {
        QFile f(dayFilePath(m_p->context->folders, day));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    CargoCard slot(const QDate &day, int n) const
    {
        return decodeDayCard(QByteArrayView(dayFile(day)).sliced(DayFileLayout::cardOffset(n)));
    }
    QString messageShown()
    {
        auto *box = m_p->window->findChild<QMessageBox *>();
        if (!box)
            return {};
        const QString text = box->text();
        box->close();
        delete box;
        return text;
    }
    QString logText() const
    {
        QFile f(m_p->context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }

private slots:
    void cleanup() { m_p.reset(); }

    void everyStartUpStepIsWired()
    {
        startAt(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
        // The start wrote the first start's name files.
        const QString base = m_p->context->folders.BaseFolder;
        QVERIFY(QFile::exists(namePlusPath(base)));
        QVERIFY(QFile::exists(pickListPath(base, 0)));
        // Before any weight the field shows the no-data mark, not a blank.
        QCOMPARE(m_p->window->weightPanel()->terminalField()->text(), TerminalLink::noDataMark());
        // The terminal's weight reaches the weighing through the program.
        weigh(12345);
        QCOMPARE(m_p->weighing->WeighingWeight(), 12345.0);
        QVERIFY(m_p->weighing->terminalConnected());
        // A frame that says the scale moves keeps the lamps red however
        // steady the number; the same frames standing still turn them green.
        m_p->context->settings.TerminalType = 10;
        for (const char *head : {"US", "US", "US", "US", "ST", "ST", "ST", "ST"}) {
            const bool steady = head[0] == 'S';
            m_port->incoming = QByteArray(head) + ",GS,1" + char(steady ? 0xC4 : 0x84) + ",00012340 kg\r\n";
            m_p->link->ReadTick();
            QCOMPARE(m_p->link->TerminalWeight(), 12340.0);
            if (!steady)
                QCOMPARE(m_p->conditioning->lamps, (std::array<int, 3>{WeightConditioning::Red, WeightConditioning::Red, WeightConditioning::Red}));
        }
        QCOMPARE(m_p->conditioning->lamps[2], WeightConditioning::Green);
        m_p->context->settings.TerminalType = 1;
        // A workbook that failed on the worker reaches the event log.
        emit m_p->program->spreadsheetService().jobFailed(u"не создана книга 09.12.2026.xls"_s);
        QVERIFY(logText().contains(u"Книга Excel не записана: не создана книга 09.12.2026.xls"_s));
        // "Выход" ends the program through it.
        m_p->shell->ExitProgram();
        QCOMPARE(m_p->quits, 1);
    }

    void storeAfterMidnightBeforeTheTick()
    {
        const QDate first(2026, 12, 9);
        startAt(QDateTime(first, QTime(23, 59, 59)));
        weigh(20000);
        store();
        QCOMPARE(slot(first, 1).number, 1);

        // Half a second after midnight, before the clock tick noticed.
        m_p->clock.setNow(QDateTime(first.addDays(1), QTime(0, 0, 0, 500)));
        weigh(21000);
        store();
        m_p->shell->ClockTick();
        weigh(22000);
        store();

        const QDate second = first.addDays(1);
        QCOMPARE(decodeCountRecord(dayFile(second)), 2);
        QCOMPARE(dayFile(second).size(), DayFileLayout::fileSize(2));
        QCOMPARE(slot(second, 1).gross, 21000.0);
        QCOMPARE(slot(second, 2).gross, 22000.0);
        QCOMPARE(slot(second, 1).id + 1, slot(second, 2).id);
        QCOMPARE(decodeCountRecord(dayFile(first)), 1);
        QCOMPARE(m_p->days->list(DayTarget::Today).page(0).count(u"\r\n"_s), 2);
        QCOMPARE(m_p->context->settings.DayCardNumber, 2);
        QCOMPARE(messageShown(), QString());
    }

    void storeAtTheFirstSecondOfAMonth()
    {
        startAt(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 58)));
        const QDate december(2026, 12, 1);
        m_p->clock.setNow(QDateTime(december, QTime(0, 0, 0)));
        QVERIFY(!QFile::exists(m_p->context->folders.MonthDataFolder(december)));
        weigh(15000);
        store();
        QCOMPARE(messageShown(), QString());
        QCOMPARE(decodeCountRecord(dayFile(december)), 1);
        QCOMPARE(slot(december, 1).gross, 15000.0);
        QVERIFY(dayFilePath(m_p->context->folders, december).contains(u"/2026/Декабрь/"_s));
    }

    void failedWriteIsSaid()
    {
        const QDate day(2026, 12, 9);
        startAt(QDateTime(day, QTime(10, 0)));
        weigh(18000);
        store();
        QCOMPARE(decodeCountRecord(dayFile(day)), 1);
        const QString listBefore = m_p->days->list(DayTarget::Today).page(0);
        const CargoCard shownBefore = m_p->weighing->shownCard();

        // The day file cannot be written (a folder stands in its place;
        // permissions would not stop root).
        const QString path = dayFilePath(m_p->context->folders, day);
        QVERIFY(QFile::rename(path, path + u".saved"_s));
        QVERIFY(QDir().mkdir(path));
        weigh(19000);
        store();
        const QString message = messageShown();
        QVERIFY2(message.startsWith(u"Карточка не записана: "_s), qPrintable(message));
        QVERIFY(logText().contains(message));
        QCOMPARE(m_p->days->list(DayTarget::Today).page(0), listBefore);
        QCOMPARE(m_p->weighing->shownCard(), shownBefore);
        QVERIFY(!m_p->weighing->storing());

        // Writable again: the next store succeeds as card 2.
        QVERIFY(QDir().rmdir(path));
        QVERIFY(QFile::rename(path + u".saved"_s, path));
        store();
        QCOMPARE(messageShown(), QString());
        QCOMPARE(decodeCountRecord(dayFile(day)), 2);
        QCOMPARE(slot(day, 2).gross, 19000.0);
        QCOMPARE(slot(day, 1).gross, 18000.0);
    }

    void noWeighingWithoutTheTerminal()
    {
        const QDate day(2026, 12, 9);
        startAt(QDateTime(day, QTime(10, 0)));
        weigh(18000);
        // The terminal answers garbage: the field shows the no-data mark.
        m_port->incoming = "garbage"_ba;
        m_p->link->ReadTick();
        QCOMPARE(m_p->link->weightText(), TerminalLink::noDataMark());
        store();
        QCOMPARE(messageShown(), u"Нет связи с весовым терминалом"_s);
        QCOMPARE(decodeCountRecord(dayFile(day)), 0);

        // The port is gone altogether.
        weigh(18000);
        m_port->unplug();
        m_p->link->ReadTick();
        store();
        QCOMPARE(messageShown(), u"Нет связи с весовым терминалом"_s);
        QCOMPARE(decodeCountRecord(dayFile(day)), 0);

        // Back: the weighing goes through.
        m_p->link->reopenPort();
        weigh(18000);
        store();
        QCOMPARE(messageShown(), QString());
        QCOMPARE(decodeCountRecord(dayFile(day)), 1);
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
