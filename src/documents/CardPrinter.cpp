#include "CardPrinter.h"

#include "core/OleDate.h"

#include "store/TareNotes.h"

#include "core/AppContext.h"
#include "core/Numbers.h"
#include "archive/ArchiveBrowser.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/PickListFile.h"
#include "store/PlusFile.h"
#include "video/VideoPhotos.h"
#include "card/CardFieldText.h"
#include "weighing/Weighing.h"

#include <QFileInfo>
#include <QImageReader>

using namespace Qt::StringLiterals;

namespace {

// The pick list of the senders, "3.txt", and the constant that holds the
// taxpayer number.
constexpr int SenderList = 2;
constexpr int TaxNumberConstant = 14;

std::array<QString, 25> cardTexts(const CargoCard &card)
{
    std::array<QString, 25> texts;
    for (int n = 0; n < MainParamCount; ++n)
        texts[size_t(n)] = CardFieldText(card, n);
    return texts;
}

} // namespace

CardPrinter::CardPrinter(AppContext &context, DayFiles &days, Weighing &weighing, ArchiveBrowser &archive,
                         VideoPhotos &photos, PrintSurface::Destination destination, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_days(days)
    , m_weighing(weighing)
    , m_archive(archive)
    , m_photos(photos)
    , m_surface(context.clock, context.folders.BaseFolder + u"Print/"_s, destination)
{
}

MemoryMarks CardPrinter::memoryMarks(const CargoCard &card) const
{
    MemoryMarks marks;
    marks.fingerprint = m_fingerprint;
    // The last of each: a weighing recorded again after a cut counts once.
    for (const WeighingNumbers::Weighed &w : m_numbers->weighingsOf(card.id, oleDateToDate(card.date1)))
        (w.second ? marks.second : marks.first) = w.number;
    return marks;
}

QString CardPrinter::failedMessage()
{
    return u"Документ не напечатан: печать не удалось начать. Проверьте принтер или папку Print."_s;
}

CardPrinter::Source CardPrinter::source(Frame frame) const
{
    if (frame == Frame::CurrentCard)
        return {m_weighing.shownCard(), m_context.MonthDataFolder(), PlusFile::besideDayFile(m_days.todayPath())};
    if (const DayCard copy = m_archive.completedCopy(); copy.holdsCard())
        return {copy.card, m_context.folders.MonthDataFolder(copy.day),
                PlusFile::besideDayFile(dayFilePath(m_context.folders, copy.day))};
    return {m_archive.shownCard(), m_archive.folder(), m_archive.plusFilePath()};
}

std::array<QString, 25> CardPrinter::frameTexts(Frame frame) const
{
    return cardTexts(source(frame).card);
}

ActPhoto CardPrinter::framePhoto(Frame frame, int index) const
{
    return photoOf(source(frame), frame, index);
}

ActPhoto CardPrinter::photoOf(const Source &from, Frame frame, int index) const
{
    const QString path = from.photoFolder + QString::number(from.card.id) + (index == 0 ? u".jpg"_s : u"_1.jpg"_s);
    // The frame already holds the decoded photo; one still being written
    // is only in memory.
    const auto photoFrame = frame == Frame::CurrentCard ? CardPhotos::Frame::CurrentCard : CardPhotos::Frame::ArchiveCard;
    const VideoPhotos::Slot &slot = m_photos.slot(photoFrame, index);
    if (slot.path == path && !slot.image.isNull())
        return {true, slot.image};
    if (const QImage pending = m_photos.store().pending(path); !pending.isNull())
        return {true, pending};
    if (!QFileInfo(path).isFile())
        return {};
    QImageReader reader(path);
    return {true, reader.read()};
}

ChequeValues CardPrinter::chequeValues(Frame frame) const
{
    return chequeValuesOf(source(frame), frame);
}

ChequeValues CardPrinter::chequeValuesOf(const Source &from, Frame frame) const
{
    ChequeValues v;
    v.texts = cardTexts(from.card);
    v.memory = memoryMarks(from.card);
    v.currentCard = frame == Frame::CurrentCard;
    const QString plusPath = from.plusPath;
    const int number = int(ReadLeadingNumber(v.texts[CardNumber]));
    // Read on their own: the values of the card being entered stay as they are.
    if (number >= 1 && !plusPath.isEmpty()) {
        const ExtraParams extras = PlusFile(plusPath).read(number);
        v.storedCost = extras[0][1].trimmed();
        v.price = extras[0][2].trimmed();
    }
    const std::optional<ParamConstants> sender =
        PickListFile(pickListPath(m_context.folders.BaseFolder, SenderList)).find(v.texts[Sender].trimmed());
    if (sender)
        v.taxNumber = (*sender)[TaxNumberConstant].trimmed();
    v.scaleSerial = m_context.settings.ScaleSerial;
    v.operatorName = m_context.CurrentOperator;
    v.weightUnit = m_context.settings.WeightUnit;
    v.now = m_context.clock.now();
    v.tareNote = tareNote(v.texts);
    return v;
}

QString CardPrinter::tareNote(const std::array<QString, 25> &texts) const
{
    return TareNotes(m_context.folders.BaseFolder).noteFor(qint32(ReadLeadingNumber(texts[CardId])));
}

WaybillValues CardPrinter::waybillValues(Frame frame) const
{
    return waybillValuesOf(source(frame));
}

WaybillValues CardPrinter::waybillValuesOf(const Source &from) const
{
    const std::array<QString, 25> texts = cardTexts(from.card);
    WaybillValues v;
    v.cargoName = texts[CargoName];
    v.documentNumber = texts[DocumentNumber];
    v.cardNumber = texts[CardNumber];
    const int number = int(ReadLeadingNumber(texts[CardNumber]));
    const QString plusPath = from.plusPath;
    // Read on their own: the values of the card being entered stay as they are.
    if (number >= 1 && !plusPath.isEmpty())
        v.extras = PlusFile(plusPath).read(number);
    for (int i = 0; i < int(v.constants.size()); ++i) {
        const QString value = texts[size_t(i)].trimmed();
        if (value.isEmpty())
            continue;
        if (const auto entry = PickListFile(pickListPath(m_context.folders.BaseFolder, i)).find(value))
            v.constants[size_t(i)] = *entry;
    }
    v.today = m_context.clock.now().date();
    for (int i = 0; i < CardTextCount; ++i)
        v.boxes[size_t(i)] = texts[size_t(i)];
    // Only weights the scale has given: an open card has no net yet.
    const CargoCard &card = from.card;
    if (card.gross != 0)
        v.gross = texts[Gross];
    if (!IsIncomplete(card.status) && (card.gross != 0 || card.tare != 0))
        v.net = texts[Net];
    v.weightUnit = m_context.settings.WeightUnit;
    return v;
}

QString CardPrinter::print(const QString &document, Frame frame)
{
    bool ok = true;
    // The card is found once for the whole document.
    const Source from = source(frame);
    // A deleted card's papers say so on every page.
    m_surface.setStamp(IsDeleted(from.card.status) ? u"УДАЛЕНА"_s : QString());
    if (document == WithPhotos || document == WithoutPhotos) {
        const bool withPhotos = document == WithPhotos;
        const std::array<QString, 25> texts = cardTexts(from.card);
        ok = PrintWeighingAct(m_surface, m_context.settings, texts, withPhotos,
                              [this, &from, frame](int index) { return photoOf(from, frame, index); },
                              tareNote(texts), memoryMarks(from.card));
    } else if (document == ChequeDocument) {
        ok = PrintCheque(m_surface, chequeValuesOf(from, frame));
    } else if (document == Waybill) {
        ok = PrintWaybill(m_surface, waybillValuesOf(from));
    } else {
        return QString();
    }
    if (!ok) {
        emit printFailed(failedMessage());
        return failedMessage();
    }
    return PrintSurface::destinationMessage(m_surface.lastDestination(), m_surface.lastWentToFile());
}

QString CardPrinter::printVisible(const QString &document, bool currentVisible, bool archiveVisible)
{
    QString status;
    if (currentVisible)
        status = print(document, Frame::CurrentCard);
    // One failure is said once: the printer would refuse the second too.
    if (archiveVisible && status != failedMessage())
        status = print(document, Frame::ArchiveCard);
    return status;
}
