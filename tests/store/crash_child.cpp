// Stores one new card the way the program does, in the base folder and at
// the moment given on the command line:
//   crash_child <folder> <yyyy-MM-ddTHH:mm:ss> <weight>
// Exits 0 when the card was stored, 1 when the store failed, and 77 where
// TARVO_CRASH_BEFORE_FILE_CALL stops it.

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "weighing/Weighing.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    Clock clock;
    clock.setNow(QDateTime::fromString(QString::fromLatin1(argv[2]), Qt::ISODate));
    AppContext context(clock, Folders(QString::fromLocal8Bit(argv[1])));
    context.LoadOrCreateSettings();
    context.createMonthFolders();
    EventLog log(context);
    WorkingCards cards;
    DayFiles days(context, log, cards);
    days.LoadToday();
    Weighing weighing(context, days, cards);
    weighing.setEntryText(CargoName, u"Щебень"_s);
    weighing.setTerminalWeight(QString::fromLatin1(argv[3]).toDouble());
    weighing.UpdateLiveWeights();
    return weighing.StoreNewCard() ? 0 : 1;
}
