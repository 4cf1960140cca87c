// The mirror inside the program main() builds: every way a card is
// written reaches the server with who did it, and so does every record of
// the weighing memory, checked there remotely; the engineer's window, the
// status line and the report's source choice.

#include "PgServer.h"
#include "app/MainWindow.h"
#include "app/ProgramFixture.h"
#include "central/ui/CentralReportChoice.h"
#include "central/ui/CentralWindow.h"
#include "memory/WeighingMemory.h"
#include "reports/ui/ReportFrame.h"
#include "terminal/FakeTerminalPort.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QSqlRecord>
#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDate kYesterday(2026, 12, 8);
const QDate kToday(2026, 12, 9);

} // namespace

class TestCentralProgram : public QObject
{
    Q_OBJECT

    PgServer m_pg;
    // The database everyWriteArrives leaves, its memory's records checked.
    QString m_memoryTemplate;

private slots:
    void initTestCase() { QVERIFY2(m_pg.start(), qPrintable(m_pg.error)); }

    void everyWriteArrives()
    {
        QVERIFY2(m_pg.createDatabase(u"office"_s), qPrintable(m_pg.error));
        const CentralSettings db = m_pg.settings(u"КАРЬЕР-1"_s, u"office"_s);

        auto *port = new FakeTerminalPort;
        ProgramFixture p(QDateTime(kYesterday, QTime(17, 0)), port, nullptr, nullptr, false);
        const QString base = p.context->folders.BaseFolder;
        QVERIFY(QDir().mkpath(base));
        QVERIFY(bool(db.save(base)));
        p.program->central().setRetryInterval(100);
        p.build();
        p.start();
        p.login();
        QVERIFY(p.shell->loaded());
        p.link->stopPolling();
        p.window->clockTimer()->stop();
        const auto weigh = [&](int w) {
            port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
            p.link->ReadTick();
        };

        // Yesterday: a card left open.
        p.weighing->setEntryText(0, u"Песок"_s);
        weigh(30000);
        QVERIFY(p.weighing->StoreNewCard());

        // Today: stored, completed, corrected; another stored and deleted.
        p.clock.setNow(QDateTime(kToday, QTime(9, 0)));
        weigh(31000);
        QVERIFY(p.weighing->StoreNewCard());
        p.weighing->SetCompletionButtons(1);
        weigh(11000);
        QVERIFY(p.weighing->CompleteCard(Weighing::Kind::Tare));
        CardEditor &editor = p.program->cardEditor();
        editor.open(CardEditor::Correction);
        editor.setCardNumberText(u"1"_s);
        editor.SelectCardForEdit();
        editor.setText(DocumentNumber, u"ТН-9"_s);
        QVERIFY(editor.ReplaceCardParameters());
        weigh(25000);
        QVERIFY(p.weighing->StoreNewCard());
        editor.setCardNumberText(u"2"_s);
        editor.SelectCardForEdit();
        p.program->questions().answer = [](const QString &) { return true; };
        QVERIFY(editor.DeleteCard());

        // Yesterday's card completed from the archive.
        ArchiveBrowser &archive = p.program->archive();
        archive.enter();
        QCOMPARE(archive.chooseDate(kYesterday), QString());
        archive.selectCard(1);
        weigh(12000);
        QVERIFY(archive.CompleteArchiveCard(Weighing::Kind::Tare));

        QTRY_COMPARE_WITH_TIMEOUT(p.program->central().queued(), 0, 20000);
        QCOMPARE(ask(db, u"SELECT card_id, change, operator FROM card_changes ORDER BY arrival"_s),
                 (QStringList{u"1|store|Оператор"_s, u"2|store|Оператор"_s, u"2|completion|Оператор"_s,
                              u"2|correction|Оператор"_s, u"3|store|Оператор"_s, u"3|deletion|Оператор"_s,
                              u"1|archive completion|Оператор"_s, u"4|archive completion|Оператор"_s}));
        QCOMPARE(ask(db, u"SELECT card_id, day, status, deleted, document_number, gross - tare FROM cards ORDER BY card_id"_s),
                 (QStringList{u"1|2026-12-08|завершена|false||30000"_s, u"2|2026-12-09|завершена|false|ТН-9|20000"_s,
                              u"3|2026-12-09|удалена|true||25000"_s, u"4|2026-12-09|завершена|false||18000"_s}));
        QCOMPARE(ask(db, u"SELECT changes->'document_number' FROM card_changes WHERE change = 'correction'"_s),
                 QStringList{u"[\"\", \"ТН-9\"]"_s});

        // The weighing memory's records with them, byte for byte as the
        // memory holds them; those written at start before any card too.
        const auto localMemory = [&base] {
            QByteArray all;
            for (const QString &path : WeighingMemory::recordFiles(WeighingMemory::folderIn(base))) {
                QFile f(path);
                all += f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            }
            return QString::fromLatin1(all.toHex());
        };
        const QString memorySql = u"SELECT string_agg(encode(record, 'hex'), '' ORDER BY number) FROM memory_records"_s;
        QTRY_COMPARE_WITH_TIMEOUT(ask(db, memorySql), QStringList{localMemory()}, 10000);
        QCOMPARE(ask(db, u"SELECT card_id, kind FROM memory_records WHERE card_id IS NOT NULL ORDER BY number"_s),
                 (QStringList{u"1|взвешивание"_s, u"2|взвешивание"_s, u"2|взвешивание"_s, u"2|правка карточки"_s,
                              u"3|взвешивание"_s, u"3|удаление карточки"_s, u"1|закрытие карточки"_s,
                              u"4|взвешивание"_s}));
        QCOMPARE(ask(db, u"SELECT count(*) FROM memory_records WHERE number = 1 AND kind = 'начало памяти' "
                         "AND written IS NOT NULL AND (SELECT memory_key FROM sites) IS NOT NULL"_s),
                 QStringList{u"1"_s});

        // Only the password file holds the password: not the log, not the settings.
        QDirIterator files(base, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            if (path != CentralSettings::passwordPath(base))
                QVERIFY2(!f.readAll().contains(m_pg.password.toUtf8()), qPrintable(path));
        }

        // The status line, the engineer's window and its check.
        QLabel *status = p.window->centralStatus();
        QTRY_COMPARE(status->text(), u"Центральная база: 0 карточек в очереди"_s);
        p.gate->ShowGate(AccessGate::CentralDatabase);
        p.gate->setCodeText(AccessCodes::defaultEngineerCode());
        CentralWindow *window = p.window->centralWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->siteField()->text(), u"КАРЬЕР-1"_s);
        QCOMPARE(window->passwordField()->echoMode(), QLineEdit::Password);
        window->checkButton()->click();
        QTRY_VERIFY2_WITH_TIMEOUT(window->resultLabel()->text().startsWith(u"Соединение установлено"_s),
                                  qPrintable(window->resultLabel()->text()), 10000);
        // "Отправить всё заново" over both days: five cards queued again and
        // recorded as such, the cards unchanged.
        window->fromField()->setDate(kYesterday);
        window->toField()->setDate(kToday);
        window->resendButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(window->resultLabel()->text(), u"Поставлено в очередь: 4 карточки"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(p.program->central().queued(), 0, 20000);
        QCOMPARE(ask(db, u"SELECT count(*) FROM card_changes WHERE change = 'resend'"_s), QStringList{u"4"_s});
        QCOMPARE(ask(db, u"SELECT count(*) FROM cards"_s), QStringList{u"4"_s});
        // The records again: kept once, nothing set aside.
        QCOMPARE(ask(db, memorySql), QStringList{localMemory()});
        QVERIFY(p.program->central().rejected().empty());

        // A record the server holds otherwise than the scale: the one sent
        // again is set aside with the reason and logged, as a sign of fraud.
        const QStringList kept = ask(db, u"SELECT encode(record, 'hex') FROM memory_records WHERE number = 5"_s);
        QCOMPARE(ask(db, u"UPDATE memory_records SET record = record || '\\x00'::bytea WHERE number = 5"_s), QStringList());
        QSignalSpy notices(&p.program->central(), &CentralOutbox::notice);
        window->resendButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(p.program->central().rejected().size(), size_t(1), 20000);
        QVERIFY2(p.program->central().rejected().front().reason.contains(
                     u"запись № 5 весовой памяти отличается от записи, которую хранит сервер"_s),
                 qPrintable(p.program->central().rejected().front().reason));
        QTRY_VERIFY(std::any_of(notices.cbegin(), notices.cend(), [](const QList<QVariant> &n) {
            return n.value(0).toString().startsWith(u"Центральная база: запись весовой памяти отложена"_s);
        }));
        QCOMPARE(ask(db, u"UPDATE memory_records SET record = decode('%1', 'hex') WHERE number = 5"_s.arg(kept.value(0))),
                 QStringList());

        // Records lost on the server, in the middle and at the end: the
        // comparison with the server sends them again.
        QCOMPARE(ask(db, u"DELETE FROM memory_records WHERE number IN (2, 6, (SELECT max(number) FROM memory_records))"_s),
                 QStringList());
        window->reconcileButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(ask(db, memorySql), QStringList{localMemory()}, 10000);

        // "Проверить весовую память" as the office's read-only user of the
        // README, typed into the window.
        for (const QString &sql : {u"CREATE ROLE tarvo_office LOGIN PASSWORD 'office-1'"_s,
                                   u"GRANT CONNECT ON DATABASE office TO tarvo_office"_s,
                                   u"GRANT SELECT ON ALL TABLES IN SCHEMA public TO tarvo_office"_s})
            QCOMPARE(ask(db, sql), QStringList());
        window->userField()->setText(u"tarvo_office"_s);
        window->passwordField()->setText(u"office-1"_s);
        QTRY_COMPARE(window->memorySiteBox()->count(), 1);
        QCOMPARE(window->memorySiteBox()->currentText(), u"КАРЬЕР-1"_s);
        window->memoryCheckButton()->click();
        const QString records = CentralMemoryCheck::recordsText(ask(db, u"SELECT count(*) FROM memory_records"_s).value(0).toInt());
        QTRY_VERIFY2_WITH_TIMEOUT(window->memoryResultLabel()->text().startsWith(
                                      u"Весовая память весов КАРЬЕР-1: "_s + records + u", цепочка цела, подписи верны"_s),
                                  qPrintable(window->memoryResultLabel()->text()), 10000);
        QVERIFY(window->memoryResultLabel()->text().contains(u"карточек сверено: 4"_s));
        QVERIFY(window->memoryFindingsList()->isHidden());

        // The report's source: all scales from the server, the same totals.
        auto *choice = p.window->reportFrame()->findChild<CentralReportChoice *>();
        QVERIFY(choice);
        QCOMPARE(choice->sourceBox()->count(), 2);
        QCOMPARE(choice->sourceBox()->itemText(1), u"Все весы (центральная база)"_s);
        PeriodReport &report = p.program->report();
        report.setDate1Text(u"08.12.2026"_s);
        report.setDate2Text(u"09.12.2026"_s);
        QCOMPARE(report.BuildPeriodReport(), ReportMessage::None);
        const auto tableText = [&report] {
            QStringList rows;
            for (int r = 0; r < report.table().rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < report.table().columnCount(); ++c)
                    cells << report.table().text(r, c).toString();
                rows << cells.join(u'\t');
            }
            return rows;
        };
        const QStringList local = tableText();
        choice->sourceBox()->setCurrentIndex(1);
        emit choice->sourceBox()->activated(1);
        QCOMPARE(choice->siteBox()->count(), 2);
        QCOMPARE(report.BuildPeriodReport(), ReportMessage::None);
        // The same report, with each card's scale in a last column "Весы".
        QStringList central = tableText();
        QCOMPARE(central.value(0).section(u'\t', -1), u"Весы"_s);
        for (QString &row : central)
            row = row.section(u'\t', 0, -2);
        QCOMPARE(central, local);

        if (const QString shots = qEnvironmentVariable("TARVO_SHOTS"); !shots.isEmpty()) {
            window->grab().save(shots + u"/central-window.png"_s);
            p.window->resize(1366, 740);
            p.shell->SelectMode(MainShell::Mode(3));
            QApplication::processEvents();
            p.window->grab().save(shots + u"/central-main.png"_s);
        }
        m_memoryTemplate = u"office"_s;
    }

    // The remote check of a site's memory finds what was changed on the
    // server, naming the record or the card; the office's user may run it.
    void remoteVerification_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("office");
        QTest::addColumn<QString>("found");
        QTest::newRow("untouched, office") << QString() << true << u", цепочка цела, подписи верны"_s;
        QTest::newRow("record changed")
            << u"UPDATE memory_records SET record = decode(replace(encode(record, 'hex'), encode(convert_to('Вес: 11000', "
               "'UTF8'), 'hex'), encode(convert_to('Вес: 19000', 'UTF8'), 'hex')), 'hex') WHERE number = 6"_s
            << false << u"запись № 7 не продолжает цепочку: запись № 6 изменена или подменена"_s;
        QTest::newRow("record removed") << u"DELETE FROM memory_records WHERE number = 5"_s << true
                                        << u"нет записи № 5: удалены"_s;
        QTest::newRow("card changed")
            << u"UPDATE cards SET gross = gross + 100, net = net + 100 WHERE card_id = 2"_s << true
            << u"09.12.2026, карточка № 1, ID 2: Брутто на сервере «31100», в весовой памяти «31000» (запись № 7)"_s;
        QTest::newRow("key replaced") << u"UPDATE sites SET memory_key = decode(repeat('ab', 32), 'hex')"_s << true
                                      << u"ключ весов заменён"_s;
    }

    void remoteVerification()
    {
        QFETCH(QString, change);
        QFETCH(bool, office);
        QFETCH(QString, found);
        if (m_memoryTemplate.isEmpty())
            QSKIP("the server's memory comes from everyWriteArrives");
        static int copies = 0;
        const QString name = u"memory%1"_s.arg(++copies);
        CentralSettings db = m_pg.settings(u"КАРЬЕР-1"_s, u"postgres"_s);
        QCOMPARE(ask(db, u"CREATE DATABASE %1 TEMPLATE %2"_s.arg(name, m_memoryTemplate)), QStringList());
        db.database = name;
        if (!change.isEmpty())
            QCOMPARE(ask(db, change), QStringList());
        if (office) {
            QCOMPARE(ask(db, u"GRANT CONNECT ON DATABASE %1 TO tarvo_office"_s.arg(name)), QStringList());
            db.user = u"tarvo_office"_s;
            db.password = u"office-1"_s;
        }
        const CentralMemoryCheck::Result result = CentralMemoryCheck::check(db, u"КАРЬЕР-1"_s, u"tst-memory"_s);
        QVERIFY2(result.headline.startsWith(u"Весовая память весов КАРЬЕР-1: "_s), qPrintable(result.headline));
        QVERIFY2(result.headline.contains(found), qPrintable(result.headline + u'\n' + result.findings.join(u'\n')));
        QCOMPARE(result.ok, change.isEmpty());
    }

    // A server that hangs (SIGSTOP) while the operator presses "Сохранить",
    // "Проверить соединение" and leaves the program: each answers within a
    // second, and the card stored meanwhile arrives once the server is back.
    void hungServerWindowAnswers()
    {
        QVERIFY2(m_pg.createDatabase(u"hung"_s), qPrintable(m_pg.error));
        const CentralSettings db = m_pg.settings(u"ВЕСЫ-Х"_s, u"hung"_s);
        auto *port = new FakeTerminalPort;
        auto p = std::make_unique<ProgramFixture>(QDateTime(kToday, QTime(10, 0)), port, nullptr, nullptr, false);
        const QString base = p->context->folders.BaseFolder;
        QVERIFY(QDir().mkpath(base));
        QVERIFY(bool(db.save(base)));
        p->program->central().setRetryInterval(100);
        p->build();
        p->start();
        p->login();
        p->link->stopPolling();
        p->window->clockTimer()->stop();
        const auto store = [&](int w) {
            port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
            p->link->ReadTick();
            return p->weighing->StoreNewCard();
        };
        QVERIFY(store(30000));
        QTRY_COMPARE_WITH_TIMEOUT(p->program->central().queued(), 0, 20000);

        QVERIFY2(m_pg.freeze(true), qPrintable(m_pg.error));
        QVERIFY(store(31000));
        QTest::qWait(300);
        p->gate->ShowGate(AccessGate::CentralDatabase);
        p->gate->setCodeText(AccessCodes::defaultEngineerCode());
        CentralWindow *window = p->window->centralWindow();
        QVERIFY(window && window->isVisible());
        QElapsedTimer t;
        t.start();
        window->saveButton()->click();
        QCOMPARE(window->resultLabel()->text(), u"Сохранено"_s);
        window->checkButton()->click();
        QCOMPARE(window->resultLabel()->text(), u"Проверка соединения…"_s);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        t.restart();
        p.reset();
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QVERIFY(m_pg.freeze(false));

        CentralOutbox again(base);
        again.start();
        QTRY_COMPARE_WITH_TIMEOUT(again.queued(), 0, 20000);
        QCOMPARE(ask(db, u"SELECT gross FROM cards ORDER BY card_id"_s), (QStringList{u"30000"_s, u"31000"_s}));
    }
};

QTEST_MAIN(TestCentralProgram)
#include "tst_central_program.moc"
