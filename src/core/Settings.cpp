#include "Settings.h"

#include "AccessCodes.h"
#include "Folders.h"

using namespace Qt::StringLiterals;

std::array<QString, 25> defaultParamNames(const QString &weightUnit)
{
    return {
        u"Наименование груза"_s, u"№ документа"_s, u"Отправитель груза"_s, u"Получатель груза"_s,
        u"Номер машины"_s, u"Ф.И.О. водителя"_s, u"Ф.И.О. соправождающего"_s, u"Дата2"_s,
        u"Время2"_s, u"% Засора"_s, u"ID"_s, u"№"_s, u"Дата1"_s, u"Время1"_s,
        u"Тип операции"_s, u"Статус"_s,
        u"Брутто,"_s + weightUnit, u"Нетто,"_s + weightUnit, u"Тары,"_s + weightUnit,
        u"Вес №1,"_s + weightUnit, u"Вес №2,"_s + weightUnit, u"Вес засора,"_s + weightUnit,
        u"Чистый вес,"_s + weightUnit, u"Суммарный вес,"_s + weightUnit,
        u"Кол-во в сумме"_s,
    };
}

qint32 usablePollPeriod(qint64 periodMs)
{
    return periodMs < 300 || periodMs > 10000 ? 300 : qint32(periodMs);
}

void ApplyDefaults(Settings &s, const Folders &folders)
{
    const Settings kept = s;
    s = Settings();
    s.CardIdCounter = kept.CardIdCounter;
    s.DayCardNumber = kept.DayCardNumber;
    s.SumCount = kept.SumCount;

    s.PortNumber = u"1"_s;
    s.BaudRate = u"9600"_s;
    s.Parity = u"n"_s;
    s.DataBits = u"8"_s;
    s.StopBits = u"1"_s;
    s.AutoMinWeight = 1.0;
    s.SumModeOn = 0;
    s.SumWeight = 0.0;
    s.AutoStart = 0;
    s.TerminalType = 1;
    for (int i = 0; i < 9; ++i) {
        s.OperatorName[i] = i == 0 ? u"Оператор"_s : u"Оператор  "_s + QString::number(i);
        s.OperatorCode[i] = AccessCodes::defaultOperatorCode(i);
    }
    s.EngineerName = u"System"_s;
    s.EngineerCode = AccessCodes::defaultEngineerCode();
    s.EditCode = AccessCodes::defaultEditCode();
    s.ResultFolder = folders.BaseFolder;
    s.WeightUnit = u"кг"_s;
    s.ParamNames = defaultParamNames(s.WeightUnit);
    s.LogPath = folders.defaultLogPath();
    s.ScaleModel = u"ВСП-100"_s;
    s.ScaleSerial = u"123456"_s;
    s.VerificationDate = u"31.12.2012"_s;
    s.IpCameraNumber = 1;
    s.TareFromKeyboard = 1;
    s.ShowReceiptButton = 1;
    s.MaxWeight = 30000.0;
    s.OverloadFlag = 0;
    s.OverloadWeight = 0.0;
    s.AxleProgram = 0;
    for (int c = 0; c < 3; ++c) {
        s.CameraLogin[c] = u"Логин: admin  Пароль: admin"_s;
        s.CameraDescription[c] = u"PIH 7625-IP Fast Dome"_s;
        // A camera on this computer until the engineer sets the real address.
        s.CameraUrl[c] = u"http://127.0.0.1/"_s;
        s.BrowserWidth[c] = 12000;
        s.BrowserHeight[c] = 10000;
        s.BrowserShiftRight[c] = -4700;
        s.BrowserShiftDown[c] = -1200;
        s.PhotoWidth[c] = 5000;
        s.PhotoHeight[c] = 4500;
        s.PhotoShiftRight[c] = 0;
        s.PhotoShiftDown[c] = 0;
    }
    s.VideoSourceIp = 1;
    s.EditPermissions.fill(1);
    s.AdvertCaption = u"Kalvenstrom"_s;
    s.AdvertColor = 0;
    s.ImpulseCoefficient = 1.0;
    s.AutoMaxFluctuation = 0.0;
    s.AutoPhoto = 0;
    s.DecimalPlaces = 3;
    s.PollPeriodMs = 300;
}
