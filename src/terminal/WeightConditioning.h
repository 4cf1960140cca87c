#pragma once

#include "ParseResult.h"
#include "core/StoreResult.h"

#include <QString>
#include <QStringView>
#include <array>

class AppContext;
class EventLog;
struct Settings;

// What happens to the weight between the terminal and a stored card: the
// three steadiness lamps and the overload record.
class WeightConditioning
{
public:
    static constexpr int Red = 255;
    static constexpr int Green = 65280;

    WeightConditioning(AppContext &context, EventLog &log);

    // The last three terminal weights, shared with the automatic mode.
    std::array<double, 3> SampleHistory{};
    std::array<int, 3> lamps{Red, Red, Red};

    // Manual mode, after every read. `noData`: the weight field shows the
    // no-data mark, and the history is left alone. `moving`: the terminal's
    // frame says the scale moves; the reading joins the history, but no lamp
    // is green whatever the readings.
    void StabilityLamps(double current, bool noData, bool moving = false);
    void setAllLamps(int colour) { lamps = {colour, colour, colour}; }

    // Once a second with the live gross. True when a new highest overload
    // was recorded (and logged).
    bool CheckOverload(double gross);
    // After every read: an overload, underload or error that the indicator
    // itself reports is recorded and logged as an overload, once when it
    // begins. True when it was recorded.
    bool CheckReportedState(IndicatorState state);
    // The advertising caption is red while an overload stands.
    int advertColour() const;
    // "Сбросить ошибку перегрузки весов"; the settings stored.
    StoreResult resetOverload();

private:
    AppContext &m_context;
    EventLog &m_log;
    IndicatorState m_reported = IndicatorState::None;
};

// The weight parameter names for a unit, as the scale settings rename them.
void renameWeightParams(std::array<QString, 25> &names, const QString &unit);

// Captions of the number fields, which the messages about them name.
inline constexpr QStringView kAutoMinWeightCaption = u"мин. фикс. вес в реж. АВТОМАТ";
inline constexpr QStringView kAutoMaxFluctuationCaption = u"мак. колебание веса в реж. АВТОМАТ";
inline constexpr QStringView kPollPeriodCaption = u"Период опроса весов 300..10000мс";
inline constexpr QStringView kMaxWeightCaption = u"Макс. вес";
inline constexpr QStringView kHoldTimeCaption = u"Удержание веса без кадра, мс";
inline constexpr QStringView kReplyTimeoutCaption = u"Ожидание ответа терминала, мс";

// Empty when the field holds a number (ParseNumber's rules), else the
// message that names it. An empty field holds none.
QString numberFieldProblem(QStringView caption, const QString &text);

// The fields of "Настройка весов" that "Выход" saves.
struct ScaleSettingsInput
{
    QString autoMinWeight;
    QString autoMaxFluctuation;
    QString pollPeriod;
    QString weightUnit;
    QString advertCaption;
    // The workplace's hold time and reply timeout, ms; -1 leaves them.
    int holdTimeMs = -1;
    int replyTimeoutMs = -1;
};
// The message about the first number field that holds no number, or empty.
QString checkScaleSettings(const ScaleSettingsInput &input);
// "Выход": the fields into the settings, the weight names renamed for the
// unit, the poll period kept within 300..10000, the settings stored. A
// number field without a number refuses the whole save, so a typing
// mistake never becomes a 0; the message is returned and nothing changes.
// A settings file that cannot be written returns its message too (the
// values then hold for this run). Empty: saved.
QString saveScaleSettings(AppContext &context, EventLog &log, const ScaleSettingsInput &input);
// "Установить по умолчанию" for the settings it covers; stored.
StoreResult restoreScaleDefaults(AppContext &context, EventLog &log);

// The fields of "Сервис" that "Сохранить" saves.
struct ServiceInput
{
    QString scaleModel;
    QString scaleSerial;
    QString verificationDate;
    bool tareFromKeyboard = false;
    bool showReceiptButton = false;
    QString maxWeight;
};
QString checkServiceSettings(const ServiceInput &input);
// As saveScaleSettings: a maximum weight without a number (which as 0 would
// make every vehicle an overload) refuses the save and is returned.
QString saveServiceSettings(AppContext &context, EventLog &log, const ServiceInput &input);

// The caption font as the font dialog chose it, with its colour. The font
// flags are stored as -1 for on.
struct CaptionFont
{
    QString name;
    int pointSize = 26;
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool underline = false;
    int red = 0;
    int green = 0;
    int blue = 255;
};
void setCaptionFont(Settings &settings, const CaptionFont &font);
