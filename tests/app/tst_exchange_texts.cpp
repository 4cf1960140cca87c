// The exchange texts of a day, byte for byte against their layouts, through
// the program main() builds: without an office, as on a machine without one.

#include "ProgramFixture.h"
#include "core/Cp1251.h"
#include "core/ui/ParameterSettingsWindow.h"
#include "core/OleDate.h"
#include "reports/ui/ExchangeRebuildDialog.h"
#include "store/DayFileCodec.h"
#include "terminal/FakeTerminalPort.h"

#include <QDir>
#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The widths of the 25 fields, in line order, and what each shows.
const int DayWidths[25] = {8, 8, 10, 16, 10, 8, 10, 8, 32, 32, 32, 32, 32, 32, 32, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};

QByteArray field(const QString &text, int width)
{
    QByteArray bytes = encode1251(text).left(width);
    return bytes + QByteArray(width - bytes.size(), ' ');
}

// A line as the layout draws it: CR LF, "|_", fields between "_|_", "_|".
QByteArray line(const QStringList &texts, bool codes)
{
    QByteArray out = "\r\n|_";
    for (int i = 0; i < 25; ++i) {
        const int width = codes && i >= 8 && i <= 14 ? 10 : DayWidths[i];
        out += field(texts[i], width) + (i < 24 ? "_|_" : "_|");
    }
    return out;
}

QString number(double v)
{
    return QString::number(v, 'g', 15).replace(u'.', u',');
}

QString dateText(double day)
{
    return day == 0 ? u"0:00:00"_s : oleDateToDate(day).toString(u"dd.MM.yyyy"_s);
}

QString timeText(double time)
{
    return oleDateToTime(time).toString(u"H:mm:ss"_s);
}

// The 25 texts of a card in line order; `codes` in place of the seven texts.
QStringList texts(const CargoCard &c, const QStringList &codes = {})
{
    QStringList t{QString::number(c.id), QString::number(c.number), c.operationType, c.status, dateText(c.date1),
                  timeText(c.time1), dateText(c.date2), timeText(c.time2)};
    for (int i = 0; i < 7; ++i)
        t << (codes.isEmpty() ? c.texts[size_t(i)] : codes[i]);
    for (double v : {c.gross, c.net, c.tare, c.weight1, c.weight2, c.litterPercent, c.litterWeight, c.cleanWeight,
                     c.sumWeight})
        t << number(v);
    t << QString::number(c.sumCount);
    return t;
}

QByteArray header(const QString &date, const QStringList &names)
{
    QByteArray out = field(u"Для правильного отображение выберите шрифт Courier New (Меню: Фромат>Шрифт>Courier New)"_s, 480);
    out += "\r\n" + field(u"Отчет за:"_s + date, 478);
    out += "\r\n" + QByteArray(478, '_');
    return out + line(names, false);
}

} // namespace

class TestExchangeTexts : public QObject
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
    void weigh(qint64 w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
    }
    // A pick-list entry of parameter i with its accounting code.
    void addEntry(int i, const QString &value, const QString &code)
    {
        ParamConstants entry;
        entry[0] = value;
        entry[1] = code;
        m_p->extras->constantValues[size_t(i)] = entry;
        QVERIFY(m_p->extras->AddPickListEntry(i, value));
    }
    QByteArray file(const QString &name) const
    {
        QFile f(m_p->context->MonthResultFolder() + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString logText() const
    {
        QFile f(m_p->context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }
    CargoCard slot(int n) const
    {
        QFile f(dayFilePath(m_p->context->folders, m_p->clock.today()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return decodeDayCard(f.readAll().mid(DayFileLayout::cardOffset(n), DayFileLayout::CardBytes));
    }
    QStringList names() const
    {
        QStringList n;
        static const int params[25] = {10, 11, 14, 15, 12, 13, 7, 8, 0, 1, 2, 3, 4, 5, 6, 16, 17, 18, 19, 20, 9, 21, 22, 23, 24};
        for (int p : params)
            n << m_p->context->settings.ParamNames[size_t(p)];
        return n;
    }

private slots:
    void cleanup() { m_p.reset(); }

    void theFirstCardOfADayAndItsCompletion()
    {
        startAt(QDateTime(QDate(2026, 12, 9), QTime(8, 15, 0)));
        const QString cargo = u"Щебень гранитный фракции 20-40 мм, ГОСТ8"_s; // 40 characters
        QCOMPARE(cargo.size(), 40);
        addEntry(0, cargo, u"ЩБ-0000000001-X"_s); // a code longer than its field
        addEntry(2, u"ООО Карьер"_s, u"К-17"_s);
        addEntry(0, u"Песок"_s, u"П-2"_s);
        m_p->weighing->setEntryText(0, cargo);
        m_p->weighing->setEntryText(1, u"ТН-101"_s);
        m_p->weighing->setEntryText(2, u"ООО Карьер"_s);
        m_p->weighing->setEntryLitterText(u"2,5"_s);
        weigh(30100);
        QVERIFY(m_p->weighing->StoreNewCard());

        const CargoCard first = slot(1);
        QCOMPARE(first.date2, 0.0);
        const QByteArray day = file(u"09.12.2026.txt"_s);
        QCOMPARE(day.size(), 5 * 480);
        QCOMPARE(day.left(4 * 480), header(u"09.12.2026"_s, names()));
        const QByteArray expected = line(texts(first), false);
        QCOMPARE(expected.size(), 480);
        QCOMPARE(day.mid(4 * 480), expected);
        // Cut to its 32 bytes, the incomplete second weighing as 0:00:00 cut to 8.
        QVERIFY(day.mid(4 * 480).contains(QByteArray(encode1251(cargo.left(32)) + "_|_")));
        QVERIFY(day.mid(4 * 480).contains("_|_0:00:00   _|_0:00:00 _|_"));
        QVERIFY(day.mid(4 * 480).contains("_|_8:15:00 _|_"));

        QStringList codes{u"ЩБ-0000000"_s, QString(), u"К-17"_s, QString(), QString(), QString(), QString()};
        const QByteArray accounting = file(u"09.12.2026_1C.txt"_s);
        QCOMPARE(accounting.size(), 326);
        QCOMPARE(accounting, line(texts(first, codes), true));
        QVERIFY(!accounting.contains(encode1251(u"Щебень"_s))); // the code, never the name

        // Completed while the entry frame holds another cargo: the card's
        // own codes, the real second weighing.
        m_p->weighing->setEntryText(0, u"Песок"_s);
        m_p->extras->FindPickListEntry(0, u"Песок"_s);
        m_p->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 5, 3)));
        m_p->weighing->ShowCurrentCard(1);
        m_p->weighing->SetCompletionButtons(1);
        weigh(12000);
        QVERIFY(m_p->weighing->CompleteCard(Weighing::Kind::Tare));
        const CargoCard done = slot(1);
        QCOMPARE(done.status, u"завершена"_s);
        const QByteArray after = file(u"09.12.2026.txt"_s);
        QCOMPARE(after.size(), 5 * 480);
        QCOMPARE(after.left(4 * 480), day.left(4 * 480));
        QCOMPARE(after.mid(4 * 480), line(texts(done), false));
        QVERIFY(after.mid(4 * 480).contains("_|_09.12.2026_|_9:05:03 _|_"));
        QCOMPARE(file(u"09.12.2026_1C.txt"_s), line(texts(done, codes), true));

        // Nothing for the office to do without one.
        QCOMPARE(QDir(m_p->context->MonthResultFolder()).entryList(QDir::Files),
                 (QStringList{u"09.12.2026.txt"_s, u"09.12.2026_1C.txt"_s}));
    }

    void aDeletedCardAndTheHeadersOfEveryDay()
    {
        startAt(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
        addEntry(4, u"А123ВС 77"_s, u"  М-77   "_s);
        m_p->weighing->setEntryText(4, u"А123ВС 77"_s);
        m_p->weighing->selectOperationType(u"Одинарная"_s);
        for (int i = 0; i < 4; ++i) {
            weigh(20000 + i * 1000);
            QVERIFY(m_p->weighing->StoreNewCard());
        }
        const QByteArray before = file(u"09.12.2026.txt"_s);
        const QByteArray accountingBefore = file(u"09.12.2026_1C.txt"_s);
        QCOMPARE(before.size(), 8 * 480);
        QCOMPARE(accountingBefore.size(), 4 * 326);
        const QStringList codes{QString(), QString(), QString(), QString(), u"  М-77   "_s, QString(), QString()};

        // Deleted as the card editor does: one commit with its exchange lines.
        const DayCard read = m_p->days->ReadDayCard(m_p->clock.today(), 3);
        CargoCard changed = read.card;
        changed.status = u"удалена"_s;
        QVERIFY(m_p->program->commit().commit({{read, changed, std::nullopt}}, CardChange::Deletion));
        const CargoCard deleted = slot(3);
        QCOMPARE(deleted.status, u"удалена"_s);
        const QByteArray day = file(u"09.12.2026.txt"_s);
        QCOMPARE(day.mid(6 * 480, 480), line(texts(deleted), false));
        QCOMPARE(day.left(6 * 480), before.left(6 * 480));
        QCOMPARE(day.mid(7 * 480), before.mid(7 * 480));
        const QByteArray accounting = file(u"09.12.2026_1C.txt"_s);
        QCOMPARE(accounting.mid(2 * 326, 326), line(texts(deleted, codes), true));
        QCOMPARE(accounting.left(2 * 326), accountingBefore.left(2 * 326));
        QCOMPARE(accounting.mid(3 * 326), accountingBefore.mid(3 * 326));
        // The accounting text holds card lines only, card 1 from its first byte.
        QCOMPARE(accounting.left(326), line(texts(slot(1), codes), true));

        // A day that begins while the program runs has its header at once.
        m_p->clock.setNow(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 2)));
        m_p->shell->ClockTick();
        QCOMPARE(file(u"10.12.2026.txt"_s), header(u"10.12.2026"_s, names()));
        // A day text lost meanwhile gets its header back before the next line.
        QVERIFY(QFile::remove(m_p->context->MonthResultFolder() + u"10.12.2026.txt"_s));
        weigh(15000);
        QVERIFY(m_p->weighing->StoreNewCard());
        const QByteArray next = file(u"10.12.2026.txt"_s);
        QCOMPARE(next.size(), 5 * 480);
        QCOMPARE(next.left(4 * 480), header(u"10.12.2026"_s, names()));
        QCOMPARE(next.mid(4 * 480), line(texts(slot(1)), false));
        QCOMPARE(file(u"10.12.2026_1C.txt"_s).size(), 326);
        QCOMPARE(m_p->context->ExcelAvailable, 0);
    }

    // "Пересоздать файлы обмена…" of "Настройки параметров", which opens after
    // the engineer's code; without an
    // office the texts are rebuilt equal to those written live, and the
    // window says the workbooks were not.
    void theRebuildIsReachedBehindTheEngineerCode()
    {
        startAt(QDateTime(QDate(2026, 12, 9), QTime(7, 0, 0)));
        addEntry(1, u"ТН-9"_s, u"Д9"_s);
        m_p->weighing->setEntryText(1, u"ТН-9"_s);
        for (int i = 0; i < 3; ++i) {
            weigh(10000 + i);
            QVERIFY(m_p->weighing->StoreNewCard());
        }
        const QByteArray day = file(u"09.12.2026.txt"_s), accounting = file(u"09.12.2026_1C.txt"_s);
        QVERIFY(QFile::remove(m_p->context->MonthResultFolder() + u"09.12.2026_1C.txt"_s));
        QFile damaged(m_p->context->MonthResultFolder() + u"09.12.2026.txt"_s);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        damaged.seek(5 * 480 + 7);
        damaged.write("XXXX");
        damaged.close();

        m_p->gate->ShowGate(AccessGate::ParameterSettings);
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(!m_p->window->parameterSettingsWindow()); // an operator's code is not enough
        m_p->gate->setCodeText(AccessCodes::defaultEngineerCode());
        QVERIFY(m_p->window->parameterSettingsWindow());
        QVERIFY(!m_p->window->exchangeRebuildDialog());
        QTest::mouseClick(m_p->window->parameterSettingsWindow()->exchangeRebuildButton(), Qt::LeftButton);
        ExchangeRebuildDialog *dialog = m_p->window->exchangeRebuildDialog();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->dateEdit()->date(), QDate(2026, 12, 9));
        QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
        QTRY_VERIFY(!dialog->result()->text().isEmpty());
        QCOMPARE(dialog->result()->text(), u"Файлы обмена за 09.12.2026 созданы заново, карточек: 3; книги Excel "
                                           u"не созданы: офисная программа недоступна"_s);
        QCOMPARE(dialog->progressBar()->value(), dialog->progressBar()->maximum());
        QCOMPARE(file(u"09.12.2026.txt"_s), day);
        QCOMPARE(file(u"09.12.2026_1C.txt"_s), accounting);

        // The check beside it: a line out of step with the day file (here a
        // card 2 written over by hand) is rewritten, only that one, and logged.
        damaged.setFileName(m_p->context->MonthResultFolder() + u"09.12.2026_1C.txt"_s);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        damaged.seek(326 + 20);
        damaged.write("YYYY");
        damaged.close();
        QTest::mouseClick(dialog->checkButton(), Qt::LeftButton);
        QCOMPARE(dialog->result()->text(), u"Файлы обмена за 09.12.2026: переписаны строки карточек 2"_s);
        QCOMPARE(file(u"09.12.2026.txt"_s), day);
        QCOMPARE(file(u"09.12.2026_1C.txt"_s), accounting);
        QVERIFY(logText().contains(u"Файлы обмена за 09.12.2026 сверены с файлом дня, строки карточек переписаны: 2"_s));
        QTest::mouseClick(dialog->checkButton(), Qt::LeftButton);
        QCOMPARE(dialog->result()->text(), u"Файлы обмена за 09.12.2026 совпадают с файлом дня, карточек: 3"_s);
        const QString shots = u"/tmp/shots-exports"_s;
        QDir().mkpath(shots);
        dialog->grab().save(shots + u"/rebuild-dialog.png"_s);

        // A day without a day file is said, nothing is written.
        dialog->setDate(QDate(2026, 12, 1));
        QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
        QCOMPARE(dialog->result()->text(), u"Нет файла дня 01.12.2026.dat"_s);
        QVERIFY(!QFile::exists(m_p->context->folders.MonthResultFolder(QString(), QDate(2026, 12, 1))
                               + u"01.12.2026.txt"_s));
    }
};

QTEST_MAIN(TestExchangeTexts)
#include "tst_exchange_texts.moc"
