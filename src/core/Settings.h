#pragma once

#include <QString>

#include <array>

class Folders;

// Every setting and persistent counter of the program, in the order of the
// settings file. Camera fields are indexed 0..2 for cameras 1..3.
struct Settings
{
    QString PortNumber;
    QString BaudRate;
    QString Parity;
    QString DataBits;
    QString StopBits;
    double AutoMinWeight = 0;
    qint32 CardIdCounter = 0;
    qint32 DayCardNumber = 0;
    qint32 SumCount = 0;
    qint32 SumModeOn = 0;
    double SumWeight = 0;
    qint32 AutoStart = 0;
    qint32 TerminalType = 0;
    std::array<QString, 9> OperatorName;
    std::array<QString, 9> OperatorCode;
    QString EngineerName;
    QString EngineerCode;
    QString EditCode;
    QString ResultFolder;
    std::array<QString, 25> ParamNames;
    QString LogPath;
    QString ScaleModel;
    QString ScaleSerial;
    QString VerificationDate;
    qint32 IpCameraNumber = 0;
    qint32 TareFromKeyboard = 0;
    qint32 ShowReceiptButton = 0;
    double MaxWeight = 0;
    qint32 OverloadFlag = 0;
    QString OverloadText;
    double OverloadWeight = 0;
    QString WeightUnit;
    qint32 AxleProgram = 0;
    std::array<QString, 3> CameraLogin;
    std::array<QString, 3> CameraDescription;
    std::array<QString, 3> CameraUrl;
    std::array<qint32, 3> BrowserHeight{};
    std::array<qint32, 3> BrowserWidth{};
    std::array<qint32, 3> PhotoHeight{};
    std::array<qint32, 3> PhotoWidth{};
    std::array<qint32, 3> PhotoShiftDown{};
    std::array<qint32, 3> PhotoShiftRight{};
    qint32 VideoSourceIp = 0;
    std::array<qint32, 3> BrowserShiftRight{};
    std::array<qint32, 3> BrowserShiftDown{};
    std::array<qint32, 6> EditPermissions{};
    QString AdvertCaption;
    std::array<QString, 4> AnimationPictures;
    QString AdvertFontName;
    qint16 AdvertFontSize = 0;
    qint16 AdvertFontBold = 0;
    qint16 AdvertFontItalic = 0;
    qint16 AdvertFontStrikethrough = 0;
    qint16 AdvertFontUnderline = 0;
    qint32 AdvertColor = 0;
    double ImpulseCoefficient = 0;
    double AutoMaxFluctuation = 0;
    qint32 AutoPhoto = 0;
    qint32 DecimalPlaces = 0;
    qint32 PollPeriodMs = 0;

    bool operator==(const Settings &) const = default;
};

// Every field to its default except the three running counters, which keep
// their values so that a reset never renumbers cards.
void ApplyDefaults(Settings &settings, const Folders &folders);

// The default names of the 25 main parameters for a weight unit.
std::array<QString, 25> defaultParamNames(const QString &weightUnit);

// The poll period the program runs with, 300 for any value outside 300..10000.
qint32 usablePollPeriod(qint64 periodMs);

// The advertising caption's colour as stored, blue when none was chosen (0).
inline qint32 advertColourValue(const Settings &settings)
{
    return settings.AdvertColor == 0 ? 16711680 : settings.AdvertColor;
}
