#include "AccessGate.h"

#include "AccessCodes.h"
#include "AppContext.h"
#include "EventLog.h"

using namespace Qt::StringLiterals;

AccessGate::AccessGate(AppContext &context, EventLog &log, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_prompt(initialPrompt())
{
}

QString AccessGate::initialPrompt()
{
    return u"Введите код доступа:"_s;
}

void AccessGate::open()
{
    m_code.clear();
    if (m_context.settings.AutoStart == 1 && m_context.GatePurpose == Login)
        setCodeText(m_context.settings.EngineerCode);
    emit changed();
}

void AccessGate::ShowGate(int purpose)
{
    m_context.GatePurpose = purpose;
    m_visible = true;
    m_takesCode = true;
    activate();
}

int AccessGate::purpose() const
{
    return m_context.GatePurpose;
}

void AccessGate::activate()
{
    m_code.clear();
    emit changed();
}

void AccessGate::close()
{
    m_visible = false;
    emit changed();
    if (m_context.GatePurpose == Login)
        emit quitRequested();
}

void AccessGate::setCodeText(const QString &text)
{
    if (m_takesCode) {
        m_code = text;
        checkCode();
    }
    emit changed();
}

void AccessGate::hide()
{
    // The code that was accepted ends the typing.
    m_visible = false;
    m_takesCode = false;
    m_code.clear();
}

void AccessGate::loginAs(const QString &name)
{
    hide();
    emit mainWindowRequested();
    m_context.CurrentOperator = name;
    m_log.WriteLog(u"Вход в программу с именем:"_s + name);
}

void AccessGate::accept(int purpose)
{
    hide();
    emit purposeAccepted(purpose);
}

void AccessGate::checkCode()
{
    // A copy: an accepted code empties the entry, yet the later slots with
    // the same code still log in, the last one winning.
    const QString code = m_code;
    if (code.isEmpty())
        return;
    const Settings &s = m_context.settings;
    const int purpose = m_context.GatePurpose;
    const bool engineer = code == s.EngineerCode;

    switch (purpose) {
    case Login:
        if (engineer)
            loginAs(s.EngineerName);
        // Every matching slot logs in in turn, so the last one wins.
        for (int i = 0; i < 9; ++i)
            if (code == s.OperatorCode[i])
                loginAs(s.OperatorName[i]);
        break;
    case ScaleSettings:
        if (engineer)
            accept(purpose);
        for (int i = 0; i < 9; ++i)
            if (code == s.OperatorCode[i])
                accept(purpose);
        break;
    case Service:
        if (code == AccessCodes::serviceCode())
            accept(purpose);
        break;
    case CardCorrection:
        if (code == s.EditCode)
            accept(purpose);
        break;
    case ParameterSettings:
    case PortSettings:
    case EditModes:
    case UsbCapture:
    case IpCamera:
    case VehicleRegister:
    case WorkplaceSettings:
    case CentralDatabase:
    case Equipment:
        if (engineer)
            accept(purpose);
        break;
    default:
        break;
    }
}

void AccessGate::beginProgress()
{
    m_visible = true;
    m_progressVisible = true;
    m_progressValue = 0;
    m_prompt = u"Загрузка данных"_s;
    emit changed();
}

void AccessGate::stepProgress(int done, int total)
{
    const int value = total > 0 ? int(qint64(done) * 100 / total) : 0;
    // Only a new percentage repaints: a large day has thousands of steps.
    if (value == m_progressValue)
        return;
    m_progressValue = value;
    emit changed();
}

void AccessGate::endProgress()
{
    m_progressVisible = false;
    m_prompt = u"Введите код доступа"_s;
    m_visible = false;
    emit changed();
}
