#include "core/AccessCodes.h"
#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kLogin = u"08.12.2011  07:08:09  Вход в программу с именем:"_s;

// One started program in a folder of its own.
struct Program
{
    explicit Program(const QString &folder)
        : context(clock, Folders(folder))
        , log(context)
        , gate(context, log)
    {
        clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(7, 8, 9)));
    }

    // As the program's start leaves it: the settings loaded, the gate open.
    void start()
    {
        context.ApplyDefaults();
        QTest::qVerify(bool(context.LoadOrCreateSettings()), "LoadOrCreateSettings()", "", __FILE__, __LINE__);
        gate.open();
    }

    QStringList logLines() const
    {
        QFile file(context.settings.LogPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringDecoder decoder("windows-1251");
        QStringList lines = QString(decoder.decode(file.readAll())).split(u"\r\n"_s);
        lines.removeLast(); // after the last CR LF
        return lines;
    }

    Clock clock;
    AppContext context;
    EventLog log;
    AccessGate gate;
};

} // namespace

class TestAccessGate : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Program> m_program;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_program = std::make_unique<Program>(m_dir->path());
    }

    void loginKeyByKey_data()
    {
        QTest::addColumn<int>("slot"); // -1: the engineering code
        QTest::addColumn<QString>("name");
        QTest::newRow("engineer") << -1 << u"System"_s;
        QTest::newRow("operator 0") << 0 << u"Оператор"_s;
        QTest::newRow("operator 5") << 5 << u"Оператор  5"_s;
    }

    void loginKeyByKey()
    {
        QFETCH(int, slot);
        QFETCH(QString, name);
        AccessGate &gate = m_program->gate;
        AppContext &c = m_program->context;
        m_program->start();
        const QString code = slot < 0 ? c.settings.EngineerCode : c.settings.OperatorCode[slot];

        // The gate hides and the main window shows before the name is set.
        QSignalSpy shown(&gate, &AccessGate::mainWindowRequested);
        connect(&gate, &AccessGate::mainWindowRequested, this, [&] {
            QVERIFY(!gate.isVisible());
            QVERIFY(c.CurrentOperator.isEmpty());
        });
        for (qsizetype n = 1; n < code.size(); ++n) {
            gate.setCodeText(code.left(n));
            QCOMPARE(shown.count(), 0);
        }
        QVERIFY(gate.isVisible());
        gate.setCodeText(code);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(c.CurrentOperator, name);
        QVERIFY(!gate.isVisible());
        QCOMPARE(m_program->logLines(), QStringList{kLogin + name});
    }

    void duplicateCodes()
    {
        AccessGate &gate = m_program->gate;
        Settings &s = m_program->context.settings;
        m_program->start();
        s.EngineerCode = s.OperatorCode[2] = s.OperatorCode[6] = u"555"_s;
        QSignalSpy shown(&gate, &AccessGate::mainWindowRequested);

        // Wrong, incomplete and other purposes' codes do nothing at all.
        for (const QString &code : {QString(), u"55"_s, u"999"_s, s.EditCode, AccessCodes::serviceCode()})
            gate.setCodeText(code);
        QCOMPARE(shown.count(), 0);
        QVERIFY(m_program->logLines().isEmpty());

        gate.setCodeText(u"555"_s);
        QCOMPARE(shown.count(), 3);
        QCOMPARE(m_program->context.CurrentOperator, u"Оператор  6"_s);
        QCOMPARE(m_program->logLines(),
                 QStringList({kLogin + u"System"_s, kLogin + u"Оператор  2"_s, kLogin + u"Оператор  6"_s}));
    }

    void purposes_data()
    {
        QTest::addColumn<int>("purpose");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("accepted");
        const struct {
            int purpose;
            const char *code;
            bool accepted;
        } rows[] = {
            {1, "engineer", true},  {1, "operator0", false}, {1, "edit", false},     {1, "service", false},
            {2, "engineer", true},  {2, "operator8", false}, {3, "engineer", false}, {3, "operator0", false},
            {4, "engineer", true},  {4, "operator0", true},  {4, "operator8", true}, {4, "edit", false},
            {4, "service", false},  {5, "service", true},    {5, "engineer", false}, {5, "operator0", false},
            {6, "edit", true},      {6, "engineer", false},  {6, "operator0", false}, {7, "engineer", true},
            {7, "operator0", false}, {8, "engineer", true},  {8, "edit", false},     {9, "engineer", true},
            {9, "service", false},
        };
        for (const auto &row : rows)
            QTest::addRow("%d %s", row.purpose, row.code) << row.purpose << QString::fromLatin1(row.code) << row.accepted;
    }

    void purposes()
    {
        QFETCH(int, purpose);
        QFETCH(QString, code);
        QFETCH(bool, accepted);
        AccessGate &gate = m_program->gate;
        const Settings &s = m_program->context.settings;
        m_program->start();
        const QString text = code == u"engineer"_s ? s.EngineerCode
            : code == u"edit"_s                    ? s.EditCode
            : code == u"service"_s                 ? AccessCodes::serviceCode()
                                                   : s.OperatorCode[code.back().digitValue()];
        QSignalSpy opened(&gate, &AccessGate::purposeAccepted);
        QSignalSpy shown(&gate, &AccessGate::mainWindowRequested);
        gate.ShowGate(purpose);
        gate.setCodeText(text);
        QCOMPARE(opened.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(opened.first().first().toInt(), purpose);
        QCOMPARE(gate.isVisible(), !accepted);
        QCOMPARE(m_program->context.GatePurpose, purpose);
        // Nobody logs in through a protected entry.
        QCOMPARE(shown.count(), 0);
        QVERIFY(m_program->context.CurrentOperator.isEmpty());
        QVERIFY(m_program->logLines().isEmpty());
    }

    void autoStart()
    {
        m_program->start();
        Settings s = m_program->context.settings;
        s.AutoStart = 1;
        QVERIFY(StoreSettings(s, m_program->context.folders.SettingsFile));

        // The next start of the same installation logs in by itself.
        Program next(m_dir->path());
        QSignalSpy shown(&next.gate, &AccessGate::mainWindowRequested);
        next.start();
        QCOMPARE(shown.count(), 1);
        QCOMPARE(next.context.CurrentOperator, u"System"_s);
        QVERIFY(!next.gate.isVisible());
        QCOMPARE(next.logLines(), QStringList{kLogin + u"System"_s});

        // Only for the login purpose.
        Program other(m_dir->path());
        other.context.GatePurpose = AccessGate::ScaleSettings;
        QSignalSpy opened(&other.gate, &AccessGate::purposeAccepted);
        other.start();
        QCOMPARE(opened.count(), 0);
        QVERIFY(other.gate.isVisible());
    }

    void reactivationAndClose()
    {
        AccessGate &gate = m_program->gate;
        m_program->start();
        const QString engineer = m_program->context.settings.EngineerCode;
        QSignalSpy quit(&gate, &AccessGate::quitRequested);
        QSignalSpy opened(&gate, &AccessGate::purposeAccepted);

        // Activation empties the entry: what was typed before cannot complete a code.
        gate.setCodeText(engineer.left(2));
        gate.activate();
        QCOMPARE(gate.codeText(), QString());
        gate.setCodeText(engineer);
        QCOMPARE(m_program->context.CurrentOperator, u"System"_s);
        gate.ShowGate(AccessGate::ParameterSettings);
        QVERIFY(gate.isVisible());
        QCOMPARE(gate.codeText(), QString());
        gate.setCodeText(engineer.left(3));
        gate.ShowGate(AccessGate::Service);
        QCOMPARE(gate.codeText(), QString());
        QCOMPARE(opened.count(), 0);

        // Closed at another purpose, the program goes on; at the login it ends.
        gate.close();
        QVERIFY(!gate.isVisible());
        QCOMPARE(quit.count(), 0);
        gate.ShowGate(AccessGate::Login);
        gate.close();
        QCOMPARE(quit.count(), 1);
    }

    void progress()
    {
        AccessGate &gate = m_program->gate;
        m_program->start();
        gate.setCodeText(u"1"_s);
        gate.beginProgress();
        QVERIFY(gate.isVisible() && gate.progressVisible());
        QCOMPARE(gate.promptText(), u"Загрузка данных"_s);
        QCOMPARE(gate.progressValue(), 0);
        const int steps[][3] = {{1, 3, 33}, {2, 3, 66}, {3, 3, 100}, {1, 700, 0}, {0, 0, 0}};
        for (const auto &[done, total, value] : steps) {
            gate.stepProgress(done, total);
            QCOMPARE(gate.progressValue(), value);
        }
        gate.endProgress();
        QVERIFY(!gate.isVisible() && !gate.progressVisible());
        QCOMPARE(gate.promptText(), u"Введите код доступа"_s);
    }
};

QTEST_GUILESS_MAIN(TestAccessGate)
#include "tst_accessgate.moc"
