// The entry point of the office plugin. The plugin carries the UNO
// libraries, so a machine without the office loads no plugin and the
// program runs without workbooks instead of not starting at all.
#include "UnoSpreadsheetApplication.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT SpreadsheetApplication *tarvoCreateSpreadsheetApplication()
{
    return UnoSpreadsheetApplication::createIfInstalled().release();
}
