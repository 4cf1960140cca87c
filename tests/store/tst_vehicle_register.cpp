#include "core/Cp1251.h"
#include "store/TareNotes.h"
#include "store/VehicleRegister.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestVehicleRegister : public QObject
{
    Q_OBJECT

    QByteArray file(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void registerFileAndTheAgeLimit()
    {
        QTemporaryDir dir;
        VehicleRegister r(dir.path() + u'/');
        const QDate day(2026, 12, 1);
        QVERIFY(r.remember(u" а 123 вс 77 "_s, 11500.5, day, u"Иванов"_s));
        QVERIFY(r.remember(u"В777ОР"_s, 9000, day, QString()));
        // The same vehicle however typed: its tare and date follow, the driver stays.
        QVERIFY(r.remember(u"А123ВС77"_s, 11800, day.addDays(2), QString()));
        // A tab in a name cannot split the line.
        QVERIFY(r.replaceAll(r.all() << KnownVehicle{u"Т\t1"_s, 5000, QDate(), u"ООО\tА"_s, QString(), {}, {}, {}, {}}));
        QCOMPARE(file(r.path()),
                 encode1251(u"а 123 вс 77\t11800\t03.12.2026\t\tИванов\r\n"
                            u"В777ОР\t9000\t01.12.2026\t\t\r\n"
                            u"Т 1\t5000\t\tООО А\t\r\n"_s));
        // No tare of 0 or less, no plate: nothing remembered.
        QVERIFY(r.remember(u"Х000ХХ"_s, 0, day, QString()));
        QVERIFY(r.remember(u"  "_s, 100, day, QString()));
        QCOMPARE(r.all().size(), 3);

        // Offered up to the limit, not a day beyond; 0 is no limit; no date, no offer.
        QVERIFY(r.offeredTare(u"А123ВС 77"_s, day.addDays(32), 30, 0));
        QVERIFY(!r.offeredTare(u"А123ВС 77"_s, day.addDays(33), 30, 0));
        QVERIFY(r.offeredTare(u"А123ВС 77"_s, day.addDays(3000), 0, 0));
        QVERIFY(!r.offeredTare(u"Т 1"_s, day, 0, 0));
        QVERIFY(!r.offeredTare(u"К001КК"_s, day, 0, 0));
        // Never a tare beyond what the scale can weigh.
        QVERIFY(r.offeredTare(u"А123ВС 77"_s, day, 0, 11800));
        QVERIFY(!r.offeredTare(u"А123ВС 77"_s, day, 0, 11799));
        QCOMPARE(r.find(u"а123вс77"_s)->tare, 11800.0);

        // A damaged line is passed over; the lines around it stay.
        QFile f(r.path());
        QVERIFY(f.open(QIODevice::Append));
        f.write("\r\n\t\t\r\n");
        // Lines that cannot be read offer nothing, are said, and survive a rewrite.
        f.write(encode1251(u"Е555ЕЕ\t1e308\t01.12.2026\t\t\r\nМ100ММ\t8000\t31.02.2026\t\t\r\n"_s));
        f.close();
        QStringList rejected;
        QCOMPARE(r.all(&rejected).size(), 3);
        QCOMPARE(rejected, (QStringList{u"Е555ЕЕ\t1e308\t01.12.2026\t\t"_s, u"М100ММ\t8000\t31.02.2026\t\t"_s}));
        QVERIFY(!r.offeredTare(u"Е555ЕЕ"_s, day, 0, 0));
        QVERIFY(r.remember(u"В777ОР"_s, 9100, day, QString()));
        QVERIFY(file(r.path()).endsWith(encode1251(u"Е555ЕЕ\t1e308\t01.12.2026\t\t\r\nМ100ММ\t8000\t31.02.2026\t\t\r\n"_s)));
    }

    void tareNotesKeepTheLastNoteOfACard()
    {
        QTemporaryDir dir;
        TareNotes notes(dir.path() + u'/');
        QVERIFY(notes.noteFor(7).isEmpty());
        QVERIFY(notes.add(7, TareNotes::fromRegister(QDate(2026, 12, 1))));
        QVERIFY(notes.add(17, TareNotes::typed()));
        QVERIFY(notes.add(7, TareNotes::typed()));
        QCOMPARE(notes.noteFor(17), u"тара введена с клавиатуры"_s);
        QCOMPARE(notes.noteFor(7), u"тара введена с клавиатуры"_s);
        QVERIFY(notes.noteFor(1).isEmpty());
        QCOMPARE(file(dir.path() + u"/TareNotes.txt"_s),
                 encode1251(u"7\tтара из справочника от 01.12.2026\r\n17\tтара введена с клавиатуры\r\n"
                            u"7\tтара введена с клавиатуры\r\n"_s));
    }
};

QTEST_GUILESS_MAIN(TestVehicleRegister)
#include "tst_vehicle_register.moc"
