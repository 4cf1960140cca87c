#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

const QByteArray kStamp = "05.03.2024  07:08:09  ";

} // namespace

class TestEventLog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    QString m_default;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clock.setNow(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir->path()));
        m_context->ApplyDefaults();
        QVERIFY(QDir().mkpath(m_context->folders.BaseFolder));
        m_log = std::make_unique<EventLog>(*m_context);
        m_default = m_context->folders.BaseFolder + u"err.log"_s;
    }

    void lineBytes()
    {
        m_log->WriteLog(u"Вход в программу с именем:Оператор"_s);
        m_clock.advanceSeconds(17 * 3600 + 1);
        m_log->WriteLog(u"Весы были перегружены: 30100.5 Оператор  2"_s);
        m_log->WriteLog(u"中"_s);
        QCOMPARE(readAll(m_default),
                 QByteArray(kStamp + cp1251(u"Вход в программу с именем:Оператор"_s) + "\r\n06.03.2024  00:08:10  "
                            + cp1251(u"Весы были перегружены: 30100.5 Оператор  2"_s)
                            + "\r\n06.03.2024  00:08:10  ?\r\n"));
    }

    void pathCheck()
    {
        // No file at the chosen path: lines go to the default journal.
        const QString elsewhere = m_dir->filePath(u"err.log"_s);
        m_context->settings.LogPath = elsewhere;
        m_log->WriteLog(u"один"_s);
        QCOMPARE(m_context->settings.LogPath, m_default);
        QVERIFY(!QFile::exists(elsewhere));
        QCOMPARE(readAll(m_default), QByteArray(kStamp + cp1251(u"один\r\n"_s)));

        // Once a journal exists there, it is used.
        QVERIFY(writeAll(elsewhere, QByteArray()));
        m_context->settings.LogPath = elsewhere;
        m_log->WriteLog(u"два"_s);
        QCOMPARE(m_context->settings.LogPath, elsewhere);
        QCOMPARE(readAll(elsewhere), QByteArray(kStamp + cp1251(u"два\r\n"_s)));

        // A journal that cannot be opened loses the line quietly.
        QVERIFY(QFile::remove(m_default) && QDir().mkdir(m_default));
        m_context->settings.LogPath = m_default;
        m_log->WriteLog(u"три"_s);
        QVERIFY(QFileInfo(m_default).isDir());
    }

    void clearLog()
    {
        const QByteArray cleared = kStamp + cp1251(u"Содержание журнала очищено\r\n"_s);
        QCOMPARE(m_log->ClearLog(), u"Очистить журнал не удалось"_s);
        QVERIFY(!QFile::exists(m_default));

        m_log->WriteLog(u"старая строка"_s);
        QCOMPARE(m_log->ClearLog(), u"Журнал сообщений очищен"_s);
        QCOMPARE(readAll(m_default), cleared);
        // The new first line lets a second clear succeed too.
        QCOMPARE(m_log->ClearLog(), u"Журнал сообщений очищен"_s);
        QCOMPARE(readAll(m_default), cleared);

        // A chosen path without a file: the default journal is the one cleared.
        m_context->settings.LogPath = m_dir->filePath(u"err.log"_s);
        QCOMPARE(m_log->ClearLog(), u"Журнал сообщений очищен"_s);
        QCOMPARE(m_context->settings.LogPath, m_default);
    }

    void viewerText()
    {
        QCOMPARE(m_log->viewerText(), QString());
        m_log->WriteLog(u"первая"_s);
        m_log->WriteLog(u"вторая"_s);
        QCOMPARE(m_log->viewerText(), u"05.03.2024  07:08:09  первая\r\n05.03.2024  07:08:09  вторая\r\n"_s);

        // Lines of a foreign journal ended by LF alone are shown with CR LF.
        QVERIFY(writeAll(m_default, "a\nb\r\nc"));
        QCOMPARE(m_log->viewerText(), u"a\r\nb\r\nc\r\n"_s);

        // A long journal shows exactly its last 64,000 characters, however long it is.
        for (int total : {70000, 1500000}) {
            QByteArray bytes;
            for (int n = 0; bytes.size() < total; ++n)
                bytes += kStamp + cp1251(u"Вход в программу с именем:Оператор "_s) + QByteArray::number(n) + "\r\n";
            QVERIFY(writeAll(m_default, bytes));
            QStringDecoder decoder("windows-1251");
            const QString all = decoder.decode(bytes);
            QCOMPARE(m_log->viewerText(), all.right(64000));
        }
    }

    void chooseLogFolder()
    {
        QCOMPARE(m_log->ChooseLogFolder(QString()), QString());
        QCOMPARE(m_context->settings.LogPath, m_default);
        QVERIFY(!QFile::exists(m_context->folders.SettingsFile));

        const QString folder = m_dir->filePath(u"journal"_s);
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(m_log->ChooseLogFolder(folder), u"Данные сохранены"_s);
        QCOMPARE(m_context->settings.LogPath, folder + u"/err.log"_s);
        Settings stored;
        LoadSettings(stored, m_context->folders.SettingsFile);
        QCOMPARE(stored.LogPath, folder + u"/err.log"_s);

        // No journal there yet: the next line still goes to the default one.
        m_log->WriteLog(u"строка"_s);
        QCOMPARE(m_context->settings.LogPath, m_default);
        QVERIFY(!QFile::exists(folder + u"/err.log"_s));

        QCOMPARE(m_log->ChooseLogFolder(folder + u'/'), u"Данные сохранены"_s);
        QCOMPARE(m_context->settings.LogPath, folder + u"/err.log"_s);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
