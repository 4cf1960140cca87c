#include "WeightConditioning.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/SettingsChange.h"

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

WeightConditioning::WeightConditioning(AppContext &context, EventLog &log)
    : m_context(context)
    , m_log(log)
{
}

void WeightConditioning::StabilityLamps(double cur, bool noData, bool moving)
{
    if (noData) {
        setAllLamps(Red);
        return;
    }
    auto &h = SampleHistory;
    lamps = {Red, Red, Red};
    if (cur == h[0]) {
        lamps[0] = Green;
        if (h[1] == h[0]) {
            lamps[1] = Green;
            if (h[2] == h[1])
                lamps[2] = Green;
        }
    }
    if (moving)
        lamps = {Red, Red, Red};
    h[2] = h[1];
    h[1] = h[0];
    h[0] = cur;
}

bool WeightConditioning::CheckOverload(double gross)
{
    Settings &s = m_context.settings;
    if (!(gross > s.OverloadWeight && gross > s.MaxWeight))
        return false;
    const QDateTime now = m_context.clock.now();
    const QString weight = DotNumberText(gross);
    s.OverloadWeight = gross;
    s.OverloadFlag = 1;
    s.OverloadText = ShortDateText(now.date()) + u' ' + LongTimeText(now.time()) + u' ' + weight;
    // Nobody waits for this store: a failure is in the log, the overload
    // stands in memory.
    static_cast<void>(storeSettingsChange(m_context, m_log));
    m_log.WriteLog(u"Весы были перегружены:"_s + weight + u' ' + m_context.CurrentOperator);
    return true;
}

bool WeightConditioning::CheckReportedState(IndicatorState state)
{
    const IndicatorState before = std::exchange(m_reported, state);
    if (state == IndicatorState::None || state == before)
        return false;
    Settings &s = m_context.settings;
    const QDateTime now = m_context.clock.now();
    // No number to compare: OverloadWeight stays, so a higher weight the
    // program sees later is still recorded.
    const QString what = indicatorStateText(state) + u" (индикатор)"_s;
    s.OverloadFlag = 1;
    s.OverloadText = ShortDateText(now.date()) + u' ' + LongTimeText(now.time()) + u' ' + what;
    static_cast<void>(storeSettingsChange(m_context, m_log));
    m_log.WriteLog(u"Весы были перегружены: "_s + what + u' ' + m_context.CurrentOperator);
    return true;
}

int WeightConditioning::advertColour() const
{
    const Settings &s = m_context.settings;
    if (s.OverloadFlag == 1)
        return Red;
    return advertColourValue(s);
}

StoreResult WeightConditioning::resetOverload()
{
    Settings &s = m_context.settings;
    s.OverloadFlag = 0;
    s.OverloadWeight = 0;
    s.OverloadText.clear();
    return storeSettingsChange(m_context, m_log);
}

void renameWeightParams(std::array<QString, 25> &names, const QString &unit)
{
    names[16] = u"Брутто,"_s + unit;
    names[17] = u"Нетто, "_s + unit;
    names[18] = u"Тары, "_s + unit;
    names[19] = u"Вес №1,"_s + unit;
    names[20] = u"Вес №2,"_s + unit;
    names[23] = u"Суммарный вес,"_s + unit;
}

QString numberFieldProblem(QStringView caption, const QString &text)
{
    if (HasParsedNumber(text))
        return QString();
    return u"Поле «"_s + caption + u"» должно содержать число"_s;
}

QString checkScaleSettings(const ScaleSettingsInput &in)
{
    for (const auto &[caption, text] : {std::pair{kAutoMinWeightCaption, &in.autoMinWeight},
                                        std::pair{kAutoMaxFluctuationCaption, &in.autoMaxFluctuation},
                                        std::pair{kPollPeriodCaption, &in.pollPeriod}}) {
        const QString problem = numberFieldProblem(caption, *text);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

QString saveScaleSettings(AppContext &context, EventLog &log, const ScaleSettingsInput &in)
{
    const QString problem = checkScaleSettings(in);
    if (!problem.isEmpty())
        return problem;
    Settings &s = context.settings;
    s.AutoMinWeight = ParseNumber(in.autoMinWeight);
    s.AutoMaxFluctuation = ParseNumber(in.autoMaxFluctuation);
    s.WeightUnit = in.weightUnit;
    renameWeightParams(s.ParamNames, in.weightUnit);
    const double period = std::floor(ParseNumber(in.pollPeriod));
    s.PollPeriodMs = usablePollPeriod(period >= -9e18 && period <= 9e18 ? qint64(period) : 0);
    s.AdvertCaption = in.advertCaption;
    QString failed = storeSettingsChange(context, log).reason;
    // The workplace file is written only when its values change.
    OperatorSettings &workplace = context.operatorSettings;
    const int hold = workplace.holdTimeMs();
    const int reply = workplace.replyTimeoutMs();
    if (in.holdTimeMs >= 0)
        workplace.setHoldTimeMs(in.holdTimeMs);
    if (in.replyTimeoutMs >= 0)
        workplace.setReplyTimeoutMs(in.replyTimeoutMs);
    if (workplace.holdTimeMs() != hold || workplace.replyTimeoutMs() != reply) {
        if (const StoreResult stored = context.storeOperatorSettings(); !stored)
            failed += (failed.isEmpty() ? QString() : u"\n"_s) + stored.reason;
    }
    return failed;
}

StoreResult restoreScaleDefaults(AppContext &context, EventLog &log)
{
    Settings &s = context.settings;
    s.AnimationPictures = {};
    s.TerminalType = 1;
    s.AxleProgram = 0;
    s.AutoMinWeight = 1.0;
    s.WeightUnit = u"кг"_s;
    setCaptionFont(s, {u"Arial"_s, 26, true, false, false, false, 0, 0, 255});
    s.AdvertCaption = u"Kalvenstrom"_s;
    return storeSettingsChange(context, log);
}

QString checkServiceSettings(const ServiceInput &in)
{
    return numberFieldProblem(kMaxWeightCaption, in.maxWeight);
}

QString saveServiceSettings(AppContext &context, EventLog &log, const ServiceInput &in)
{
    const QString problem = checkServiceSettings(in);
    if (!problem.isEmpty())
        return problem;
    Settings &s = context.settings;
    s.ScaleModel = in.scaleModel;
    s.ScaleSerial = in.scaleSerial;
    s.VerificationDate = in.verificationDate;
    s.TareFromKeyboard = in.tareFromKeyboard ? 1 : 0;
    s.ShowReceiptButton = in.showReceiptButton ? 1 : 0;
    s.MaxWeight = ParseNumber(in.maxWeight);
    return storeSettingsChange(context, log).reason;
}

void setCaptionFont(Settings &s, const CaptionFont &font)
{
    // The settings file keeps the caption font's flags as -1 for on.
    auto flag = [](bool on) { return qint16(on ? -1 : 0); };
    s.AdvertFontName = font.name;
    s.AdvertFontSize = qint16(qBound(10, font.pointSize, 28));
    s.AdvertFontBold = flag(font.bold);
    s.AdvertFontItalic = flag(font.italic);
    s.AdvertFontStrikethrough = flag(font.strikeOut);
    s.AdvertFontUnderline = flag(font.underline);
    s.AdvertColor = qBound(0, font.red, 255) + 256 * qBound(0, font.green, 255) + 65536 * qBound(0, font.blue, 255);
}
