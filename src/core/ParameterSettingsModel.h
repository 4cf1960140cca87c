#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class AppContext;
class EventLog;

// What may still be writing today's result files; settled before they move.
class PendingResultWrites
{
public:
    virtual ~PendingResultWrites() = default;
    // Returns once nothing writes into the result folder any more.
    virtual void finish() = 0;
};

// Nothing writes result files behind the window's back.
class NoPendingResultWrites final : public PendingResultWrites
{
public:
    void finish() override {}
};

// "Настройки параметров" without its widgets: the fields as the engineer
// typed them and the operations of its buttons. Every operation returns the
// message to show, empty when there is none.
class ParameterSettingsModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int OperatorSlots = 9;
    static constexpr int ParamCount = 25;

    ParameterSettingsModel(AppContext &context, EventLog &log, PendingResultWrites &pending,
                           QObject *parent = nullptr);

    // The fields from the settings, as the main window's load does once.
    void load();
    bool isLoaded() const { return m_loaded; }

    QString operatorName(int slot) const { return m_operatorNames[size_t(slot)]; }
    QString operatorCode(int slot) const { return m_operatorCodes[size_t(slot)]; }
    void setOperatorName(int slot, const QString &text) { m_operatorNames[size_t(slot)] = text; }
    void setOperatorCode(int slot, const QString &text) { m_operatorCodes[size_t(slot)] = text; }

    QString oldCode() const { return m_oldCode; }
    QString newCode() const { return m_newCode; }
    QString confirmCode() const { return m_confirmCode; }
    void setOldCode(const QString &text) { m_oldCode = text; }
    void setNewCode(const QString &text) { m_newCode = text; }
    void setConfirmCode(const QString &text) { m_confirmCode = text; }

    QString resultFolderText() const { return m_resultFolder; }
    QString logPathText() const { return m_logPath; }

    QString paramName(int i) const { return m_paramNames[size_t(i)]; }
    void setParamName(int i, const QString &text) { m_paramNames[size_t(i)] = text; }

    QString SaveOperators();
    QString ChangeEngineerCode();
    // `folder` is the folder browser's answer; "" when it was cancelled.
    QString ChooseResultFolder(const QString &folder);
    QString SaveParamNames();
    QString ChooseLogFolder(const QString &folder);
    QString ClearLog();
    QString ResetAllSettings();

    // "Имя параметра  ОП(0)" .. "Имя параметра ОП(24)" and the role of each.
    static QString rowLabel(int i);
    static QString rowDescription(int i);
    // Rows whose contents the program computes, as the legend marks them.
    static bool isFunctional(int i) { return i >= 7; }
    static QString folderBrowserTitle();

    // The files of one day that lie in the month result folder.
    static QStringList dayResultFileNames(const QDate &day);

signals:
    // The model changed fields itself (load, a chosen folder, a reset).
    void fieldsChanged();
    // The 25 names in the settings changed: every caption follows.
    void paramNamesChanged();
    // Every setting went back to its default: the names and their files
    // follow.
    void settingsReset();

private:
    QString stored(const QString &message);
    QString moveTodayResults(const QString &fromFolder);
    void loadFields();

    AppContext &m_context;
    EventLog &m_log;
    PendingResultWrites &m_pending;
    bool m_loaded = false;
    std::array<QString, OperatorSlots> m_operatorNames;
    std::array<QString, OperatorSlots> m_operatorCodes;
    QString m_oldCode;
    QString m_newCode;
    QString m_confirmCode;
    QString m_resultFolder;
    QString m_logPath;
    std::array<QString, ParamCount> m_paramNames;
};

// Whether a text record of the settings file holds `text` exactly.
bool fitsSettingsText(const QString &text, int maxBytes = 98);

// The codes the login compares that another, shorter code cuts short: the
// gate logs in as soon as the shorter one is typed, so they cannot be used.
QStringList shadowedCodes(const QStringList &codes);
