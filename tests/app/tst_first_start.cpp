#include "core/Folders.h"
#include "core/Formats.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFirstStart : public QObject
{
    Q_OBJECT

private slots:
    void firstStartInEmptyFolder()
    {
        QTemporaryDir dir;
        QTemporaryDir home;
        QVERIFY(dir.isValid() && home.isValid());
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString program = folder + u"/tarvo"_s;
        QVERIFY(QFile::copy(QString::fromUtf8(TARVO_EXECUTABLE), program));

        // Keep the program away from the real home.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        for (const QString &name : {u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s, u"XDG_CACHE_HOME"_s})
            env.insert(name, home.filePath(name));

        const QDate before = QDate::currentDate();
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, {});
        QVERIFY(process.waitForStarted());

        const QString base = folder + u"/Tarvo v.3.00/"_s;
        QList<std::pair<QString, qint64>> files = {{u"tarvo v.3.00.eng"_s, 13100}, {u"Name_Plus.dat"_s, 8960}};
        for (int n = 1; n <= 7; ++n)
            files.append({QString::number(n) + u".txt"_s, 3300});
        // Start-up may run across midnight.
        auto monthFolder = [&](const QString &under) {
            for (QDate d = before; d <= QDate::currentDate(); d = d.addDays(1)) {
                const QString path = under + QString::number(d.year()) + u'/' + MonthFolderName(d.month()) + u'/';
                if (QFileInfo(path).isDir())
                    return path;
            }
            return QString();
        };
        auto complete = [&] {
            for (const auto &[name, size] : files)
                if (QFileInfo(base + name).size() != size)
                    return false;
            return QFileInfo(base + u"Schablon"_s).isDir() && !monthFolder(base + u"Data/"_s).isEmpty()
                && !monthFolder(base).isEmpty();
        };
        const bool ready = QTest::qWaitFor(complete, 15000);
        const bool running = process.state() == QProcess::Running;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
        for (const auto &[name, size] : files)
            QCOMPARE(QFileInfo(base + name).size(), size);
        QVERIFY2(ready, "start-up did not make its folders within 15 s");
        QVERIFY2(running, "the program ended by itself");
        // Everything lives below the base folder.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({u"Tarvo v.3.00"_s, u"tarvo"_s}));

        QFile settingsFile(base + u"tarvo v.3.00.eng"_s);
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        Settings loaded;
        decodeSettings(settingsFile.readAll(), loaded);
        Settings expected;
        ApplyDefaults(expected, Folders(folder));
        // No verification date is known before the engineer gives one.
        expected.VerificationDate.clear();
        QVERIFY(loaded == expected);
        QCOMPARE(loaded.LogPath, base + u"err.log"_s);

        // The options: help, an unknown one refused with the usage, and the
        // check of the fresh installation's memory, all without a window.
        const auto run = [&](const QStringList &arguments, QString *output = nullptr) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, arguments);
            if (!p.waitForFinished(15000))
                return -1;
            if (output)
                *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString text;
        QCOMPARE(run({u"--help"_s}, &text), 0);
        QVERIFY2(text.contains(u"tarvo --verify [ПАПКА]"_s), qPrintable(text));
        QCOMPARE(run({u"--frobnicate"_s}, &text), 2);
        QVERIFY2(text.contains(u"Неизвестный параметр: --frobnicate"_s) && text.contains(u"Использование:"_s),
                 qPrintable(text));
        QCOMPARE(run({u"--verify"_s}, &text), 0);
        QVERIFY2(text.contains(u"нарушений нет"_s), qPrintable(text));
        QCOMPARE(run({u"--verify"_s, u"--record"_s, u"1"_s, base}, &text), 0);
        QVERIFY2(text.contains(u"Запись: начало памяти"_s), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_first_start.moc"
