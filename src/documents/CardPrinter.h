#pragma once

#include "Cheque.h"
#include "Waybill.h"
#include "WeighingAct.h"
#include "platform/PrintSurface.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"

#include <QObject>

class AppContext;
class ArchiveBrowser;
class DayFiles;
class VideoPhotos;
class Weighing;

// The printed papers of the two card frames: each reads what its frame
// shows, the photos the frame holds and the day's additional parameters.
class CardPrinter final : public QObject, public CardDocuments
{
    Q_OBJECT

public:
    static inline const QString WithPhotos = QStringLiteral("Квитанция с фото");
    static inline const QString WithoutPhotos = QStringLiteral("Квитанция без фото");
    static inline const QString Waybill = QStringLiteral("ТН");
    static inline const QString ChequeDocument = QStringLiteral("Чек");

    CardPrinter(AppContext &context, DayFiles &days, Weighing &weighing, ArchiveBrowser &archive,
                VideoPhotos &photos, PrintSurface::Destination destination = PrintSurface::Destination::DefaultPrinter,
                QObject *parent = nullptr);

    QString print(const QString &document, Frame frame) override;
    // The menu: each visible frame in turn, the current card first. The
    // status text of the last document; empty when no frame is visible.
    QString printVisible(const QString &document, bool currentVisible, bool archiveVisible);

    static QString failedMessage();

    // The weighing memory whose numbers the act and the cheque print, and
    // the fingerprint of its key; without one they print none.
    void setMemory(const WeighingNumbers &numbers, const QString &fingerprint)
    {
        m_numbers = &numbers;
        m_fingerprint = fingerprint;
    }
    MemoryMarks memoryMarks(const CargoCard &card) const;

    std::array<QString, 25> frameTexts(Frame frame) const;
    // The photo `index` (0: first weighing, 1: second) of the frame's card.
    ActPhoto framePhoto(Frame frame, int index) const;
    ChequeValues chequeValues(Frame frame) const;
    // Where the tare of the card with these texts came from, if noted.
    QString tareNote(const std::array<QString, 25> &texts) const;
    // The card's additional parameters from its own day and the entries of
    // its seven texts in the pick lists.
    WaybillValues waybillValues(Frame frame) const;
    PrintSurface &surface() { return m_surface; }

signals:
    // A document could not be printed: the operator is told once.
    void printFailed(const QString &text);

private:
    // What a frame's papers print: its card, where its photos and additional
    // parameters are. An archived card closed by a completion prints the
    // completed copy, which holds the weighing.
    struct Source
    {
        CargoCard card;
        QString photoFolder;
        QString plusPath;
    };
    Source source(Frame frame) const;
    ActPhoto photoOf(const Source &from, Frame frame, int index) const;
    ChequeValues chequeValuesOf(const Source &from, Frame frame) const;
    WaybillValues waybillValuesOf(const Source &from) const;

    NoWeighingNumbers m_noNumbers;
    const WeighingNumbers *m_numbers = &m_noNumbers;
    QString m_fingerprint;
    AppContext &m_context;
    DayFiles &m_days;
    Weighing &m_weighing;
    ArchiveBrowser &m_archive;
    VideoPhotos &m_photos;
    PrintSurface m_surface;
};
