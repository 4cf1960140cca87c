// Stores one new card the way the program does, in the base folder and at
// the moment given on the command line:
//   crash_child <folder> <yyyy-MM-ddTHH:mm:ss> <weight>
// Exits 0 when the card was stored, 1 when the store failed, and 77 where
// TARVO_CRASH_BEFORE_FILE_CALL stops it.

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/ParamExtras.h"
#include "weighing/CardServices.h"
#include "weighing/Weighing.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

// No workbooks here: the day file is what the test looks at.
class NoExports final : public CardExports
{
public:
    void prepareDay(bool) override {}
    void writeDayWorkbookRow(int) override {}
    void writeAccountingWorkbookRow(int) override {}
    void writeAccountingTexts(int) override {}
    void writeTextReportHeaders() override {}
    void writeArchiveStatus(const QString &, const QDate &, int, const QString &) override {}
};

} // namespace

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
    ExtraNames names;
    ParamExtras extras(names, context.folders.BaseFolder);
    NoExports exports;
    NoCardPhotos photos;
    Weighing weighing(context, log, days, cards, extras, exports, photos);
    weighing.setEntryText(CargoName, u"Щебень"_s);
    weighing.setTerminalWeight(QString::fromLatin1(argv[3]).toDouble());
    weighing.UpdateLiveWeights();
    return weighing.StoreNewCard() ? 0 : 1;
}
