// The day file readers: the codec on the bytes of a whole file, and loading
// it as today's file and as an archive day.

#include "FuzzSupport.h"

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Folders.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/DayList.h"
#include "weighing/CargoCard.h"

#include <memory>

namespace {

struct Store
{
    Clock clock;
    std::unique_ptr<AppContext> context;
    WorkingCards cards;
    std::unique_ptr<DayFiles> files;

    Store()
    {
        clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(10, 15, 30)));
        context = std::make_unique<AppContext>(clock, Folders(fuzz::scratchFolder()));
        context->createMonthFolders();
        files = std::make_unique<DayFiles>(*context, cards);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = fuzz::bytesOf(data, size);
    (void)decodeCountRecord(file);
    for (qint64 n = -1; n <= 4; ++n)
        (void)decodeDayCardId(file, n);

    for (qint64 n = 1; n <= 4 && DayFileLayout::cardOffset(n) < file.size(); ++n) {
        const CargoCard card = decodeDayCard(QByteArrayView(file).sliced(DayFileLayout::cardOffset(n)));
        (void)DayList::line(card);
        // A card read and stored again must keep its bytes from then on.
        const QByteArray once = encodeDayCard(card);
        fuzz::require(once.size() == DayFileLayout::CardBytes, "a card is not 1184 bytes");
        fuzz::require(encodeDayCard(decodeDayCard(once)) == once, "a card changed when read back");
    }
    (void)encodeDayCard(CargoCard());

    static Store store;
    const QString path = store.files->todayPath();
    fuzz::writeFile(path, file);
    store.files->LoadToday();
    fuzz::require(store.context->settings.DayCardNumber == decodeCountRecord(file), "DayCardNumber is not the count");
    store.files->LoadArchiveDay(path);
    return 0;
}
