#include "core/AccessCodes.h"
#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/EditModesModel.h"
#include "core/EventLog.h"
#include "core/ParameterSettingsModel.h"
#include "core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

// Numbers (from 1) of the 100-byte records that differ.
QList<int> changedRecords(const QByteArray &before, const QByteArray &after)
{
    QList<int> changed;
    const int n = int(qMax(before.size(), after.size()) + 99) / 100;
    for (int k = 0; k < n; ++k)
        if (before.mid(k * 100, 100) != after.mid(k * 100, 100))
            changed << k + 1;
    return changed;
}

class CountingWrites final : public PendingResultWrites
{
public:
    int finished = 0;
    void finish() override { ++finished; }
};

} // namespace

class TestParameterSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    CountingWrites m_writes;
    std::unique_ptr<ParameterSettingsModel> m_model;
    std::unique_ptr<EditModesModel> m_modes;
    int m_nameFilesWritten = 0;

    QByteArray settingsBytes() const { return readAll(m_context->folders.SettingsFile); }
    QString base() const { return m_context->folders.BaseFolder; }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir->path()));
        m_nameFilesWritten = 0;
        m_context->ApplyDefaults();
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->createMonthFolders();
        m_nameFilesWritten = 0;
        m_log = std::make_unique<EventLog>(*m_context);
        m_writes.finished = 0;
        m_model = std::make_unique<ParameterSettingsModel>(*m_context, *m_log, m_writes);
        // A reset has the program write the default name files.
        connect(m_model.get(), &ParameterSettingsModel::settingsReset, this, [this] { ++m_nameFilesWritten; });
        m_model->load();
        m_modes = std::make_unique<EditModesModel>(*m_context, *m_log);
    }

    void cleanup()
    {
        m_modes.reset();
        m_model.reset();
        m_log.reset();
        m_context.reset();
        m_dir.reset();
    }

    void rowTexts()
    {
        QCOMPARE(ParameterSettingsModel::rowLabel(0), u"Имя параметра  ОП(0)"_s);
        QCOMPARE(ParameterSettingsModel::rowLabel(9), u"Имя параметра  ОП(9)"_s);
        QCOMPARE(ParameterSettingsModel::rowLabel(10), u"Имя параметра ОП(10)"_s);
        QCOMPARE(ParameterSettingsModel::rowLabel(24), u"Имя параметра ОП(24)"_s);
        QCOMPARE(ParameterSettingsModel::rowDescription(6), u"строка, до 128 знаков"_s);
        QCOMPARE(ParameterSettingsModel::rowDescription(21), u"число, вес зас.: ОП(21)=ОП(17)*ОП(9)/100"_s);
        QCOMPARE(EditModesModel::permissionCaption(0), u"Разрешить команду меню \"Править\""_s);
        QCOMPARE(EditModesModel::permissionCaption(5), u"Разрешить добавлять элемент в список "_s);
    }

    void operatorsWithOneCode()
    {
        // Loaded as the main window's load does: fields show the settings.
        QCOMPARE(m_model->operatorName(0), u"Оператор"_s);
        QCOMPARE(m_model->oldCode(), AccessCodes::defaultEngineerCode());
        QCOMPARE(m_model->resultFolderText(), base());

        const QByteArray before = settingsBytes();
        m_model->setOperatorName(3, u"Петров"_s);
        m_model->setOperatorCode(3, u"555"_s);
        m_model->setOperatorCode(5, u"555"_s);
        m_model->setOperatorName(7, QString());
        // Stored, and the operator the later slot shuts out is named.
        QCOMPARE(m_model->SaveOperators(),
                 u"Изменения внесены\n\nВнимание: оператор \"Петров\" не сможет войти по коду \"555\": по этому коду "
                 u"входит \""_s + m_context->settings.OperatorName[5] + u"\"."_s);
        QCOMPARE(changedRecords(before, settingsBytes()), (QList<int>{20, 21, 25, 28}));

        // The later slot wins at login, each match logged.
        AccessGate gate(*m_context, *m_log);
        gate.setCodeText(u"555"_s);
        QCOMPARE(m_context->CurrentOperator, m_context->settings.OperatorName[5]);
        const QString log = decode1251(readAll(m_context->settings.LogPath));
        QCOMPARE(log.count(u"Вход в программу с именем:"_s), 2);
        QVERIFY(log.contains(u"Вход в программу с именем:Петров\r\n"_s));

        // A code another cuts short is stored, and said.
        m_model->setOperatorCode(4, u"10"_s);
        const QString warned = m_model->SaveOperators();
        QVERIFY(warned.startsWith(u"Изменения внесены\n\nВнимание"_s));
        QVERIFY(warned.contains(u"\"100\""_s));
        QCOMPARE(m_context->settings.OperatorCode[4], u"10"_s);

        // A code the file would change is refused whole.
        const QByteArray kept = settingsBytes();
        m_model->setOperatorName(1, u"Новиков"_s);
        m_model->setOperatorCode(2, u"12中"_s);
        QVERIFY(m_model->SaveOperators().startsWith(u"Изменения не внесены"_s));
        QCOMPARE(settingsBytes(), kept);
        QCOMPARE(m_context->settings.OperatorName[1], u"Оператор  1"_s);
    }

    void engineerCode()
    {
        const QByteArray before = settingsBytes();
        // Both empty: nothing, no message.
        QCOMPARE(m_model->ChangeEngineerCode(), QString());
        QCOMPARE(m_context->settings.EngineerCode, AccessCodes::defaultEngineerCode());

        m_model->setNewCode(u"2468"_s);
        m_model->setConfirmCode(u"2469"_s);
        QCOMPARE(m_model->ChangeEngineerCode(), u"Новый код не подтвержден"_s);
        m_model->setOldCode(u"0000"_s);
        QCOMPARE(m_model->ChangeEngineerCode(), u"Старый код неверен"_s);
        m_model->setNewCode(QString());
        m_model->setConfirmCode(QString());
        QCOMPARE(m_model->ChangeEngineerCode(), u"Старый код неверен"_s);
        QCOMPARE(settingsBytes(), before);

        m_model->setOldCode(AccessCodes::defaultEngineerCode());
        m_model->setNewCode(u"2468"_s);
        m_model->setConfirmCode(u"2468"_s);
        QCOMPARE(m_model->ChangeEngineerCode(), u"Код изменен"_s);
        QCOMPARE(changedRecords(before, settingsBytes()), QList<int>{33});
        Settings loaded;
        LoadSettings(loaded, m_context->folders.SettingsFile);
        QCOMPARE(loaded.EngineerCode, u"2468"_s);

        // "Старый" still holds the start-up code: a second change needs the current one.
        m_model->setNewCode(u"1357"_s);
        m_model->setConfirmCode(u"1357"_s);
        QCOMPARE(m_model->ChangeEngineerCode(), u"Старый код неверен"_s);
        m_model->setOldCode(u"2468"_s);
        QCOMPARE(m_model->ChangeEngineerCode(), u"Код изменен"_s);
        QCOMPARE(m_context->settings.EngineerCode, u"1357"_s);

        // The engineer's code made a prefix of an operator's: stored, and said.
        m_model->setOldCode(u"1357"_s);
        m_model->setNewCode(u"10"_s);
        m_model->setConfirmCode(u"10"_s);
        QVERIFY(m_model->ChangeEngineerCode().startsWith(u"Код изменен\n\nВнимание"_s));
    }

    void editCodeAndPermissions()
    {
        const QByteArray before = settingsBytes();
        m_modes->setNewCode(u"1111"_s);
        m_modes->setRepeatCode(u"1112"_s);
        QCOMPARE(m_modes->ChangeEditCode(), u"Повтор пароля  не совпал!"_s);
        QCOMPARE(settingsBytes(), before);

        // Both empty: an empty code is stored and correction cannot be opened.
        m_modes->setNewCode(QString());
        m_modes->setRepeatCode(QString());
        QCOMPARE(m_modes->ChangeEditCode(), u"Пароль изменен"_s);
        QCOMPARE(changedRecords(before, settingsBytes()), QList<int>{34});
        QCOMPARE(m_context->settings.EditCode, QString());
        AccessGate gate(*m_context, *m_log);
        QSignalSpy accepted(&gate, &AccessGate::purposeAccepted);
        gate.ShowGate(AccessGate::CardCorrection);
        gate.setCodeText(QString());
        gate.setCodeText(AccessCodes::defaultEditCode());
        QCOMPARE(accepted.count(), 0);
        m_modes->setNewCode(u"4321"_s);
        m_modes->setRepeatCode(u"4321"_s);
        QCOMPARE(m_modes->ChangeEditCode(), u"Пароль изменен"_s);
        gate.setCodeText(u"4321"_s);
        QCOMPARE(accepted.count(), 1);

        // Permissions: in force at once, in the file only with the next store.
        const QByteArray stored = settingsBytes();
        m_modes->activate();
        QVERIFY(m_modes->permission(0));
        m_modes->setPermission(0, false);
        m_modes->setPermission(4, false);
        QCOMPARE(m_context->settings.EditPermissions[0], 1); // not before saving
        m_modes->SavePermissions();
        QCOMPARE(m_context->settings.EditPermissions[0], 0);
        QCOMPARE(m_context->settings.EditPermissions[4], 0);
        QCOMPARE(settingsBytes(), stored);
        QVERIFY(m_context->storeSettings());
        QCOMPARE(changedRecords(stored, settingsBytes()), (QList<int>{109, 113}));

        // Activation shows the settings, not what was ticked and left.
        m_modes->setPermission(1, false);
        m_modes->activate();
        QVERIFY(m_modes->permission(1));
        QVERIFY(!m_modes->permission(0));
    }

    void resultFolderMovesToday()
    {
        const QString oldMonth = base() + u"2026/Декабрь/"_s;
        QVERIFY(QDir(oldMonth).exists());
        const QStringList today = ParameterSettingsModel::dayResultFileNames(m_clock.today());
        QCOMPARE(today, (QStringList{u"09.12.2026.xls"_s, u"09.12.2026_1C.xls"_s, u"09.12.2026.txt"_s,
                                     u"09.12.2026_1C.txt"_s}));
        for (const QString &name : today)
            QVERIFY(writeAll(oldMonth + name, name.toLatin1()));
        QVERIFY(writeAll(oldMonth + u"08.12.2026.xls"_s, "yesterday"));

        // Cancelled browser: nothing at all.
        const QByteArray before = settingsBytes();
        QCOMPARE(m_model->ChooseResultFolder(QString()), QString());
        QCOMPARE(settingsBytes(), before);

        const QString chosen = m_dir->path() + u"/Итоги"_s;
        QVERIFY(QDir().mkpath(chosen));
        QSignalSpy fields(m_model.get(), &ParameterSettingsModel::fieldsChanged);
        QCOMPARE(m_model->ChooseResultFolder(chosen), u"Данные сохранены"_s);
        QCOMPARE(m_context->settings.ResultFolder, chosen + u'/');
        QCOMPARE(m_model->resultFolderText(), chosen + u'/');
        QCOMPARE(fields.count(), 1);
        QCOMPARE(changedRecords(before, settingsBytes()), QList<int>{35});
        QCOMPARE(m_writes.finished, 1);

        const QString newMonth = chosen + u"/2026/Декабрь/"_s;
        QCOMPARE(m_context->MonthResultFolder(), newMonth);
        for (const QString &name : today) {
            QVERIFY2(!QFile::exists(oldMonth + name), qPrintable(name));
            QCOMPARE(readAll(newMonth + name), name.toLatin1());
        }
        QVERIFY(QFile::exists(oldMonth + u"08.12.2026.xls"_s));

        // Back again, with a stranger of the same name waiting there: never overwritten.
        QVERIFY(writeAll(oldMonth + u"09.12.2026.txt"_s, "other"));
        const QString message = m_model->ChooseResultFolder(base());
        QVERIFY(message.startsWith(u"Данные сохранены\n\nНе перенесены в новую папку: 09.12.2026.txt"_s));
        QCOMPARE(readAll(oldMonth + u"09.12.2026.txt"_s), QByteArray("other"));
        QCOMPARE(readAll(newMonth + u"09.12.2026.txt"_s), QByteArray("09.12.2026.txt"));
        QCOMPARE(readAll(oldMonth + u"09.12.2026.xls"_s), QByteArray("09.12.2026.xls"));
        QVERIFY(decode1251(readAll(m_context->settings.LogPath)).contains(u"Файл не перенесен: "_s));

        // A new folder without month levels gets them; a path the record
        // cannot hold is refused, so results never go astray after a restart.
        const QString fresh = m_dir->path() + u"/fresh/"_s;
        QVERIFY(QDir().mkpath(fresh));
        QCOMPARE(m_model->ChooseResultFolder(fresh), u"Данные сохранены"_s);
        QVERIFY(QDir(fresh + u"2026/Декабрь"_s).exists());
        const QByteArray kept = settingsBytes();
        const QString deep = m_dir->path() + u'/' + QString(100, u'д');
        QVERIFY(m_model->ChooseResultFolder(deep).startsWith(u"Изменения не внесены"_s));
        QCOMPARE(settingsBytes(), kept);
        QCOMPARE(m_context->settings.ResultFolder, fresh);
    }

    void paramNamesAndLog()
    {
        QSignalSpy renamed(m_model.get(), &ParameterSettingsModel::paramNamesChanged);
        const QByteArray before = settingsBytes();
        m_model->setParamName(0, u"Груз"_s);
        m_model->setParamName(24, u"Взвешиваний"_s);
        QCOMPARE(m_model->SaveParamNames(), u"Данные сохранены"_s);
        QCOMPARE(changedRecords(before, settingsBytes()), (QList<int>{36, 60}));
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(m_context->settings.ParamNames[0], u"Груз"_s);

        const QByteArray named = settingsBytes();
        const QString folder = m_dir->path() + u"/logs"_s;
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(m_model->ChooseLogFolder(folder), u"Данные сохранены"_s);
        QCOMPARE(m_model->logPathText(), folder + u"/err.log"_s);
        QCOMPARE(changedRecords(named, settingsBytes()), QList<int>{61});
        QCOMPARE(m_model->ChooseLogFolder(QString()), QString());

        m_log->WriteLog(u"строка"_s);
        QCOMPARE(m_model->ClearLog(), u"Журнал сообщений очищен"_s);
    }

    void resetKeepsCounters()
    {
        Settings &s = m_context->settings;
        s.CardIdCounter = 41;
        s.DayCardNumber = 7;
        s.SumCount = 3;
        QVERIFY(m_context->storeSettings());
        m_model->setOperatorName(2, u"Сидоров"_s);
        m_model->setParamName(3, u"Покупатель"_s);
        QCOMPARE(m_model->SaveOperators(), u"Изменения внесены"_s);
        QCOMPARE(m_model->SaveParamNames(), u"Данные сохранены"_s);
        s.PollPeriodMs = 5000;
        s.EditPermissions[2] = 0;

        QSignalSpy reset(m_model.get(), &ParameterSettingsModel::settingsReset);
        QSignalSpy renamed(m_model.get(), &ParameterSettingsModel::paramNamesChanged);
        QCOMPARE(m_model->ResetAllSettings(), u"Настройки установлены по умолчанию"_s);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(m_nameFilesWritten, 1);

        Settings expected;
        expected.CardIdCounter = 41;
        expected.DayCardNumber = 7;
        expected.SumCount = 3;
        ApplyDefaults(expected, m_context->folders);
        QCOMPARE(s, expected);
        QCOMPARE(settingsBytes(), encodeSettings(expected));
        // The window shows what is now in force.
        QCOMPARE(m_model->operatorName(2), u"Оператор  2"_s);
        QCOMPARE(m_model->paramName(3), u"Получатель груза"_s);
    }
};

QTEST_GUILESS_MAIN(TestParameterSettings)
#include "tst_parameter_settings.moc"
