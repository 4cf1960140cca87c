// The card reader's lines, the scoreboard's frames read back by the
// program's own parser, the vehicle register's card columns, and weighing
// by card through the whole program, with an operator and without one.

#include "app/ProgramFixture.h"
#include "equipment/AutomationSettings.h"
#include "equipment/CardReader.h"
#include "equipment/ProximityCard.h"
#include "equipment/Scoreboard.h"
#include "memory/MemoryVerifier.h"
#include "store/VehicleRegister.h"
#include "terminal/FakeTerminalPort.h"
#include "terminal/TerminalProtocols.h"
#include "PseudoTerminal.h"
#include "core/ui/WorkplaceSettingsWindow.h"
#include "weighing/ui/VehicleRegisterWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(10, 0, 0));

// The beams and the I/O module as a test sets them.
class StubGuard final : public PlatformGuard
{
public:
    QString refusal;
    QString storeRefusal() const override { return refusal; }
};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestReader : public QObject
{
    Q_OBJECT

private slots:
    void readerLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<QStringList>("rejected");
        QTest::newRow("ten digits, CR LF") << "0008106606\r\n"_ba << QStringList{u"0008106606"_s} << QStringList();
        // Facility 123, card 45678: 123 * 65536 + 45678.
        QTest::newRow("pair is the same card") << "123,45678\r"_ba << QStringList{u"0008106606"_s} << QStringList();
        QTest::newRow("eight digits, LF, blanks") << " 12345678 \n"_ba << QStringList{u"0012345678"_s} << QStringList();
        QTest::newRow("two lines, LF CR between")
            << "12345678\n\r4294967295\r\n"_ba << QStringList{u"0012345678"_s, u"4294967295"_s} << QStringList();
        QTest::newRow("no line end yet") << "12345678"_ba << QStringList() << QStringList();
        QTest::newRow("seven digits") << "1234567\r\n"_ba << QStringList() << QStringList{u"1234567"_s};
        QTest::newRow("eleven digits") << "12345678901\r\n"_ba << QStringList() << QStringList{u"12345678901"_s};
        QTest::newRow("above 32 bits") << "4294967296\r\n"_ba << QStringList() << QStringList{u"4294967296"_s};
        QTest::newRow("facility above 255") << "256,00001\r\n"_ba << QStringList() << QStringList{u"256,00001"_s};
        QTest::newRow("card above 65535") << "001,65536\r\n"_ba << QStringList() << QStringList{u"001,65536"_s};
        QTest::newRow("noise byte") << "1234\x01" "5678\r\n"_ba << QStringList() << QStringList{u"1234?5678"_s};
        QTest::newRow("letters") << "ABCDEFGH\r\n"_ba << QStringList() << QStringList{u"ABCDEFGH"_s};
        QTest::newRow("over-long line, then a card")
            << QByteArray(100, '7') + "\r\n87654321\r\n"_ba << QStringList{u"0087654321"_s}
            << QStringList{QString(CardReader::MaxLine, u'7') + u"…"_s};
    }
    void readerLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, cards);
        QFETCH(QStringList, rejected);
        CardReader reader;
        QStringList read, dropped;
        connect(&reader, &CardReader::cardRead, this, [&read](const QString &n) { read << n; });
        connect(&reader, &CardReader::lineRejected, this, [&dropped](const QString &l) { dropped << l; });
        // Byte by byte: a line split across reads is one line.
        for (const char c : bytes)
            reader.take(QByteArray(1, c));
        QCOMPARE(read, cards);
        QCOMPARE(dropped, rejected);
    }

    // The display's frames through a pseudo-terminal, read back with the
    // program's own type 4 parser.
    void scoreboardFrames()
    {
        PseudoTerminal pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        Clock clock;
        clock.setNow(kNow);
        Scoreboard board(clock);
        QVERIFY(board.open(pty.devicePath(), 9600));
        QVERIFY(board.state().contains(u"открыт"_s));
        Settings settings;
        const auto readBack = [&pty, &settings]() -> std::optional<double> {
            QByteArray bytes;
            Type7State state;
            for (int wait = 0; wait < 40; ++wait) {
                QTest::qWait(50);
                bytes += pty.read();
                const ParseResult r = TerminalProtocols::parse(4, bytes, settings, state);
                if (r.kind == ParseResult::Kind::Weight)
                    return r.weight;
            }
            return std::nullopt;
        };
        for (const double weight : {23480.0, -560.0, 7.25, 0.0}) {
            board.setWeight(weight);
            (void)pty.read();
            QCOMPARE(readBack(), std::optional(weight));
        }
        // The net of a weighing for a while, then the live weight again.
        board.setWeight(900);
        board.showNet(18000, Scoreboard::NetShownMs);
        (void)pty.read();
        QCOMPARE(readBack(), std::optional(18000.0));
        clock.setNow(kNow.addMSecs(Scoreboard::NetShownMs + 1));
        (void)pty.read();
        QCOMPARE(readBack(), std::optional(900.0));

        // A port that is not there is a state, not a hang.
        QVERIFY(!board.open(u"/dev/tarvo-no-such-port"_s, 9600));
        QVERIFY(board.state().startsWith(u"Табло: порт /dev/tarvo-no-such-port не открыт"_s));
    }

    // An older register without the card columns is read and written back
    // as it was; the new columns survive a tare remembered.
    void registerColumns()
    {
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        VehicleRegister reg(base);
        const QByteArray old = "A123BC\t12000\t01.12.2026\t\xce\xce\xce\tIvanov\r\n"_ba;
        QFile f(reg.path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
        f.close();
        QList<KnownVehicle> all = reg.all();
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].carrier, u"ООО"_s);
        QVERIFY(all[0].card.isEmpty() && all[0].cargo.isEmpty() && all[0].receiver.isEmpty());
        QVERIFY(reg.replaceAll(all));
        QCOMPARE(fileBytes(reg.path()), old);

        all[0].card = u"123,45678"_s;
        all[0].cargo = u"Щебень"_s;
        all[0].receiver = u"Склад"_s;
        QVERIFY(reg.replaceAll(all));
        QVERIFY(reg.remember(u"А123ВС"_s, 12500, QDate(2026, 12, 10), u"Петров"_s));
        const KnownVehicle v = reg.all().value(0);
        QCOMPARE(v.tare, 12500.0);
        QCOMPARE(v.card, u"123,45678"_s);
        QCOMPARE(v.cargo, u"Щебень"_s);
        QCOMPARE(v.sender, QString());
        QCOMPARE(v.receiver, u"Склад"_s);
    }

    // The register's window edits the card and usual texts; the workplace
    // window switches unattended weighing and keeps it.
    void windows()
    {
        QTemporaryDir dir;
        Clock clock;
        clock.setNow(kNow);
        AppContext context(clock, Folders(dir.path()));
        QVERIFY(QDir().mkpath(context.folders.BaseFolder));
        EventLog log(context);
        VehicleRegister reg(context.folders.BaseFolder);
        VehicleRegisterWindow vehicles(reg);
        vehicles.load();
        QTableWidget *table = vehicles.table();
        QCOMPARE(table->columnCount(), 9);
        QTest::mouseClick(vehicles.addButton(), Qt::LeftButton);
        const QStringList cells = {u"А123ВС"_s, u"0"_s, QString(), QString(), QString(),
                                   u"123,45678"_s, u"Щебень"_s, u"Карьер"_s, u"Завод"_s};
        for (int col = 0; col < cells.size(); ++col)
            table->setItem(0, col, new QTableWidgetItem(cells[col]));
        QTest::mouseClick(vehicles.saveButton(), Qt::LeftButton);
        QCOMPARE(vehicles.stateLine()->text(), u"Записано"_s);
        const KnownVehicle v = reg.all().value(0);
        QCOMPARE((QStringList{v.card, v.cargo, v.sender, v.receiver}), cells.mid(5));

        QVERIFY(!context.operatorSettings.unattended());
        WorkplaceSettingsWindow workplace(context, log);
        QVERIFY(!workplace.unattendedBox()->isChecked());
        workplace.unattendedBox()->setChecked(true);
        QTest::mouseClick(workplace.saveButton(), Qt::LeftButton);
        QVERIFY(context.operatorSettings.unattended());
        OperatorSettings reread;
        reread.load(OperatorSettings::pathBeside(context.folders.SettingsFile));
        QVERIFY(reread.unattended());
        QVERIFY(log.viewerText().contains(u"Взвешивание без оператора включено"_s));
    }

    // With an operator: the reader's port from automation.ini, a card that
    // fills the entry, an unknown card, and a card of a vehicle that waits
    // for its second weighing, which is chosen.
    void cardReadWithOperator()
    {
        auto *port = new FakeTerminalPort;
        ProgramFixture p(kNow, port);
        const QString base = p.context->folders.BaseFolder;
        QVERIFY(VehicleRegister(base).replaceAll(
            {KnownVehicle{u"А123ВС"_s, 0, QDate(), QString(), QString(), u"0008106606"_s, u"Щебень"_s, u"Карьер"_s,
                          QString()},
             KnownVehicle{u"В456ОР"_s, 0, QDate(), QString(), QString(), u"12-34"_s, {}, {}, {}}}));
        PseudoTerminal pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        AutomationSettings equipment;
        equipment.readerPort = pty.devicePath();
        QVERIFY(equipment.save(base));
        p.login();
        QVERIFY(p.shell->loaded());
        p.link->stopPolling();
        QVERIFY(p.program->cardReader().isOpen());
        QVERIFY(p.log->viewerText().contains(u"Номер карты в справочнике машин не понят: В456ОР: 12-34"_s));
        QSignalSpy messages(&p.program->cardWeighing(), &CardWeighing::operatorMessage);

        pty.write("123,45678\r\n"_ba);
        QTRY_COMPARE(p.weighing->entryText(VehicleNumber), u"А123ВС"_s);
        QCOMPARE(p.weighing->entryText(CargoName), u"Щебень"_s);
        QCOMPARE(p.weighing->entryText(Sender), u"Карьер"_s);
        QCOMPARE(p.weighing->entryText(Receiver), QString());
        QCOMPARE(p.shell->mode(), MainShell::Mode::DataEntry);

        pty.write("99999999\r\n"_ba);
        QTRY_COMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(), u"Карта не зарегистрирована"_s);
        QVERIFY(p.log->viewerText().contains(u"Карта не зарегистрирована: 0099999999"_s));

        // The first weighing by hand, then the card again: its card is chosen.
        port->incoming = "\x02 025000.0\r\n"_ba;
        p.link->ReadTick();
        QVERIFY(p.weighing->storeFromEntry());
        const int n = p.weighing->shownCard().number;
        p.program->cardReader().take("0008106606\n"_ba);
        QCOMPARE(p.weighing->openedForCompletion(), n);
        QCOMPARE(p.shell->mode(), MainShell::Mode::View);
        // With an operator nothing is weighed by itself.
        QVERIFY(!p.days->ReadDayCard(kNow.date(), n + 1).holdsCard());
        QVERIFY(!p.program->cardWeighing().waiting());
    }

    // Without an operator: a truck weighed twice by its card alone, waiting
    // for the beams; a net of 0 is not written and asks nobody.
    void unattendedTwoPass()
    {
        auto *port = new FakeTerminalPort;
        ProgramFixture p(kNow, port);
        const QString base = p.context->folders.BaseFolder;
        QVERIFY(VehicleRegister(base).replaceAll(
            {KnownVehicle{u"К777ОР"_s, 0, QDate(), QString(), QString(), u"12345678"_s, u"Песок"_s, QString(),
                          u"Завод"_s}}));
        StubGuard guard;
        p.weighing->setPlatformGuard(guard);
        p.context->operatorSettings.setUnattended(true);
        int asked = 0;
        p.program->questions().answer = [&asked](const QString &) { return ++asked, true; };
        p.login();
        p.link->stopPolling();
        const auto weigh = [&](double w) {
            port->incoming = "\x02 "_ba + QByteArray::number(qint64(w)).rightJustified(6, '0') + ".0\r\n"_ba;
            p.link->ReadTick();
        };
        const auto cards = [&] {
            int k = 0;
            while (p.days->ReadDayCard(kNow.date(), k + 1).holdsCard())
                ++k;
            return k;
        };
        CardReader &reader = p.program->cardReader();

        // The card before the truck is wholly on: nothing yet.
        weigh(150);
        reader.take("12345678\r\n"_ba);
        QVERIFY(p.program->cardWeighing().waiting());
        guard.refusal = u"Машина стоит не полностью на платформе"_s;
        weigh(30000);
        QCOMPARE(cards(), 0);
        // Another frame chosen meanwhile does not lend the new card its weights.
        p.shell->SelectMode(MainShell::Mode::View);
        guard.refusal.clear();
        weigh(30000);
        QCOMPARE(cards(), 1);
        const CargoCard first = p.weighing->shownCard();
        QCOMPARE(first.gross, 30000.0);
        QCOMPARE(first.texts[CargoName], u"Песок"_s);
        QCOMPARE(first.texts[Receiver], u"Завод"_s);
        QVERIFY(IsIncomplete(first.status));

        // Shown again still loaded: a net of 0 is answered "Нет" unasked.
        reader.take("12345678\r\n"_ba);
        QCOMPARE(p.weighing->openedForCompletion(), first.number);
        QVERIFY(IsIncomplete(p.days->ReadDayCard(kNow.date(), first.number).card.status));
        QVERIFY(!p.program->cardWeighing().waiting());

        // Back empty: the second weighing completes the card.
        weigh(11500);
        reader.take("12345678\r\n"_ba);
        const CargoCard done = p.days->ReadDayCard(kNow.date(), first.number).card;
        QVERIFY(!IsIncomplete(done.status));
        QCOMPARE(done.net, 18500.0);
        QCOMPARE(cards(), 1);
        QCOMPARE(asked, 0);
        QCOMPARE(p.program->scoreboard().shown(), std::optional(18500.0));

        const QString log = p.log->viewerText();
        QVERIFY(log.contains(u"Без оператора: карточка № 1 (ID %1) машины К777ОР записана, первое взвешивание 30000"_s
                                 .arg(first.id)));
        QVERIFY(log.contains(u"Без оператора: вопрос «Нетто 0"_s));
        QVERIFY(log.contains(u"Без оператора: карточка № 1 (ID %1) машины К777ОР завершена, нетто 18500"_s.arg(first.id)));
        const MemoryVerifier::Report report = MemoryVerifier(p.context->folders).verify();
        QVERIFY2(report.ok(), qPrintable(report.findings.join(u'\n')));
        QCOMPARE(report.unattended, 2);
        QVERIFY(report.summary().endsWith(u"взвешиваний без оператора 2"_s));
    }
};

QTEST_MAIN(TestReader)
#include "tst_reader.moc"
