// Stores one new card through the program as it ships, in the base folder
// and at the moment given on the command line:
//   crash_child <folder> <yyyy-MM-ddTHH:mm:ss> <weight>
// Exits 0 when the card was stored, 1 when the store failed, and 77 where
// TARVO_CRASH_BEFORE_FILE_CALL stops it.

#include "app/Program.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    Clock clock;
    clock.setNow(QDateTime::fromString(QString::fromLatin1(argv[2]), Qt::ISODate));
    Program program(clock, Folders(QString::fromLocal8Bit(argv[1])), {});
    program.start();
    if (!program.days().LoadToday())
        return 3;
    Weighing &weighing = program.weighing();
    // No terminal here: the weight is given.
    weighing.setTerminalConnected(true);
    weighing.setEntryText(CargoName, u"Щебень"_s);
    weighing.setTerminalWeight(QString::fromLatin1(argv[2 + 1]).toDouble());
    weighing.UpdateLiveWeights();
    return weighing.StoreNewCard() ? 0 : 1;
}
