// The weighing memory through the program as it ships: what each change of
// a card records, and what the verifier finds when anything is changed
// behind the program's back.

#include "common/AbsentPort.h"
#include "documents/PdfReader.h"
#include "app/Program.h"
#include "core/CommitLog.h"
#include "memory/MemoryCommand.h"
#include "memory/MemoryKey.h"
#include "memory/MemoryLookup.h"
#include "memory/MemoryVerifier.h"
#include "memory/WeighingMemory.h"
#include "memory/ui/MemoryWindow.h"
#include "store/DayFileCodec.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

namespace F = MemoryFields;

struct Rig
{
    Clock clock;
    std::unique_ptr<Program> program;

    Rig(const QString &folder, const QDateTime &now)
    {
        clock.setNow(now);
        program = std::make_unique<Program>(clock, Folders(folder),
                                            Program::Outside{new AbsentPort, nullptr, nullptr,
                                                             PrintSurface::Destination::PdfFiles});
        program->start();
        program->shell().LoadMainWindow();
        program->link().stopPolling();
        // The operator confirms every question: the changes go through.
        program->questions().answer = [](const QString &) { return true; };
        program->context().CurrentOperator = u"Оператор"_s;
    }

    bool store(double weight, const QString &type = OperationTypes::unloading())
    {
        Weighing &w = program->weighing();
        w.setTerminalConnected(true);
        w.setEntryText(CargoName, u"Щебень"_s);
        w.selectOperationType(type);
        w.setTerminalWeight(weight);
        w.UpdateLiveWeights();
        return w.StoreNewCard();
    }

    bool complete(int n, double tare)
    {
        Weighing &w = program->weighing();
        w.SetCompletionButtons(n);
        w.setVisibleFrame(Weighing::Frame::CurrentCard);
        w.setTerminalWeight(tare);
        w.UpdateLiveWeights();
        return w.CompleteCard(Weighing::Kind::Tare);
    }

    bool edit(int n, const QString &document)
    {
        CardEditor &editor = program->cardEditor();
        editor.open(CardEditor::Correction);
        editor.setCardNumberText(QString::number(n));
        editor.SelectCardForEdit();
        if (document.isEmpty())
            return editor.DeleteCard();
        editor.setText(1, document);
        return editor.ReplaceCardParameters();
    }
};

QList<StoredRecord> records(const QString &base)
{
    QList<StoredRecord> out;
    for (const QString &path : WeighingMemory::recordFiles(WeighingMemory::folderIn(base))) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        for (qsizetype at = 0; at < data.size();) {
            StoredRecord r = decodeRecord(QByteArrayView(data).sliced(at));
            if (r.size == 0)
                break;
            at += r.size;
            out.append(r);
        }
    }
    return out;
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.isDir())
            copyTree(entry.filePath(), to + u'/' + entry.fileName());
        else
            QFile::copy(entry.filePath(), to + u'/' + entry.fileName());
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestMemory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_base;   // one day of weighings, shared by the tampering cases
    QString m_month;  // its record file
    QList<StoredRecord> m_records;
    QStringList m_act;    // card 1's act, read back
    QStringList m_cheque; // and its cheque

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString folder = m_dir.path() + u"/installation"_s;
        {
            Rig rig(folder, QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
            QVERIFY(rig.store(23480));
            rig.clock.setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 40)));
            QVERIFY(rig.complete(1, 9120));
            CardPrinter &printer = rig.program->printer();
            for (QStringList *lines : {&m_act, &m_cheque}) {
                printer.print(lines == &m_act ? CardPrinter::WithoutPhotos : CardPrinter::ChequeDocument,
                              CardDocuments::Frame::CurrentCard);
                QVERIFY(printer.surface().lastWentToFile());
                *lines = PdfReader::lines(printer.surface().lastDestination());
            }
            QVERIFY(rig.store(30000));
            QVERIFY(rig.edit(2, u"Н-17"_s));
            QVERIFY(rig.store(15000));
        }
        m_base = Folders(folder).BaseFolder;
        m_month = WeighingMemory::monthPath(WeighingMemory::folderIn(m_base), QDate(2026, 12, 1));
        m_records = records(m_base);
    }

    // Each weight taken, each change of a card, the settings and the program.
    void recordsOfEveryChange()
    {
        QStringList kinds;
        for (const StoredRecord &r : std::as_const(m_records))
            kinds.append(r.record.value(F::Kind) + u' ' + r.record.value(F::Weighing));
        QCOMPARE(kinds, QStringList({u"начало памяти "_s, u"программа "_s, u"изменение настроек "_s,
                                     u"взвешивание первое"_s, u"взвешивание второе"_s, u"взвешивание первое"_s,
                                     u"правка карточки "_s, u"взвешивание первое"_s}));
        for (qsizetype k = 0; k < m_records.size(); ++k)
            QCOMPARE(m_records[k].record.number, k + 1);
        const MemoryRecord &second = m_records[4].record;
        QCOMPARE(second.value(F::CardId), u"1"_s);
        QCOMPARE(second.value(F::Weight), u"9120"_s);
        QCOMPARE(second.value(F::Net), u"14360"_s);
        QCOMPARE(second.value(F::Time2), u"09:40:00"_s);
        QCOMPARE(second.value(F::Operator), u"Оператор"_s);
        QCOMPARE(second.value(F::Stable), u"да"_s);
        QVERIFY(m_records[6].record.value(F::Changes).contains(u"Документ:  → Н-17"_s));
        QCOMPARE(m_records[0].record.value(F::Key), QString::fromLatin1(MemoryKey::readPublic(WeighingMemory::folderIn(m_base)).toHex()));
        QCOMPARE(QFileInfo(MemoryKey::secretPath(WeighingMemory::folderIn(m_base))).permissions()
                     & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());

        // A later start: numbers go on, the papers find a card's weighings,
        // a changed legal setting is counted, an unchanged program is not
        // recorded again; the archive completion links the copy to the
        // closed card's first weighing.
        const QString folder = m_dir.path() + u"/later"_s;
        copyTree(m_dir.path() + u"/installation"_s, folder);
        Rig rig(folder, QDateTime(QDate(2026, 12, 11), QTime(8, 0)));
        WeighingMemory &memory = rig.program->memory();
        QCOMPARE(memory.lastNumber(), 8);
        QCOMPARE(memory.weighingsOf(1, QDate(2026, 12, 10)),
                 (QList<WeighingNumbers::Weighed>{{4, false}, {5, true}}));
        rig.program->context().settings.DecimalPlaces = 2;
        QVERIFY(rig.program->context().storeSettings().ok);
        QCOMPARE(memory.eventCounter(), 1);
        QCOMPARE(memory.lastNumber(), 9);
        QVERIFY(rig.program->context().storeSettings().ok);
        QCOMPARE(memory.lastNumber(), 9);

        ArchiveBrowser &archive = rig.program->archive();
        archive.chooseDate(QDate(2026, 12, 10));
        archive.selectCard(3);
        Weighing &w = rig.program->weighing();
        w.setTerminalConnected(true);
        w.setVisibleFrame(Weighing::Frame::Archive);
        w.setTerminalWeight(7000);
        QVERIFY(archive.CompleteArchiveCard(Weighing::Kind::Tare));
        QVERIFY(rig.edit(1, QString()));
        const QList<StoredRecord> later = records(Folders(folder).BaseFolder);
        QCOMPARE(later.size(), 12);
        QCOMPARE(later[9].record.value(F::Kind), MemoryKinds::Closing);
        QCOMPARE(later[10].record.value(F::FirstRecord), u"8"_s);
        QCOMPARE(later[11].record.value(F::Kind), MemoryKinds::Deletion);
        const MemoryVerifier::Report report = MemoryVerifier(rig.program->context().folders).verify();
        QVERIFY2(report.ok(), qPrintable(report.findings.join(u'\n')));
    }

    void verifierFinds_data()
    {
        QTest::addColumn<QString>("tampering");
        QTest::addColumn<QString>("finding");
        QTest::newRow("untouched") << u""_s << u""_s;
        QTest::newRow("weight in a day file") << u"day"_s << u"10.12.2026, карточка № 1, ID 1: Брутто в файле дня «23580»"_s;
        QTest::newRow("record changed") << u"change"_s << u"запись № 5: подпись не верна"_s;
        QTest::newRow("record changed, every signature") << u"change every"_s << u"запись № 5: подпись не верна"_s;
        QTest::newRow("record removed") << u"remove"_s << u"нет записи № 6: удалены"_s;
        QTest::newRow("last record removed") << u"last"_s << u"нет записи № 8: удалены последние записи"_s;
        QTest::newRow("key replaced") << u"key"_s << u"ключ установки заменён"_s;
        QTest::newRow("other key printed") << u"fingerprint"_s << u"ключ установки"_s;
    }

    void verifierFinds()
    {
        QFETCH(QString, tampering);
        QFETCH(QString, finding);
        QTemporaryDir dir;
        const QString base = dir.path() + u"/Tarvo v.3.00/"_s;
        copyTree(m_base, base);
        const QString month = base + u"Memory/"_s + QFileInfo(m_month).fileName();
        QByteArray data = readFile(month);
        const auto at = [&](int n) {
            qsizetype offset = 0;
            for (int k = 0; k < n - 1; ++k)
                offset += m_records[k].size;
            return offset;
        };
        QString fingerprint;
        if (tampering == u"day"_s) {
            const QString path = base + u"Data/2026/Декабрь/10.12.2026.dat"_s;
            QByteArray day = readFile(path);
            CargoCard card = decodeDayCard(QByteArrayView(day).sliced(DayFileLayout::cardOffset(1)));
            card.gross += 100;
            day.replace(DayFileLayout::cardOffset(1), DayFileLayout::CardBytes, encodeDayCard(card));
            writeFile(path, day);
        } else if (tampering.startsWith(u"change"_s)) {
            const qsizetype weight = data.indexOf("Вес: 9120", at(5));
            QVERIFY(weight > 0);
            data.replace(weight, 9, "Вес: 9020");
            writeFile(month, data);
        } else if (tampering == u"remove"_s) {
            data.remove(at(6), m_records[5].size);
            writeFile(month, data);
        } else if (tampering == u"last"_s) {
            data.truncate(at(8));
            writeFile(month, data);
        } else if (tampering == u"key"_s) {
            MemoryKey other;
            QVERIFY(other.create(base + u"Memory/"_s).ok);
        } else if (tampering == u"fingerprint"_s) {
            fingerprint = u"0000 1111 2222 3333"_s;
        }

        // Through the command line, as the inspector runs it.
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QStringList arguments{u"--verify"_s, dir.path()};
        if (!fingerprint.isEmpty())
            arguments << u"--fingerprint"_s << fingerprint;
        if (tampering.endsWith(u"every"_s))
            arguments << u"--every-signature"_s;
        const int code = MemoryCommand::run(arguments, QString(), outStream, errStream);
        outStream.flush();
        QVERIFY2(out.contains(u"Весовая память: записей "_s), qPrintable(out + err));
        if (finding.isEmpty()) {
            QCOMPARE(code, 0);
            QVERIFY2(out.contains(u"нарушений нет"_s), qPrintable(out));
        } else {
            QCOMPARE(code, 1);
            QVERIFY2(out.contains(finding), qPrintable(out));
        }
    }

    // "--record N": the record as the inspector reads it, and whether it
    // holds; N as the papers print it.
    void recordLookUp()
    {
        const QString fingerprint = MemoryKey::fingerprint(MemoryKey::readPublic(WeighingMemory::folderIn(m_base)));
        for (const QStringList &paper : {m_act, m_cheque}) {
            const QString text = paper.join(u'\n');
            QVERIFY2(text.contains(u"№ в весовой памяти: 4"_s) && text.contains(u"№ в весовой памяти: 5"_s),
                     qPrintable(text));
            QVERIFY2(text.contains(fingerprint), qPrintable(text));
        }
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(MemoryCommand::run({u"--verify"_s, u"--record"_s, u"5"_s, m_base}, QString(), outStream, errStream), 0);
        outStream.flush();
        QVERIFY2(out.startsWith(u"№: 5\nЗапись: взвешивание\n"_s), qPrintable(out));
        QVERIFY2(out.contains(u"Итог: запись цела и сходится с карточкой в файле дня"_s), qPrintable(out));
        QCOMPARE(MemoryCommand::run({u"--verify"_s, u"--record"_s, u"99"_s, m_base}, QString(), outStream, errStream), 1);
        QCOMPARE(MemoryCommand::run({u"--verify"_s, u"--bogus"_s}, QString(), outStream, errStream), 2);
        errStream.flush();
        QVERIFY(err.contains(u"Неизвестный параметр: --bogus"_s));
    }

    // The window forwards the number and shows what the lookup found.
    void windowWiring()
    {
        Clock clock;
        CommitLog journal(CommitLog::pathIn(m_base));
        WeighingMemory memory(m_base, clock, journal);
        QVERIFY(memory.open(0).ok);
        MemoryLookup lookup(Folders(m_dir.path() + u"/installation"_s), memory);
        MemoryWindow window(lookup);
        window.open();
        QTest::keyClicks(window.numberField(), u"5"_s);
        QTest::keyClick(window.numberField(), Qt::Key_Return);
        QVERIFY(window.recordView()->toPlainText().startsWith(u"№: 5\n"_s));
        QCOMPARE(window.verdictLine()->text(), u"запись цела и сходится с карточкой в файле дня"_s);
        window.verifyButton()->click();
        QVERIFY2(window.verdictLine()->text().endsWith(u"нарушений нет"_s), qPrintable(window.verdictLine()->text()));
        QCOMPARE(memory.lastNumber(), 8);
    }

    // A replay of the commit log may add to a record file, never change it.
    void replayOnlyAppends()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u"/Memory/"_s;
        QDir().mkpath(folder);
        const QString file = folder + u"2026-12.mem"_s;
        const QString logPath = dir.path() + u"/log"_s;
        QByteArray kept;
        {
            CommitLog log(logPath);
            QVERIFY(log.commit({{file, 0, "RECORD"}}).ok);
            kept = readFile(logPath);
        }
        for (const QByteArray &there : {QByteArray("REC\0\0\0", 6), QByteArray("FORGED")}) {
            writeFile(file, there);
            writeFile(logPath, kept);
            const QList<WriteJournal::Recovery> found = CommitLog::recover(logPath);
            QCOMPARE(found.size(), 1);
            QCOMPARE(found[0].replayed, there != "FORGED");
            QCOMPARE(readFile(file), there == "FORGED" ? there : QByteArray("RECORD"));
        }
    }
};

QTEST_MAIN(TestMemory)
#include "tst_memory.moc"
