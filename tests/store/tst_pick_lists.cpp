#include "core/Settings.h"
#include "store/ExtraNames.h"
#include "store/NamePlusFile.h"
#include "store/ParamExtras.h"
#include "store/PickListFile.h"
#include "store/PlusFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "DayLayoutReading.h"

using namespace Qt::StringLiterals;

using namespace layout;

namespace {

QByteArray field(const QString &text)
{
    const QByteArray bytes = cp1251(text).left(128);
    return bytes + QByteArray(128 - bytes.size(), ' ');
}

QByteArray two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// An entry block as the layout table gives it: "{" 01, then "[" 01..23, then "}" CR LF.
QByteArray entryBlock(const QStringList &fields)
{
    QByteArray b = '{' + field(fields.value(0)) + "]01";
    for (int k = 2; k <= 24; ++k)
        b += '[' + field(fields.value(k - 1)) + ']' + two(k - 1);
    return b + '[' + field(fields.value(24)) + "}\r\n";
}

QByteArray headerBlock(const QStringList &fields)
{
    QByteArray b = '{' + field(fields.value(0)) + "]01";
    for (int k = 2; k <= 24; ++k)
        b += '[' + field(fields.value(k - 1)) + ']' + two(k);
    return b + '[' + field(fields.value(24)) + "}\r\n";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

ParamConstants constants(const QString &value, const QString &tag)
{
    ParamConstants c;
    c[0] = value;
    for (int k = 1; k < 25; ++k)
        c[size_t(k)] = tag + QString::number(k);
    return c;
}

QStringList asList(const ParamConstants &c)
{
    return QStringList(c.begin(), c.end());
}

} // namespace

class TestPickLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_base;
    ExtraNames m_names;
    std::unique_ptr<ParamExtras> m_extras;

    QString list(int i) const { return m_base + QString::number(i + 1) + u".txt"_s; }

private slots:
    void init()
    {
        m_base = m_dir.path() + u"/base/"_s;
        QDir(m_base).removeRecursively();
        QVERIFY(QDir().mkpath(m_base));
        m_names = ExtraNames();
        m_names.applyDefaults(defaultParamNames(u"кг"_s));
        m_extras = std::make_unique<ParamExtras>(m_names, m_base);
    }

    void addOverwriteAndRemove()
    {
        QVERIFY(m_extras->WritePickListHeaders());
        const QByteArray header = readAll(list(0));
        QCOMPARE(header.size(), 3300);
        QVERIFY(header.endsWith("}\r\n"));

        // A first value: one block after the header.
        m_extras->constantValues[0] = constants(u"Щебень"_s, u"к"_s);
        QVERIFY(m_extras->AddPickListEntry(0, u"Щебень"_s));
        QByteArray f = readAll(list(0));
        QCOMPARE(f.size(), 6600);
        QCOMPARE(f.left(3300), header);
        QCOMPARE(f.mid(3300), entryBlock(asList(constants(u"Щебень"_s, u"к"_s))));

        // The same value typed with blanks, other constants: block 1 rewritten.
        m_extras->constantValues[0] = constants(u"Щебень"_s, u"новая "_s);
        QVERIFY(m_extras->AddPickListEntry(0, u"  Щебень "_s));
        f = readAll(list(0));
        QCOMPARE(f.size(), 6600);
        QCOMPARE(f.mid(3300), entryBlock(asList(constants(u"Щебень"_s, u"новая "_s))));

        for (const QString &v : {u"Песок"_s, u"Гравий"_s}) {
            m_extras->constantValues[0] = constants(v, v);
            QVERIFY(m_extras->AddPickListEntry(0, v));
        }
        QCOMPARE(readAll(list(0)).size(), 13200);

        // Removing the first of three: the others move up, a zero block ends the list.
        QVERIFY(m_extras->RemovePickListEntry(0, u"Щебень "_s));
        f = readAll(list(0));
        QCOMPARE(f.size(), 13200);
        QCOMPARE(f.left(3300), header);
        QCOMPARE(f.mid(3300, 3300), entryBlock(asList(constants(u"Песок"_s, u"Песок"_s))));
        QCOMPARE(f.mid(6600, 3300), entryBlock(asList(constants(u"Гравий"_s, u"Гравий"_s))));
        QCOMPARE(f.mid(9900), QByteArray(3300, '\0'));
        QCOMPARE(QDir(m_base).entryList(QDir::Files).size(), 7); // no temporary file left

        // A new start lists two values.
        ParamExtras fresh(m_names, m_base);
        QCOMPARE(fresh.Combo_1C()[0], (QStringList{u"Песок"_s, u"Гравий"_s}));
        QCOMPARE(fresh.Combo_1C()[1], QStringList());

        // A value not listed: nothing happens.
        QVERIFY(m_extras->RemovePickListEntry(0, u"Щебень"_s));
        QCOMPARE(readAll(list(0)), f);

        // The next value takes the zero block; the length still holds.
        m_extras->constantValues[0] = constants(u"Глина"_s, u"г"_s);
        QVERIFY(m_extras->AddPickListEntry(0, u"Глина"_s));
        f = readAll(list(0));
        QCOMPARE(f.size(), 13200);
        QCOMPARE(f.mid(9900), entryBlock(asList(constants(u"Глина"_s, u"г"_s))));

        // Removing the last entry copies the block after it, past the end zeros.
        QVERIFY(m_extras->RemovePickListEntry(0, u"Глина"_s));
        f = readAll(list(0));
        QCOMPARE(f.size(), 13200);
        QCOMPARE(f.mid(9900), QByteArray(3300, '\0'));

        // An empty value is no entry.
        QVERIFY(!m_extras->AddPickListEntry(0, u"   "_s));
        QCOMPARE(readAll(list(0)), f);
    }

    void addToMissingListWritesItsHeader()
    {
        m_extras->constantValues[4] = constants(u"А123ВС"_s, u"м"_s);
        QVERIFY(m_extras->AddPickListEntry(4, u"А123ВС"_s));
        const QByteArray f = readAll(list(4));
        QCOMPARE(f.size(), 6600);
        QCOMPARE(f.left(3300), headerBlock(asList(m_names.constantNames[4])));
        QVERIFY(m_extras->FindPickListEntry(4, u"А123ВС"_s));
    }

    void findTrimsAndCleansFields()
    {
        QStringList entry = asList(constants(u"Песок"_s, u"п"_s));
        QByteArray block = entryBlock(entry);
        block[3 * 132 + 1] = '\x01'; // field 3 begins below the blank
        writeAll(list(2), headerBlock({}) + entryBlock({u"ООО Карьер"_s}) + block + QByteArray(3300, '\0')
                              + entryBlock({u"Мёртвый"_s}));

        QVERIFY(m_extras->FindPickListEntry(2, u"  Песок   "_s));
        QVERIFY(m_extras->found[2]);
        entry[3].clear();
        QCOMPARE(asList(m_extras->constantValues[2]), entry);

        // Not found, and nothing is found past the zero block.
        QVERIFY(!m_extras->FindPickListEntry(2, u"Мёртвый"_s));
        QVERIFY(!m_extras->found[2]);
        QCOMPARE(asList(m_extras->constantValues[2]), QStringList(25, QString()));
        QCOMPARE(m_extras->Combo_1C()[2], (QStringList{u"ООО Карьер"_s, u"Песок"_s}));

        // A missing list finds nothing and lists nothing.
        QVERIFY(!m_extras->FindPickListEntry(6, u"Петров"_s));
        QCOMPARE(m_extras->Combo_1C()[6], QStringList());
    }

    void namesLoadWithTheBlankRule()
    {
        QStringList names = asList(constants(u"Груз"_s, u"Имя "_s));
        names[5] = u"   "_s;
        QByteArray header = headerBlock(names);
        header[6 * 132 + 1] = '\0';
        writeAll(list(0), header);
        m_names.constantNames[0][0] = u"Наименование груза"_s;
        m_extras->LoadPickListHeaders();
        QCOMPARE(m_names.constantNames[0][0], u"Наименование груза"_s); // name 0 is not read
        QCOMPARE(m_names.constantNames[0][4], u"Имя 4"_s);
        QCOMPARE(m_names.constantNames[0][5], u"Имя Константы №5"_s);
        QCOMPARE(m_names.constantNames[0][6], u"Имя Константы №6"_s);
        QCOMPARE(m_names.constantNames[3][24], u"Имя Константы №24"_s); // missing list

        // The name file: record i * 10 + j.
        QByteArray file;
        for (int r = 1; r <= 70; ++r)
            file += field(u"Имя "_s + QString::number(r));
        file.replace(24 * 128, 128, QByteArray(128, ' '));       // record 25: (2, 5)
        file.replace(69 * 128, 128, QByteArray(128, '\0'));      // record 70: (6, 10)
        writeAll(m_base + u"Name_Plus.dat"_s, file);
        m_extras->loadNames();
        QCOMPARE(m_names.extraNames[0][1], u"Имя 1"_s);
        QCOMPARE(m_names.extraNames[2][7], u"Имя 27"_s);
        QCOMPARE(m_names.extraNames[2][5], u"Доп. параметр №5"_s);
        QCOMPARE(m_names.extraNames[6][10], u"Доп. параметр №10"_s);

        // Saved and loaded again: the same names.
        QVERIFY(m_extras->saveNames());
        QCOMPARE(readAll(m_base + u"Name_Plus.dat"_s).mid(24 * 128, 128), field(u"Доп. параметр №5"_s));
        QFile::remove(m_base + u"Name_Plus.dat"_s);
        m_extras->loadNames();
        QCOMPARE(m_names.extraNames[4][1], u"Доп. параметр №1"_s);
    }

    void plusFileRecords()
    {
        const QString day = m_base + u"08.12.2011.dat"_s;
        const QString plus = PlusFile::besideDayFile(day);
        QCOMPARE(plus, m_base + u"08.12.2011_Plus.dat"_s);
        QCOMPARE(PlusFile::recordOf(3, 2, 7), qint64(167));

        for (int i = 0; i < 7; ++i)
            for (int j = 1; j <= 10; ++j)
                m_extras->extraValues[size_t(i)][size_t(j)] = u"з"_s + QString::number(i) + u'.' + QString::number(j);
        m_extras->extraValues[2][7] = u"Адрес погрузки: ул. Ленина, 1"_s;
        QVERIFY(PlusFile(plus).write(3, m_extras->extraValues));

        QByteArray f = readAll(plus);
        QCOMPARE(f.size(), 210 * 128);                                         // cards 1 and 2 are zeros
        QCOMPARE(f.left(140 * 128), QByteArray(140 * 128, '\0'));
        QCOMPARE(f.mid(166 * 128, 128), field(u"Адрес погрузки: ул. Ленина, 1"_s)); // record 167
        QCOMPARE(f.mid(140 * 128, 128), field(u"з0.1"_s));                    // record 141
        QCOMPARE(f.mid(209 * 128, 128), field(u"з6.10"_s));                   // record 210

        // Card 1 rewritten leaves card 3 alone.
        const ExtraParams three = m_extras->extraValues;
        m_extras->extraValues = ExtraParams();
        m_extras->extraValues[0][1] = u"первая"_s;
        QVERIFY(PlusFile(plus).write(1, m_extras->extraValues));
        QCOMPARE(readAll(plus).mid(140 * 128), f.mid(140 * 128));

        QVERIFY(m_extras->readCardExtras(plus, 3));
        QCOMPARE(m_extras->extraValues, three);
        QVERIFY(m_extras->readCardExtras(plus, 2));
        QCOMPARE(m_extras->extraValues, ExtraParams());

        // A value beginning below the blank reads empty; a missing file reads empty.
        f = readAll(plus);
        f[(166) * 128] = '\x1F';
        writeAll(plus, f);
        m_extras->readCardExtras(plus, 3);
        QCOMPARE(m_extras->extraValues[2][7], QString());
        QCOMPARE(m_extras->extraValues[2][6], u"з2.6"_s);
        QVERIFY(!m_extras->readCardExtras(m_base + u"none_Plus.dat"_s, 1));
        QCOMPARE(m_extras->extraValues, ExtraParams());
        QVERIFY(!PlusFile(plus).write(0, m_extras->extraValues));
    }

    void boxChangeEmptiesOnlyItsParameter()
    {
        for (int i = 0; i < 7; ++i)
            for (int j = 1; j <= 10; ++j)
                m_extras->extraValues[size_t(i)][size_t(j)] = u"x"_s;
        QSignalSpy cleared(m_extras.get(), &ParamExtras::extrasCleared);
        m_extras->boxChanged(0);
        QCOMPARE(cleared.size(), 1);
        QCOMPARE(cleared[0][0].toInt(), 0);
        for (int j = 1; j <= 10; ++j) {
            QCOMPARE(m_extras->extraValues[0][size_t(j)], QString());
            QCOMPARE(m_extras->extraValues[1][size_t(j)], u"x"_s);
            QCOMPARE(m_extras->extraValues[6][size_t(j)], u"x"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestPickLists)
#include "tst_pick_lists.moc"
