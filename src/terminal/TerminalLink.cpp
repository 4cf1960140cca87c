#include "TerminalLink.h"

#include "SerialTerminalPort.h"
#include "TerminalProtocols.h"
#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/Formats.h"

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString lostText()
{
    return u"связь с портом потеряна, повторное подключение каждые 2 с"_s;
}

} // namespace

QString TerminalLink::noDataMark()
{
    return u"xxxxxxx"_s;
}

TerminalLink::TerminalLink(AppContext &context, TerminalPort *port, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_port(port ? port : new SerialTerminalPort)
    , m_weightText(noDataMark())
{
    m_port->setParent(this);
    connect(m_port, &TerminalPort::lost, this, &TerminalLink::onPortLost);

    connect(&m_pollTimer, &QTimer::timeout, this, &TerminalLink::PollTick);
    m_readTimer.setSingleShot(true);
    m_readTimer.setInterval(kReadDelayMs);
    connect(&m_readTimer, &QTimer::timeout, this, &TerminalLink::ReadTick);
    m_replyTimer.setInterval(kReplyCheckMs);
    connect(&m_replyTimer, &QTimer::timeout, this, &TerminalLink::checkReply);
    m_reopenTimer.setInterval(kReopenMs);
    connect(&m_reopenTimer, &QTimer::timeout, this, &TerminalLink::reopenTick);
}

TerminalLink::~TerminalLink()
{
    m_port->close();
}

void TerminalLink::OpenPortAtStart()
{
    m_wanted = true;
    m_wasLost = false;
    if (!tryOpen())
        m_reopenTimer.start();
}

bool TerminalLink::reopenPort()
{
    m_wanted = true;
    m_wasLost = false;
    m_port->close();
    const bool opened = tryOpen();
    if (opened)
        m_reopenTimer.stop();
    else
        m_reopenTimer.start();
    return opened;
}

bool TerminalLink::switchPort(const PortParameters &chosen)
{
    const PortParameters previous = PortParameters::fromSettings(m_context.settings);
    chosen.toSettings(m_context.settings);
    if (reopenPort())
        return true;
    // The previous port back, or retried every 2 s as at start.
    previous.toSettings(m_context.settings);
    reopenPort();
    return false;
}

void TerminalLink::closePort()
{
    m_wanted = false;
    m_reopenTimer.stop();
    m_port->close();
    setReason(QString());
}

void TerminalLink::startPolling()
{
    applyPollPeriod();
    m_pollTimer.start();
}

void TerminalLink::stopPolling()
{
    m_pollTimer.stop();
    m_readTimer.stop();
    m_replyTimer.stop();
}

void TerminalLink::applyPollPeriod()
{
    m_pollTimer.setInterval(usablePollPeriod(m_context.settings.PollPeriodMs));
}

int TerminalLink::holdPolls() const
{
    const int period = usablePollPeriod(m_context.settings.PollPeriodMs);
    const int hold = std::max(m_context.operatorSettings.holdTimeMs(), 2 * period);
    return int(std::ceil(double(hold) / period));
}

int TerminalLink::replyTimeoutMs() const
{
    // The next request must not go out before the read of this one.
    const int period = usablePollPeriod(m_context.settings.PollPeriodMs);
    return std::min(m_context.operatorSettings.replyTimeoutMs(), period - kReadDelayMs);
}

void TerminalLink::PollTick()
{
    const int type = m_context.settings.TerminalType;
    // A read still waiting for its reply ends before the next request.
    if (m_readTimer.isActive())
        ReadTick();
    // Whatever is left of an earlier reply answers no request of this poll.
    if (type == 3) {
        m_reader.dropWaiting();
        if (m_port->isOpen())
            static_cast<void>(m_port->readAll());
    }
    const QByteArray request = TerminalProtocols::pollRequest(type);
    if (!request.isEmpty())
        SendRequest(request);
    m_lastSent = request;
    m_reply.clear();
    if (TerminalProtocols::polled(type)) {
        m_readTimer.setInterval(replyTimeoutMs());
        m_replyTimer.start();
    } else {
        m_readTimer.setInterval(kReadDelayMs);
    }
    m_readTimer.start();
}

void TerminalLink::checkReply()
{
    if (!m_port->isOpen())
        return;
    m_reply += m_port->readAll();
    if (!m_reply.isEmpty() && m_reader.wouldComplete(m_context.settings.TerminalType, m_reply, m_context.settings))
        ReadTick();
}

void TerminalLink::ReadTick()
{
    m_replyTimer.stop();
    m_readTimer.stop();
    ParseTerminal(m_context.settings.TerminalType);
    emit readFinished();
}

void TerminalLink::SendRequest(const QByteArray &bytes)
{
    if (m_port->isOpen())
        m_port->write(bytes);
}

QString TerminalLink::ReadAll()
{
    return decode1251(m_port->isOpen() ? m_port->readAll() : QByteArray());
}

void TerminalLink::ParseTerminal(int type)
{
    const bool open = m_port->isOpen();
    const QByteArray chunk = std::exchange(m_reply, QByteArray()) + (open ? m_port->readAll() : QByteArray());
    const qsizetype carried = m_reader.waiting().size();
    const QByteArray received = m_reader.waiting() + chunk;
    // Without a port there is no weight, whatever the protocol would wait for.
    const ParseResult result = open ? m_reader.read(type, chunk, m_context.settings)
                                    : ParseResult::noWeight(u"порт не открыт"_s);

    m_rawLog.add({m_context.clock.now(), type, m_lastSent, received, received.size(), result, carried});
    m_lastSent.clear();
    apply(result);
    emit frameLogged();
}

void TerminalLink::SendZero()
{
    const QByteArray command = TerminalProtocols::zeroCommand(m_context.settings.TerminalType);
    if (!command.isEmpty())
        SendRequest(command);
}

bool TerminalLink::portOpen() const
{
    return m_port->isOpen();
}

ScaleState TerminalLink::scaleState() const
{
    switch (indicatorState()) {
    case IndicatorState::Overload: return ScaleState::Overload;
    case IndicatorState::Underload: return ScaleState::Underload;
    case IndicatorState::Error: return ScaleState::IndicatorError;
    case IndicatorState::None: break;
    }
    return ::scaleState(showsWeight(), m_terminalWeight, m_motion, m_context.settings.MaxWeight);
}

bool TerminalLink::showsWeight() const
{
    return portOpen() && m_shown == Shown::Weight;
}

IndicatorState TerminalLink::indicatorState() const
{
    return portOpen() && m_shown == Shown::State ? m_state : IndicatorState::None;
}

QString TerminalLink::statusText() const
{
    QString text = PortParameters::fromSettings(m_context.settings).statusText();
    if (!portOpen() && !m_reason.isEmpty())
        text += u"  — "_s + m_reason;
    return text;
}

void TerminalLink::apply(const ParseResult &result)
{
    if (result.hasFrame()) {
        m_misses = 0;
        m_fresh = true;
        m_motion = result.motion;
        if (result.hasWeight()) {
            m_terminalWeight = result.weight;
            m_shown = Shown::Weight;
            m_state = IndicatorState::None;
            emit weightRead();
            showText(NumberText(m_terminalWeight));
        } else {
            m_shown = Shown::State;
            m_state = result.state;
            showText(indicatorStateText(result.state));
        }
        m_animation.AnimationStep();
        emit animationChanged();
        return;
    }

    // No whole frame: a continuous terminal between two frames, a reply
    // still on the line. The display holds what the indicator last said
    // for the hold time, as the indicator's own display does; a closed
    // port holds nothing.
    m_fresh = false;
    ++m_misses;
    if (m_shown != Shown::Mark && portOpen() && m_misses < holdPolls())
        return;
    if (result.kind == ParseResult::Kind::Nothing && m_shown == Shown::Mark)
        return;
    showMark();
    if (result.kind != ParseResult::Kind::NoDataMark) {
        m_animation.AnimationIdle();
        emit animationChanged();
    }
}

void TerminalLink::showMark()
{
    m_shown = Shown::Mark;
    m_state = IndicatorState::None;
    m_motion = false;
    showText(noDataMark());
}

void TerminalLink::showText(const QString &text)
{
    if (text == m_weightText)
        return;
    m_weightText = text;
    emit weightTextChanged(text);
}

bool TerminalLink::tryOpen()
{
    const bool opened = m_port->open(PortParameters::fromSettings(m_context.settings));
    if (opened) {
        m_wasLost = false;
        setReason(QString());
    } else {
        // While a lost port is simply absent, the status keeps saying it was lost.
        const TerminalPort::Fault fault = m_port->fault();
        const bool absent = fault == TerminalPort::Fault::NotFound || fault == TerminalPort::Fault::Lost;
        setReason(m_wasLost && absent ? lostText() : m_port->faultText());
    }
    return opened;
}

void TerminalLink::onPortLost()
{
    m_wasLost = true;
    setReason(lostText());
    if (m_wanted)
        m_reopenTimer.start();
}

void TerminalLink::reopenTick()
{
    if (!m_wanted || m_port->isOpen()) {
        m_reopenTimer.stop();
        return;
    }
    if (tryOpen())
        m_reopenTimer.stop();
}

void TerminalLink::setReason(const QString &reason)
{
    m_reason = reason;
    refreshStatus();
}

void TerminalLink::refreshStatus()
{
    const QString text = statusText();
    const bool open = portOpen();
    if (text == m_shownStatus && open == m_shownOpen)
        return;
    m_shownStatus = text;
    m_shownOpen = open;
    emit statusChanged();
}
