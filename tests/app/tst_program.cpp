// The program as main() builds it: nothing left unwired, and no card lost
// to midnight, a new month or a disk that refuses it.

#include "ProgramFixture.h"
#include "archive/CardEditor.h"
#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "store/DayFileCodec.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"
#include "terminal/FakeTerminalPort.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/WeightPanel.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusBar>
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
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

    // Cards of last month and of yesterday, then the settings file cut
    // short, emptied, overwritten with garbage or deleted: the operator is
    // told, the file is kept aside, code 100 logs in, and the next card
    // takes an ID above all of them without touching their photos or the
    // engineer's names of the parameters.
    void lostOrDamagedSettings()
    {
        startAt(QDateTime(QDate(2026, 11, 28), QTime(10, 0)));
        m_p->dir.setAutoRemove(false);
        const QString prepared = m_p->dir.path();
        for (const QDateTime &at : {QDateTime(QDate(2026, 11, 28), QTime(10, 0)), QDateTime(QDate(2026, 11, 28), QTime(11, 0)),
                                    QDateTime(QDate(2026, 12, 8), QTime(10, 0)), QDateTime(QDate(2026, 12, 8), QTime(11, 0))}) {
            m_p->clock.setNow(at);
            weigh(15000);
            store();
        }
        QCOMPARE(m_p->context->settings.CardIdCounter, 4);
        // Photos of every card, with bytes of their own.
        const Folders folders(prepared);
        for (int id = 1; id <= 4; ++id) {
            QFile photo((id <= 2 ? folders.MonthDataFolder(QDate(2026, 11, 1)) : folders.MonthDataFolder(QDate(2026, 12, 1)))
                        + QString::number(id) + u".jpg"_s);
            QVERIFY(photo.open(QIODevice::WriteOnly) && photo.write("card " + QByteArray::number(id)) > 0);
        }
        // The copies keep their journal and texts in their own folders.
        m_p->context->settings.ResultFolder.clear();
        m_p->context->settings.LogPath.clear();
        QVERIFY(m_p->context->storeSettings());
        QVERIFY(m_p->context->storeSettings());
        const QByteArray sound = encodeSettings(m_p->context->settings);
        m_p->extras->names.extraNames[0][1] = u"Влажность"_s;
        m_p->extras->names.constantNames[0][1] = u"Код склада"_s;
        QVERIFY(m_p->extras->saveNames() && m_p->extras->WritePickListHeaders());
        const QByteArray names = readAll(folders.BaseFolder + u"Name_Plus.dat"_s);
        const QByteArray header = readAll(pickListPath(folders.BaseFolder, 0)).left(PickListLayout::kBlockSize);
        m_p.reset();

        const QDateTime today(QDate(2026, 12, 9), QTime(9, 0));
        const QList<std::pair<QString, QByteArray>> cases{{u"cut"_s, sound.left(5000)}, {u"empty"_s, QByteArray()},
                                                          {u"garbage"_s, QByteArray(13100, '\x47')}, {u"deleted"_s, {}},
                                                          {u"deleted, no copy"_s, {}}};
        for (const auto &[kind, content] : cases) {
            m_port = new FakeTerminalPort;
            m_p = std::make_unique<ProgramFixture>(today, m_port, nullptr, nullptr, false);
            const QString base = m_p->dir.path() + u"/Tarvo v.3.00/"_s;
            QVERIFY(QDir().mkpath(base));
            QVERIFY(QProcess::execute(u"cp"_s, {u"-a"_s, prepared + u"/Tarvo v.3.00/."_s, base}) == 0);
            const QString settingsFile = m_p->context->folders.SettingsFile;
            const bool deleted = kind.startsWith(u"deleted"_s);
            if (deleted) {
                QVERIFY(QFile::remove(settingsFile));
            } else {
                QFile file(settingsFile);
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(content);
            }
            // No good copy beside it: the defaults.
            const bool fromDefaults = kind == u"garbage"_s || kind == u"deleted, no copy"_s;
            if (fromDefaults)
                QVERIFY(QFile::remove(lastGoodCopyPath(settingsFile)));
            if (kind == u"deleted, no copy"_s) {
                // Closed at the gate: the settings it leaves know the cards all the same.
                m_p->start();
                QVERIFY(QFile::exists(settingsFile));
                m_p->link->closePort();
                m_p->program.reset();
                m_p->program = std::make_unique<Program>(m_p->clock, Folders(m_p->dir.path()),
                                                         Program::Outside{m_port = new FakeTerminalPort, nullptr,
                                                                          nullptr, PrintSurface::Destination::PdfFiles});
                m_p->rebind();
            }
            m_p->start();
            const QString aside = settingsFile + u".damaged-09.12.2026"_s;
            if (deleted) {
                QVERIFY(!QFile::exists(aside));
                if (kind == u"deleted"_s)
                    QCOMPARE(m_p->gate->startupMessage(),
                             u"Файл настроек не найден.\nНастройки взяты из последней сохранённой копии."_s);
            } else {
                QCOMPARE(QFile(aside).size(), qint64(content.size()));
                QVERIFY2(m_p->gate->startupMessage().startsWith(u"Файл настроек повреждён"_s),
                         qPrintable(m_p->gate->startupMessage()));
                QVERIFY(m_p->gate->startupMessage().contains(u"tarvo v.3.00.eng.damaged-09.12.2026"_s));
            }
            m_p->build();
            m_p->login();
            QVERIFY2(m_p->shell->loaded(), qPrintable(kind));
            m_p->link->stopPolling();
            m_p->window->clockTimer()->stop();
            weigh(16000);
            store();
            QCOMPARE(messageShown(), QString());
            QVERIFY2(slot(today.date(), 1).id == 5, qPrintable(kind + u": ID "_s + QString::number(slot(today.date(), 1).id)));
            for (int id = 1; id <= 4; ++id)
                QCOMPARE(readAll((id <= 2 ? m_p->context->folders.MonthDataFolder(QDate(2026, 11, 1))
                                          : m_p->context->MonthDataFolder())
                                 + QString::number(id) + u".jpg"_s),
                         "card " + QByteArray::number(id));
            const QString log = logText();
            // The good copy knew the counter; the defaults learn it from the day files.
            QCOMPARE(log.contains(u"счётчик ID карточек поднят с 0 до 4 по файлу 08.12.2026.dat"_s), fromDefaults);
            QCOMPARE(log.contains(u"Файл настроек повреждён"_s), !deleted);
            QCOMPARE(log.contains(u"Файл настроек не найден"_s), deleted);
            QCOMPARE(log.contains(u"Настройки взяты из последней сохранённой копии"_s), !fromDefaults);
            QCOMPARE(QFile(settingsFile).size(), qint64(13100));
            QCOMPARE(readAll(base + u"Name_Plus.dat"_s), names);
            QCOMPARE(readAll(pickListPath(base, 0)).left(PickListLayout::kBlockSize), header);
            m_p.reset();
        }
        QDir(prepared).removeRecursively();

        // A photo already named by the next ID: the card takes the ID after it.
        startAt(today);
        QFile photo(m_p->context->MonthDataFolder() + u"1.jpg"_s);
        QVERIFY(photo.open(QIODevice::WriteOnly) && photo.write("another card") > 0);
        photo.close();
        weigh(17000);
        store();
        QCOMPARE(slot(today.date(), 1).id, 2);
        QCOMPARE(readAll(photo.fileName()), QByteArray("another card"));
        QVERIFY(logText().contains(u"фото следующих ID уже есть"_s));
    }

    // A correction on a full disk (a small memory disk, mounted where the
    // program keeps its files): refused or done, the event log says it
    // once in the status line, keeps its lines and writes them once space
    // is back.
    void diskFullDuringACorrection()
    {
        m_port = new FakeTerminalPort;
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)), m_port, nullptr, nullptr, false);
        const QString disk = m_p->dir.path();
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=2m"_s, u"tmpfs"_s, disk}) != 0)
            QSKIP("no memory disk can be mounted here (needs root)");
        const auto unmount = qScopeGuard([&] {
            m_p.reset();
            QProcess::execute(u"umount"_s, {disk});
        });
        m_p->start();
        m_p->build();
        m_p->login();
        m_p->link->stopPolling();
        m_p->window->clockTimer()->stop();
        for (const qint64 w : {18000, 19000}) {
            weigh(w);
            store();
        }
        QCOMPARE(decodeCountRecord(dayFile(QDate(2026, 12, 9))), 2);

        // The journal's last page full, so its next line needs a new one.
        {
            QFile log(m_p->context->settings.LogPath);
            QVERIFY(log.open(QIODevice::Append));
            const qint64 rest = 4096 - log.size() % 4096;
            QVERIFY(rest >= 2);
            log.write(QByteArray(rest - 2, ' ') + "\r\n");
        }
        QFile filler(disk + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        QSignalSpy said(m_p->log, &EventLog::writeFailed);
        const QString before = logText();

        CardEditor &editor = m_p->program->cardEditor();
        editor.open(CardEditor::Correction);
        editor.setCardNumberText(u"1"_s);
        editor.SelectCardForEdit();
        editor.setText(0, u"Песок"_s);
        const bool done = editor.ReplaceCardParameters();
        QCOMPARE(slot(QDate(2026, 12, 9), 1).texts[0] == u"Песок"_s, done);
        // A new card needs room the disk does not have: refused with the reason.
        weigh(20000);
        store();
        const QString refusal = messageShown();
        QVERIFY2(refusal.startsWith(u"Карточка не записана: "_s) && refusal.contains(u"Нет места на диске"_s),
                 qPrintable(refusal));
        QCOMPARE(decodeCountRecord(dayFile(QDate(2026, 12, 9))), 2);
        QCOMPARE(logText(), before);
        QVERIFY(m_p->log->pendingLines() >= 2);
        QCOMPARE(said.size(), 1);
        QVERIFY2(m_p->window->statusBar()->currentMessage().startsWith(u"Журнал событий не записывается (Нет места на диске)"_s),
                 qPrintable(m_p->window->statusBar()->currentMessage()));

        QDir().mkpath(u"/tmp/shots-journal"_s);
        m_p->window->grab().save(u"/tmp/shots-journal/disk-full.png"_s);

        // Space back: the kept lines are written at the next tick, in order.
        QVERIFY(QFile::remove(filler.fileName()));
        m_p->shell->ClockTick();
        QCOMPARE(m_p->log->pendingLines(), 0);
        const QString trail = logText().mid(before.size());
        QVERIFY2(trail.contains(done ? u"Исправлена карточка"_s : u"Нет места на диске"_s), qPrintable(trail));
        QVERIFY(trail.indexOf(refusal) > 0);
        qInfo("disk full: correction %s, store refused; the log once space was back:\n%s", done ? "done" : "refused",
              qPrintable(trail.trimmed()));
        QCOMPARE(said.size(), 1);
    }

    void noWeighingWithoutTheTerminal()
    {
        const QDate day(2026, 12, 9);
        startAt(QDateTime(day, QTime(10, 0)));
        weigh(18000);
        // The terminal answers garbage: the weight is held for the hold
        // time, but is no weighing; then the field shows the no-data mark.
        m_port->incoming = "garbage"_ba;
        m_p->link->ReadTick();
        QCOMPARE(m_p->link->weightText(), u"18000"_s);
        store();
        QCOMPARE(messageShown(), u"Вес с терминала не обновился: повторите через секунду"_s);
        for (int read = 1; read < m_p->link->holdPolls(); ++read)
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
