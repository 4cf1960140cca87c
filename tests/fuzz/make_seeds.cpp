// Writes the seed corpora: valid inputs made by the program's own writers
// and a few damaged ones. Run: tarvo_fuzz_seeds <tests/fuzz/corpus>

#include "FrameMaker.h"
#include "core/Folders.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "store/DayFileCodec.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"
#include "store/PlusFile.h"
#include "card/CargoCard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

QString g_root;

void seed(const QString &target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(g_root + target);
    QFile file(g_root + target + u'/' + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The terminal target's input: type, parameter byte, then the polls.
QByteArray terminalInput(int type, quint8 parameter, const QList<QByteArray> &polls)
{
    QByteArray out;
    out += char(type - 1);
    out += char(parameter);
    out += polls.join('\xff');
    return out;
}

void terminalSeeds()
{
    for (int type = 1; type <= 10; ++type) {
        FrameMaker::Options options;
        options.type = type;
        options.decimals = type == 4 ? 2 : 0;
        FrameMaker maker(options);
        const QByteArray frame = maker.frame(12500);
        seed(u"terminal"_s, u"type%1-valid"_s.arg(type, 2, 10, QChar(u'0')), terminalInput(type, 0, {frame, frame}));
        seed(u"terminal"_s, u"type%1-cut"_s.arg(type, 2, 10, QChar(u'0')),
             terminalInput(type, 0, {frame.left(frame.size() / 2)}));
    }
    FrameMaker::Options digits;
    digits.type = 7;
    digits.digitFrames = true;
    digits.decimals = 3;
    const QByteArray digitFrame = FrameMaker(digits).frame(25.0);
    seed(u"terminal"_s, u"type07-digits"_s, terminalInput(7, 5, {digitFrame.left(8), digitFrame.mid(8)}));
    seed(u"terminal"_s, u"type07-overflow"_s, terminalInput(7, 1, {QByteArray(30, 'a')}));
    seed(u"terminal"_s, u"type04-bad-check"_s,
         terminalInput(4, 0, {FrameMaker({4, 0, 1.0, false}).frameWithBadCheck(500)}));
    // Replies beyond a double once scaled.
    seed(u"terminal"_s, u"type03-exponent-x10"_s, terminalInput(3, 2, {"   1D308\r\n"_ba}));
    seed(u"terminal"_s, u"type03-infinite-coefficient"_s, terminalInput(3, 7, {"0\r\n"_ba}));
    seed(u"terminal"_s, u"type10-cr-early"_s, terminalInput(10, 0, {"0012500\r"_ba}));
    // Signs, points, overload and motion as the frames carry them, and a
    // stream cut anywhere.
    for (int type : {2, 4, 8, 9, 10}) {
        FrameMaker::Options options;
        options.type = type;
        options.decimals = 2;
        const QByteArray frame = FrameMaker(options).frame(-60.25, false);
        seed(u"terminal"_s, u"type%1-negative-moving"_s.arg(type, 2, 10, QChar(u'0')),
             terminalInput(type, 0, {frame + frame.left(7), frame.mid(7) + frame}));
    }
    for (int type : {9, 10}) {
        FrameMaker::Options options;
        options.type = type;
        options.overload = true;
        seed(u"terminal"_s, u"type%1-overload"_s.arg(type, 2, 10, QChar(u'0')),
             terminalInput(type, 0, {FrameMaker(options).frame(99999)}));
    }
    // The other layouts of each family, with their overload, split across polls.
    for (int type = 1; type <= 10; ++type) {
        for (const QString &format : FrameMaker::formats(type).mid(1)) {
            FrameMaker::Options options;
            options.type = type;
            options.format = format;
            const QByteArray frame = FrameMaker(options).frame(-60.25, false);
            options.overload = FrameMaker::canSayOverload(type, format);
            const QByteArray over = FrameMaker(options).frame(99999);
            seed(u"terminal"_s, u"type%1-%2"_s.arg(type, 2, 10, QChar(u'0')).arg(format),
                 terminalInput(type, 0, {frame.left(5), frame.mid(5) + over, over}));
        }
    }
}

void numberSeeds()
{
    const QList<QPair<QString, QByteArray>> texts = {
        {u"plain"_s, "12345"_ba},        {u"comma"_s, "  -12,5 kg"_ba},   {u"exponent-d"_s, "1D308"_ba},
        {u"overflow"_s, "9E99999"_ba},   {u"underflow"_s, "1e-99999"_ba}, {u"blanks"_s, " 1 2\t3\n.5"_ba},
        {u"garbage"_s, "12A4"_ba},       {u"signs"_s, "+-.e5"_ba},        {u"cyrillic"_s, "١٢ вес 5"_ba},
    };
    for (const auto &[name, text] : texts)
        seed(u"numbers"_s, name, text);
}

CargoCard sampleCard(int number)
{
    CargoCard c;
    c.texts = {u"Щебень гранитный фракции 5-20 мм, навалом"_s, u"№ 15/7"_s, u"ООО Карьер"_s, u"Стройка-2"_s,
               u"А123ВС 77"_s, u"Иванов И.И."_s, u"Петров"_s};
    c.id = 1000 + number;
    c.number = number;
    c.date1 = 40885;
    c.time1 = 0.5;
    c.date2 = 40885;
    c.time2 = 0.75;
    c.operationType = OperationTypes::unloading();
    c.status = Statuses::complete();
    c.gross = 30100.5;
    c.tare = 12000;
    c.net = 18100.5;
    c.weight1 = 30100.5;
    c.weight2 = 12000;
    c.litterPercent = 2.5;
    c.litterWeight = 452.5125;
    c.cleanWeight = 17647.9875;
    c.sumWeight = 90000.25;
    c.sumCount = 4;
    return c;
}

void dayFileSeeds()
{
    const QByteArray two = encodeCountRecord(2) + encodeDayCard(sampleCard(1)) + encodeDayCard(sampleCard(2));
    seed(u"dayfile"_s, u"two-cards"_s, two);
    // Every text empty: the writer's empty-chunk path.
    CargoCard empty;
    empty.id = 7;
    empty.number = 1;
    seed(u"dayfile"_s, u"empty-texts"_s, encodeCountRecord(1) + encodeDayCard(empty));
    seed(u"dayfile"_s, u"empty-file"_s, QByteArray());
    seed(u"dayfile"_s, u"cut-in-card"_s, two.left(1500));
    seed(u"dayfile"_s, u"count-beyond-cards"_s, encodeCountRecord(100000) + encodeDayCard(sampleCard(1)));
    seed(u"dayfile"_s, u"negative-count"_s, encodeCountRecord(-5) + encodeDayCard(sampleCard(1)));

    // Text lengths of 0xFFFF and numbers that are no numbers.
    QByteArray damaged = encodeCountRecord(1) + encodeDayCard(sampleCard(1));
    for (qint64 rec = 4; rec < 12; ++rec)
        qToLittleEndian<quint16>(0xFFFF, damaged.data() + DayFileLayout::cardOffset(1) + 16 * rec);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::memcpy(damaged.data() + DayFileLayout::cardOffset(1) + 16 * 2, &nan, 8);
    std::memcpy(damaged.data() + DayFileLayout::cardOffset(1) + 16 * 44, &inf, 8);
    seed(u"dayfile"_s, u"long-lengths-nan-dates"_s, damaged);
}

void settingsSeeds()
{
    Settings defaults;
    // A fixed folder keeps the seed the same from run to run.
    ApplyDefaults(defaults, Folders(u"/opt/tarvo"_s));
    const QByteArray valid = encodeSettings(defaults);
    seed(u"settings"_s, u"defaults"_s, valid);
    seed(u"settings"_s, u"cut"_s, valid.left(1234));
    seed(u"settings"_s, u"empty"_s, QByteArray());

    QByteArray damaged = valid;
    for (int k = 0; k < SettingsLayout::kRecordCount; k += 3)
        qToLittleEndian<quint16>(0xFFFF, damaged.data() + k * SettingsLayout::kRecordSize);
    seed(u"settings"_s, u"long-lengths"_s, damaged);
    seed(u"settings"_s, u"all-ff"_s, QByteArray(SettingsLayout::kFileSize, '\xff'));
}

void storeSeeds(const QString &work)
{
    ExtraNames names;
    names.applyDefaults(defaultParamNames(u"кг"_s));
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            names.extraNames[std::size_t(i)][std::size_t(j)] = u"Параметр %1.%2"_s.arg(i).arg(j);

    if (!saveExtraNames(names, work))
        return 1;
    const QByteArray nameFile = readAll(namePlusPath(work));
    seed(u"namefile"_s, u"all-names"_s, nameFile);
    seed(u"namefile"_s, u"cut"_s, nameFile.left(700));
    QByteArray controls = nameFile;
    for (qsizetype k = 0; k < controls.size(); k += 128)
        controls[k] = char(k % 3 == 0 ? 0 : 0x1f);
    seed(u"namefile"_s, u"control-starts"_s, controls);

    ExtraParams values;
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        values[std::size_t(i)][1] = u"Значение %1 — «кавычки»"_s.arg(i);
    const QString plusPath = work + u"08.12.2011_Plus.dat"_s;
    PlusFile(plusPath).write(2, values);
    const QByteArray plus = readAll(plusPath);
    seed(u"plusfile"_s, u"card2"_s, plus.mid(plus.size() - PlusFile::kRecordSize * PlusFile::kRecordsPerCard));
    seed(u"plusfile"_s, u"cut"_s, plus.left(300));

    WritePickListHeaders(names, work);
    const QString listPath = pickListPath(work, 0);
    PickListFile list(listPath);
    ParamConstants entry;
    // Added under other names, so the file holds a value twice (once padded).
    for (const QString &value : {u"Щебень"_s, u"Песок"_s, u"  Щебень  "_s}) {
        entry[0] = value;
        entry[1] = u"0001"_s;
        list.add(value + u"x"_s, entry, names.constantNames[0]);
    }
    const QByteArray listFile = readAll(listPath);
    seed(u"picklist"_s, u"three-entries"_s, listFile);
    seed(u"picklist"_s, u"cut-entry"_s, listFile.left(PickListLayout::kBlockSize * 2 + 500));
    seed(u"picklist"_s, u"header-only"_s, listFile.left(PickListLayout::kBlockSize));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]) + u'/';
    QTemporaryDir work;
    const QString folder = work.path() + u'/';
    terminalSeeds();
    numberSeeds();
    dayFileSeeds();
    settingsSeeds();
    storeSeeds(folder);
    return 0;
}
