#pragma once

#include <QString>
#include <array>

class AppContext;
class EventLog;

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
    // no-data mark, and the history is left alone.
    void StabilityLamps(double current, bool noData);
    void setAllLamps(int colour) { lamps = {colour, colour, colour}; }

    // Once a second with the live gross. True when a new highest overload
    // was recorded (and logged).
    bool CheckOverload(double gross);
    // The advertising caption is red while an overload stands.
    int advertColour() const;
    // "Сбросить ошибку перегрузки весов".
    void resetOverload();

private:
    AppContext &m_context;
    EventLog &m_log;
};

// The weight parameter names for a unit, as the scale settings rename them.
void renameWeightParams(std::array<QString, 25> &names, const QString &unit);

// The fields of "Настройка весов" that "Выход" saves.
struct ScaleSettingsInput
{
    QString autoMinWeight;
    QString autoMaxFluctuation;
    QString pollPeriod;
    QString weightUnit;
    QString advertCaption;
};
// "Выход": the fields into the settings, the weight names renamed for the
// unit, the poll period kept within 300..10000, the settings stored.
void saveScaleSettings(AppContext &context, const ScaleSettingsInput &input);
// "Установить по умолчанию" for the settings it covers; stored.
void restoreScaleDefaults(AppContext &context);

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
void saveServiceSettings(AppContext &context, const ServiceInput &input);
