#include "SettingsAttach.h"

#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/Folders.h"
#include "core/SettingsFile.h"
#include "store/ExtraNames.h"
#include "store/NamePlusFile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString SettingsAttach::apply(QString *error) const
{
    const QFileInfo folder(programFolder);
    if (!folder.isDir()) {
        *error = u"папка "_s + programFolder + u" не существует"_s;
        return QString();
    }
    if (length1251(port) > SettingsLayout::kTextMax) {
        *error = u"путь "_s + port + u" длиннее 98 байт и не поместится в настройки"_s;
        return QString();
    }
    Clock clock;
    AppContext context(clock, Folders(folder.absoluteFilePath()));

    // A fresh installation is first set up as the program's own first start
    // would do it, name files included.
    ExtraNames extraNames;
    context.ApplyDefaults();
    bool firstStart = false;
    if (const SettingsStart created = context.LoadOrCreateSettings(&firstStart); !created) {
        *error = created.stored.reason + u": "_s + context.folders.SettingsFile;
        return QString();
    }
    if (firstStart)
        if (const StoreResult names = writeDefaultNames(extraNames, context.settings.ParamNames,
                                                        context.folders.BaseFolder, ExistingNameFiles::Keep);
            !names) {
            *error = names.reason;
            return QString();
        }

    Settings &s = context.settings;
    s.PortNumber = port;
    s.TerminalType = terminalType;
    if (impulseCoefficient)
        s.ImpulseCoefficient = *impulseCoefficient;
    if (decimalPlaces)
        s.DecimalPlaces = *decimalPlaces;
    if (cameraUrl)
        s.CameraUrl[0] = *cameraUrl;
    if (const StoreResult stored = context.storeSettings(); !stored) {
        *error = stored.reason + u": "_s + context.folders.SettingsFile;
        return QString();
    }
    return context.folders.SettingsFile;
}
