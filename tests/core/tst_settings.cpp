#include "core/AccessCodes.h"
#include "core/AppContext.h"
#include "core/Folders.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay(2011, 12, 8);

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray record(const QByteArray &file, int k)
{
    return file.mid((k - 1) * 100, 100);
}

// Every field holds a value made from the number of its record.
QString textOf(int k) { return u"Запись "_s + QString::number(k); }
qint32 intOf(int k) { return -100000 * k - 7; }
double realOf(int k) { return k + 0.125; }
constexpr qint32 kCamera = 65108; // records 65 and 108
constexpr qint32 kPoll = 4321;    // record 131, inside the usable range

Settings numberedSettings()
{
    Settings s;
    s.PortNumber = textOf(1), s.BaudRate = textOf(2), s.Parity = textOf(3), s.DataBits = textOf(4);
    s.StopBits = textOf(5), s.AutoMinWeight = realOf(6), s.CardIdCounter = intOf(7), s.DayCardNumber = intOf(8);
    s.SumCount = intOf(9), s.SumModeOn = intOf(10), s.SumWeight = realOf(11), s.AutoStart = intOf(12);
    s.TerminalType = intOf(13);
    for (int i = 0; i < 9; ++i)
        s.OperatorName[i] = textOf(14 + 2 * i), s.OperatorCode[i] = textOf(15 + 2 * i);
    s.EngineerName = textOf(32), s.EngineerCode = textOf(33), s.EditCode = textOf(34), s.ResultFolder = textOf(35);
    for (int j = 0; j < 25; ++j)
        s.ParamNames[j] = textOf(36 + j);
    s.LogPath = textOf(61), s.ScaleModel = textOf(62), s.ScaleSerial = textOf(63), s.VerificationDate = textOf(64);
    s.IpCameraNumber = kCamera, s.TareFromKeyboard = intOf(66), s.ShowReceiptButton = intOf(67);
    s.MaxWeight = realOf(68), s.OverloadFlag = intOf(69), s.OverloadText = textOf(70), s.OverloadWeight = realOf(71);
    s.WeightUnit = textOf(72), s.AxleProgram = intOf(73);
    for (int c = 0; c < 3; ++c) {
        s.CameraLogin[c] = textOf(74 + 5 * c), s.CameraDescription[c] = textOf(75 + 5 * c);
        s.CameraUrl[c] = textOf(76 + 5 * c), s.BrowserHeight[c] = intOf(77 + 5 * c);
        s.BrowserWidth[c] = intOf(78 + 5 * c);
        s.PhotoHeight[c] = intOf(89 + 4 * c), s.PhotoWidth[c] = intOf(90 + 4 * c);
        s.PhotoShiftDown[c] = intOf(91 + 4 * c), s.PhotoShiftRight[c] = intOf(92 + 4 * c);
        s.BrowserShiftRight[c] = intOf(102 + 2 * c), s.BrowserShiftDown[c] = intOf(103 + 2 * c);
    }
    s.VideoSourceIp = intOf(101);
    for (int j = 0; j < 6; ++j)
        s.EditPermissions[j] = intOf(109 + j);
    s.AdvertCaption = textOf(115);
    for (int j = 0; j < 4; ++j)
        s.AnimationPictures[j] = textOf(116 + j);
    s.AdvertFontName = textOf(120), s.AdvertFontSize = -121, s.AdvertFontBold = -122, s.AdvertFontItalic = -123;
    s.AdvertFontStrikethrough = -124, s.AdvertFontUnderline = -125, s.AdvertColor = intOf(126);
    s.ImpulseCoefficient = realOf(127), s.AutoMaxFluctuation = realOf(128), s.AutoPhoto = intOf(129);
    s.DecimalPlaces = intOf(130), s.PollPeriodMs = kPoll;
    return s;
}

// Record k of numberedSettings(), by the type the layout gives record k.
QByteArray expectedRecord(int k)
{
    static const std::set<int> reals = {6, 11, 68, 71, 127, 128};
    static const std::set<int> texts = [] {
        std::set<int> t = {1, 2, 3, 4, 5, 62, 63, 64, 70, 72, 74, 75, 76, 79, 80, 81, 84, 85, 86};
        for (int r : {14, 115})
            for (int n = r; n <= (r == 14 ? 60 : 120); ++n)
                t.insert(n);
        return t;
    }();
    QByteArray bytes;
    if (k == 61 || texts.count(k)) {
        const QByteArray text = cp1251(textOf(k));
        bytes = (k == 61 ? QByteArray("\x08\x00", 2) : QByteArray()) + char(text.size()) + '\0' + text;
    } else if (reals.count(k)) {
        bytes.resize(8);
        qToLittleEndian(realOf(k), bytes.data());
    } else if (k >= 121 && k <= 125) {
        bytes.resize(2);
        qToLittleEndian(qint16(-k), bytes.data());
    } else {
        bytes.resize(4);
        qToLittleEndian(k == 65 || k == 108 ? kCamera : k == 131 ? kPoll : intOf(k), bytes.data());
    }
    return bytes + QByteArray(100 - bytes.size(), '\0');
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_xdg;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

    Settings defaults() const
    {
        Settings s;
        ApplyDefaults(s, Folders(m_dir->path()));
        return s;
    }

private slots:
    void initTestCase()
    {
        // The per-user fallback folder must never reach the real home.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_xdg.path()));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"tarvo v.3.00.eng"_s);
    }

    void folderPaths()
    {
        const QString prog = m_dir->path();
        const Folders f(prog);
        const QString base = prog + u"/Tarvo v.3.00/"_s;
        QCOMPARE(f.BaseFolder, base);
        QCOMPARE(Folders(prog + u'/').BaseFolder, base);
        QCOMPARE(QStringList({f.SettingsFile, f.TemplateFolder, f.DataRoot, f.defaultLogPath()}),
                 QStringList({base + u"tarvo v.3.00.eng"_s, base + u"Schablon/"_s, base + u"Data/"_s, base + u"err.log"_s}));
        QCOMPARE(f.MonthDataFolder(kDay), base + u"Data/2011/Декабрь/"_s);

        // The result folder counts only when it exists.
        const QString result = m_dir->filePath(u"results"_s);
        QCOMPARE(f.MonthResultFolder(result, kDay), base + u"2011/Декабрь/"_s);
        QCOMPARE(f.MonthResultFolder(QString(), kDay), base + u"2011/Декабрь/"_s);
        QVERIFY(QDir().mkdir(result));
        QCOMPARE(f.MonthResultFolder(result, kDay), result + u"/2011/Декабрь/"_s);
        QCOMPARE(f.MonthResultFolder(result + u'/', kDay), result + u"/2011/Декабрь/"_s);

        QCOMPARE(Folders::chooseProgramFolder(prog), prog);
        const QString fallback = Folders::chooseProgramFolder(m_dir->filePath(u"no such folder"_s));
        QVERIFY2(fallback.startsWith(m_xdg.path()) && QFileInfo(fallback).isDir(), qPrintable(fallback));
    }

    void folderCreation()
    {
        const Folders f(m_dir->path());
        QVERIFY(!PathExists(QString()));
        QVERIFY(!PathExists(f.BaseFolder));
        QVERIFY(f.createMonthDataFolder(kDay));
        QVERIFY(QFileInfo(f.MonthDataFolder(kDay)).isDir());
        QVERIFY(f.createMonthDataFolder(kDay)); // every level there already
        QVERIFY(f.createMonthDataFolder(QDate(2012, 1, 2)));
        QVERIFY(QFileInfo(f.BaseFolder + u"Data/2012/Январь"_s).isDir());

        QVERIFY(f.createMonthResultFolder(u"/nonexistent/results"_s, kDay));
        QVERIFY(QFileInfo(f.BaseFolder + u"2011/Декабрь"_s).isDir());
        const QString result = m_dir->filePath(u"results"_s);
        QVERIFY(QDir().mkdir(result));
        QVERIFY(f.createMonthResultFolder(result, kDay));
        QVERIFY(QFileInfo(result + u"/2011/Декабрь"_s).isDir());

        // A level that cannot be made stops the rest without harm.
        QVERIFY(writeAll(m_path, "x"));
        QVERIFY(PathExists(m_path));
        QVERIFY(!createLevels(m_dir->path(), {u"tarvo v.3.00.eng"_s, u"below"_s}));
        // One level at a time: a missing program folder is not made.
        QVERIFY(!Folders(m_dir->filePath(u"missing"_s)).createMonthDataFolder(kDay));
        QVERIFY(!PathExists(m_dir->filePath(u"missing"_s)));
    }

    void recordLayout()
    {
        const Settings s = numberedSettings();
        const QByteArray bytes = encodeSettings(s);
        QCOMPARE(bytes.size(), 13100);
        for (int k = 1; k <= 131; ++k)
            QVERIFY2(record(bytes, k) == expectedRecord(k), qPrintable(u"record "_s + QString::number(k)));

        QVERIFY(StoreSettings(s, m_path));
        QCOMPARE(readAll(m_path), bytes);
        Settings loaded;
        LoadSettings(loaded, m_path);
        QVERIFY(loaded == s);
    }

    void defaultValues()
    {
        const Settings s = defaults();
        const QString base = Folders(m_dir->path()).BaseFolder;
        QCOMPARE(QStringList({s.PortNumber, s.BaudRate, s.Parity, s.DataBits, s.StopBits, s.EngineerName,
                              s.ScaleModel, s.ScaleSerial, s.VerificationDate, s.WeightUnit, s.AdvertCaption,
                              s.AdvertFontName, s.OverloadText, s.ResultFolder, s.LogPath}),
                 QStringList({u"1"_s, u"9600"_s, u"n"_s, u"8"_s, u"1"_s, u"System"_s, u"ВСП-100"_s, u"123456"_s,
                              u"31.12.2012"_s, u"кг"_s, u"Kalvenstrom"_s, QString(), QString(), base,
                              base + u"err.log"_s}));
        QCOMPARE(QList<double>({s.AutoMinWeight, s.MaxWeight, s.ImpulseCoefficient, s.SumWeight}),
                 QList<double>({1.0, 30000.0, 1.0, 0.0}));
        QCOMPARE(QList<qint32>({s.TerminalType, s.IpCameraNumber, s.TareFromKeyboard, s.ShowReceiptButton,
                                s.VideoSourceIp, s.DecimalPlaces, s.PollPeriodMs, s.AutoStart, s.AdvertColor}),
                 QList<qint32>({1, 1, 1, 1, 1, 3, 300, 0, 0}));
        QCOMPARE(s.OperatorName[0], u"Оператор"_s);
        QCOMPARE(s.OperatorName[8], u"Оператор  8"_s);
        QCOMPARE(QStringList({s.ParamNames[0], s.ParamNames[6], s.ParamNames[16], s.ParamNames[23], s.ParamNames[24]}),
                 QStringList({u"Наименование груза"_s, u"Ф.И.О. соправождающего"_s, u"Брутто,кг"_s,
                              u"Суммарный вес,кг"_s, u"Кол-во в сумме"_s}));
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(s.CameraDescription[c], u"PIH 7625-IP Fast Dome"_s);
            QCOMPARE(QList<qint32>({s.BrowserWidth[c], s.BrowserHeight[c], s.BrowserShiftRight[c], s.BrowserShiftDown[c],
                                    s.PhotoWidth[c], s.PhotoHeight[c], s.PhotoShiftRight[c], s.PhotoShiftDown[c]}),
                     QList<qint32>({12000, 10000, -4700, -1200, 5000, 4500, 0, 0}));
        }
        QVERIFY(std::all_of(s.EditPermissions.begin(), s.EditPermissions.end(), [](qint32 f) { return f == 1; }));

        // Codes of the stated forms, and none the start of another: the gate
        // logs in as soon as a code is complete.
        QCOMPARE(QList<qsizetype>({s.OperatorCode[0].size(), s.EngineerCode.size(), s.EditCode.size(),
                                   AccessCodes::serviceCode().size()}),
                 QList<qsizetype>({3, 4, 4, 9}));
        QStringList codes(s.OperatorCode.begin(), s.OperatorCode.end());
        codes << s.EngineerCode;
        for (qsizetype a = 0; a < codes.size(); ++a)
            for (qsizetype b = 0; b < codes.size(); ++b)
                QVERIFY2(a == b || !codes[b].startsWith(codes[a]), qPrintable(codes[a] + u" / "_s + codes[b]));

        Settings decoded;
        decodeSettings(encodeSettings(s), decoded);
        QVERIFY(decoded == s);

        // A reset keeps the three counters and nothing else.
        Settings reset = numberedSettings();
        ApplyDefaults(reset, Folders(m_dir->path()));
        Settings expected = s;
        expected.CardIdCounter = intOf(7), expected.DayCardNumber = intOf(8), expected.SumCount = intOf(9);
        QVERIFY(reset == expected);
    }

    void shortFile()
    {
        // Written by an older version: records 127..131 are missing.
        Settings stored = defaults();
        stored.CardIdCounter = 17, stored.AdvertColor = 255, stored.ImpulseCoefficient = 0.5;
        stored.AutoMaxFluctuation = 2.5, stored.AutoPhoto = 1, stored.PollPeriodMs = 5000;
        QVERIFY(writeAll(m_path, encodeSettings(stored).left(126 * 100)));
        Settings loaded = defaults();
        LoadSettings(loaded, m_path);
        Settings expected = stored;
        expected.ImpulseCoefficient = 1.0, expected.AutoMaxFluctuation = 0.0, expected.AutoPhoto = 0;
        expected.DecimalPlaces = 0, expected.PollPeriodMs = 300;
        QVERIFY(loaded == expected);

        // An empty file: all zero or empty but for the two corrections.
        QVERIFY(writeAll(m_path, QByteArray()));
        LoadSettings(loaded, m_path);
        Settings zero;
        zero.ImpulseCoefficient = 1.0, zero.PollPeriodMs = 300;
        QVERIFY(loaded == zero);
        // A missing file changes nothing.
        QVERIFY(QFile::remove(m_path));
        LoadSettings(loaded, m_path);
        QVERIFY(loaded == zero);
    }

    void loadCorrections_data()
    {
        QTest::addColumn<qint32>("storedPoll");
        QTest::addColumn<qint32>("loadedPoll");
        QTest::addColumn<double>("storedCoefficient");
        QTest::addColumn<double>("loadedCoefficient");
        QTest::newRow("50") << 50 << 300 << 0.0 << 1.0;
        QTest::newRow("20000") << 20000 << 300 << 0.5 << 0.5;
        QTest::newRow("299") << 299 << 300 << -2.0 << -2.0;
        QTest::newRow("300") << 300 << 300 << 1.0 << 1.0;
        QTest::newRow("10000") << 10000 << 10000 << 0.001 << 0.001;
        QTest::newRow("12000, not the bound") << 12000 << 300 << 0.0 << 1.0;
        QTest::newRow("negative") << -300 << 300 << 3.0 << 3.0;
    }

    void loadCorrections()
    {
        QFETCH(qint32, storedPoll);
        QFETCH(qint32, loadedPoll);
        QFETCH(double, storedCoefficient);
        QFETCH(double, loadedCoefficient);
        QByteArray bytes = encodeSettings(defaults());
        qToLittleEndian(storedPoll, bytes.data() + 130 * 100);
        qToLittleEndian(storedCoefficient, bytes.data() + 126 * 100);
        QVERIFY(writeAll(m_path, bytes));
        Settings s;
        LoadSettings(s, m_path);
        QCOMPARE(s.PollPeriodMs, loadedPoll);
        QCOMPARE(s.ImpulseCoefficient, loadedCoefficient);
    }

    void cameraNumberRecords()
    {
        Settings s = defaults();
        s.IpCameraNumber = 10;
        QVERIFY(StoreSettings(s, m_path));
        QByteArray bytes = readAll(m_path);
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 64 * 100), 10);
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 107 * 100), 10);
        // On loading the second copy wins, even when it is zero.
        for (qint32 second : {2, 0}) {
            qToLittleEndian(qint32(3), bytes.data() + 64 * 100);
            qToLittleEndian(second, bytes.data() + 107 * 100);
            QVERIFY(writeAll(m_path, bytes));
            LoadSettings(s, m_path);
            QCOMPARE(s.IpCameraNumber, second);
        }
    }

    void overlongTexts()
    {
        Settings s = defaults();
        s.PortNumber = QString(120, u'Ж');
        s.ScaleModel = QString(98, u'Щ');               // exactly fits
        s.OverloadText = QString(97, u'a') + u"😀bc"_s; // the pair is the 98th character
        s.LogPath = u"/журнал/"_s + QString(120, u'x');
        s.CameraLogin[2] = QString(96, u'л');
        const QByteArray bytes = encodeSettings(s);
        QCOMPARE(bytes.size(), 13100);
        QCOMPARE(record(bytes, 1), QByteArray(QByteArray("\x62\x00", 2) + QByteArray(98, '\xC6')));
        QCOMPARE(record(bytes, 61), QByteArray(QByteArray("\x08\x00\x60\x00", 4) + cp1251(s.LogPath.left(96))));
        QCOMPARE(record(bytes, 70), QByteArray(QByteArray("\x62\x00", 2) + QByteArray(97, 'a') + '?'));

        Settings loaded;
        decodeSettings(bytes, loaded);
        Settings expected = s;
        expected.PortNumber = QString(98, u'Ж');
        expected.OverloadText = QString(97, u'a') + u'?';
        expected.LogPath = s.LogPath.left(96);
        QVERIFY(loaded == expected); // nothing spilled into the next records
    }

    void storeKeepsExtraBytes()
    {
        const Settings s = defaults();
        QVERIFY(writeAll(m_path, QByteArray(13100, '\x55') + "later version"));
        QVERIFY(StoreSettings(s, m_path));
        QCOMPARE(readAll(m_path), QByteArray(encodeSettings(s) + "later version"));

        QVERIFY(writeAll(m_path, QByteArray(500, '\x55')));
        QVERIFY(StoreSettings(s, m_path));
        QCOMPARE(readAll(m_path), encodeSettings(s));
        // Written through a temporary file that is gone afterwards.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"tarvo v.3.00.eng"_s});
        QVERIFY(!StoreSettings(s, m_dir->filePath(u"missing/file.eng"_s)));
    }

    void loadOrCreate()
    {
        Clock clock;
        clock.setNow(QDateTime(kDay, QTime(10, 0)));
        const Folders folders(m_dir->path());
        int nameFiles = 0;
        int defaultNames = 0;
        auto start = [&] {
            AppContext context(clock, folders);
            bool firstStart = false;
            QTest::qVerify(bool(context.LoadOrCreateSettings(&firstStart)), "LoadOrCreateSettings()", "", __FILE__,
                           __LINE__);
            // A first start applies the defaults and has the name files written.
            defaultNames += firstStart;
            nameFiles += firstStart;
            return context.settings;
        };

        // No base folder yet.
        Settings first = start();
        QCOMPARE(nameFiles, 1);
        QCOMPARE(defaultNames, 1);
        QVERIFY(first == defaults());
        QCOMPARE(readAll(folders.SettingsFile), encodeSettings(first));
        QVERIFY(QFileInfo(folders.BaseFolder + u"Data/2011/Декабрь"_s).isDir());
        QVERIFY(QFileInfo(folders.TemplateFolder).isDir());

        // Later starts load the file and write no name files.
        first.ScaleSerial = u"987"_s;
        QVERIFY(StoreSettings(first, folders.SettingsFile));
        QCOMPARE(start().ScaleSerial, u"987"_s);
        QCOMPARE(nameFiles, 1);

        // A settings file deleted: its last good copy takes its place.
        QFile::remove(lastGoodCopyPath(folders.SettingsFile));
        QVERIFY(QFile::rename(folders.SettingsFile, lastGoodCopyPath(folders.SettingsFile)));
        QCOMPARE(start().ScaleSerial, u"987"_s);
        QCOMPARE(nameFiles, 1);
        // Without a copy it is a first start again.
        QVERIFY(QFile::remove(folders.SettingsFile));
        QVERIFY(QFile::remove(lastGoodCopyPath(folders.SettingsFile)));
        QCOMPARE(start().ScaleSerial, u"123456"_s);
        QCOMPARE(nameFiles, 2);
        QCOMPARE(readAll(folders.SettingsFile).size(), qsizetype(13100));
    }

    void leftoverSaveFilesRemovedAtStart()
    {
        // A crash between QSaveFile's link and rename leaves its temporary
        // name behind; only exactly that pattern goes, nothing else.
        Clock clock;
        clock.setNow(QDateTime(kDay, QTime(10, 0)));
        const Folders folders(m_dir->path());
        Settings s = defaults();
        s.CardIdCounter = 41;
        QVERIFY(QDir().mkpath(folders.BaseFolder));
        QVERIFY(StoreSettings(s, folders.SettingsFile));
        const QStringList leftovers{u"tarvo v.3.00.eng.tsLpTj"_s, u"tarvo v.3.00.eng.ABCDEF"_s};
        const QStringList kept{u"tarvo v.3.00.eng.AbCdE1"_s, u"tarvo v.3.00.eng.AbCdEfG"_s,
                               u"tarvo v.3.00.eng.bak"_s,    u"tarvo v.3.00.engAbCdEf"_s,
                               u"other.eng.AbCdEf"_s,        u"Tarvo v.3.00.eng.AbCdEf"_s,
                               u"err.log"_s};
        for (const QString &name : leftovers + kept)
            QVERIFY(writeAll(folders.BaseFolder + name, "x"));
        QVERIFY(QDir().mkpath(folders.BaseFolder + u"tarvo v.3.00.eng.QwErTy"_s));

        AppContext context(clock, folders);
        QVERIFY(context.LoadOrCreateSettings());
        QCOMPARE(context.settings.CardIdCounter, 41);
        for (const QString &name : leftovers)
            QVERIFY2(!QFile::exists(folders.BaseFolder + name), qPrintable(name));
        for (const QString &name : kept)
            QCOMPARE(readAll(folders.BaseFolder + name), QByteArray("x"));
        QVERIFY(QFileInfo(folders.BaseFolder + u"tarvo v.3.00.eng.QwErTy"_s).isDir());
        QCOMPARE(readAll(folders.SettingsFile), encodeSettings(s));

        // A save that cannot be made says why.
        const StoreResult failed = StoreSettings(s, m_dir->filePath(u"missing/file.eng"_s));
        QVERIFY(!failed);
        QVERIFY(!failed.reason.isEmpty());
        context.folders.SettingsFile = m_dir->filePath(u"missing/tarvo v.3.00.eng"_s);
        QVERIFY(!context.storeSettings().ok);
        QVERIFY(!context.storeSettings().reason.isEmpty());

        // The reasons an operator reads are Russian; the rare ones as the system says them.
        QCOMPARE(failed.reason, u"Нет такого файла или папки"_s);
        QCOMPARE(systemErrorText(ENOSPC), u"Нет места на диске"_s);
        QCOMPARE(systemErrorText(EACCES), u"Нет доступа"_s);
        QCOMPARE(systemErrorText(EROFS), u"Файловая система только для чтения"_s);
        QCOMPARE(systemErrorText(EHOSTDOWN), qt_error_string(EHOSTDOWN));
        QFile underFile(folders.SettingsFile + u"/x"_s);
        QVERIFY(!underFile.open(QIODevice::WriteOnly));
        QCOMPARE(fileErrorText(underFile), u"Не является папкой"_s);
        QCOMPARE(fileErrorText(underFile, 0), u"Не является папкой"_s);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
