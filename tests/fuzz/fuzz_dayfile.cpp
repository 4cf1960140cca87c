// The day file readers: the codec on the bytes of a whole file, and loading
// it as today's file and as an archive day.

#include "FuzzSupport.h"

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Folders.h"
#include "store/DayFileCodec.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "store/DayList.h"
#include "card/CargoCard.h"

#include <QFile>

#include <memory>

namespace {

struct Store
{
    Clock clock;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<EventLog> log;
    std::unique_ptr<DayFiles> files;

    Store()
    {
        clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(10, 15, 30)));
        context = std::make_unique<AppContext>(clock, Folders(fuzz::scratchFolder()));
        context->createMonthFolders();
        log = std::make_unique<EventLog>(*context);
        files = std::make_unique<DayFiles>(*context, *log);
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
    // What is loaded is the subject, not whether the mended count reached the disk.
    static_cast<void>(store.files->LoadToday());
    // Loading mends the count to the cards the file holds, and grows the
    // file by no more than a count record.
    QFile loaded(path);
    const QByteArray after = loaded.open(QIODevice::ReadOnly) ? loaded.readAll() : QByteArray();
    fuzz::require(store.context->settings.DayCardNumber == decodeCountRecord(after), "DayCardNumber is not the count");
    fuzz::require(DayFileLayout::fileSize(store.context->settings.DayCardNumber) <= qMax<qint64>(after.size(), 16),
                  "the count names slots the file does not hold");
    fuzz::require(after.size() <= qMax<qint64>(file.size(), 16), "loading grew the file");
    store.files->LoadArchiveDay(path);
    return 0;
}
