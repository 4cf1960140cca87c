#include "NameFileHooks.h"

#include "ExtraNames.h"
#include "NamePlusFile.h"
#include "PickListFile.h"
#include "core/AppContext.h"

void installNameFileHooks(AppContext &context, ExtraNames &names)
{
    context.hooks.applyDefaultNames = [&context, &names] { names.applyDefaults(context.settings.ParamNames); };
    context.hooks.writeDefaultNameFiles = [&context, &names] {
        saveExtraNames(names, context.folders.BaseFolder);
        WritePickListHeaders(names, context.folders.BaseFolder);
    };
}
