#pragma once

#include "core/WriteJournal.h"

#include <QDate>
#include <functional>
#include <QString>

struct CargoCard;

// Which step wrote a card into its day file.
enum class CardChange { Store, Completion, ArchiveCompletion, Correction, Deletion, Resend };

// What follows a stored card outside its day file. Each is passed to the
// logic that stores cards, so a step cannot be forgotten: a service that is
// genuinely missing on a machine is an implementation that says so.

// The workbooks and exchange files of a card. The day file stays the
// record: an implementation logs its failures and never stops a store.
class CardExports
{
public:
    virtual ~CardExports() = default;

    // Today's day workbook from the template where missing; with
    // `withAccountingWorkbook` also the accounting workbook (before a new card).
    virtual void prepareDay(bool withAccountingWorkbook) = 0;
    // The lines of `card`, one of today's, in today's exchange texts: the
    // pieces its write carries (the texts' title records are written first
    // where missing).
    virtual QList<WriteJournal::Piece> exchangeLines(const CargoCard &card) = 0;
    // Its rows of today's day and accounting workbooks, queued.
    virtual void writeWorkbookRows(const CargoCard &card) = 0;
    // The title records of today's exchange text, at the main window's load.
    virtual void writeTextReportHeaders() = 0;
    // The lines of the exchange texts of `day` that differ from its day
    // file rewritten, at the main window's load (today and yesterday).
    virtual void reconcileTexts(const QDate &day) = 0;
    // The archived card's new status into its row of its own day's workbook.
    virtual void writeArchiveStatus(const QString &resultFolder, const QDate &day, int number,
                                    const QString &status) = 0;
};

// A question put to the operator before a step that may be wrong: true
// for "Да".
class OperatorQuestions
{
public:
    virtual ~OperatorQuestions() = default;
    virtual bool confirm(const QString &question) = 0;
};

// The questions of whatever window answers them; with none, the answer is
// "Нет", so nothing doubtful is written unasked.
class ForwardedQuestions final : public OperatorQuestions
{
public:
    std::function<bool(const QString &)> answer;
    bool confirm(const QString &question) override { return answer && answer(question); }
};

// The weighbridge's own equipment, asked before every weighing is taken:
// why the platform may not be weighed now (a beam broken, the I/O module
// silent), empty when it may.
class PlatformGuard
{
public:
    virtual ~PlatformGuard() = default;
    virtual QString storeRefusal() const = 0;
};

// A weighbridge without equipment refuses nothing.
class NoPlatformGuard final : public PlatformGuard
{
public:
    QString storeRefusal() const override { return {}; }
};

// The camera side of a card: its two photos and the video source.
class CardPhotos
{
public:
    // Each card frame has its own two photo slots.
    enum class Frame { CurrentCard, ArchiveCard };
    virtual ~CardPhotos() = default;

    // The photo named `name` ("{ID}" or "{ID}_1") into slot 0 or 1.
    virtual void takePhoto(const QString &name, int slot) = 0;
    // The photos of card `id` into `frame`, looked up in `folder`.
    virtual void showCardPhotos(Frame frame, const QString &folder, qint32 id) = 0;
    // Automatic mode at start: the video source on when so configured.
    virtual void startForAutoMode() = 0;
    // At exit.
    virtual void switchOff() = 0;
};

// A machine without a capture device: cards are stored without photos.
class NoCardPhotos final : public CardPhotos
{
public:
    void takePhoto(const QString &, int) override {}
    void showCardPhotos(Frame, const QString &, qint32) override {}
    void startForAutoMode() override {}
    void switchOff() override {}
};

// The printed papers of the card a frame shows.
class CardDocuments
{
public:
    enum class Frame { CurrentCard, ArchiveCard };
    virtual ~CardDocuments() = default;

    // `document` is the menu caption ("Квитанция с фото", "Квитанция без
    // фото", "ТН", "Чек"). Returns what the status line says afterwards.
    virtual QString print(const QString &document, Frame frame) = 0;
};

// Before the documents can be printed: the menu says so instead of
// printing nothing.
class NoCardDocuments final : public CardDocuments
{
public:
    QString print(const QString &, Frame) override { return QStringLiteral("Печать документов недоступна"); }
};

// The weighing memory's numbers of a card's weighings, printed on its papers
// so an inspector can look each weighing up.
class WeighingNumbers
{
public:
    struct Weighed
    {
        qint64 number = 0;
        bool second = false; // the second weighing of a two-pass card

        bool operator==(const Weighed &) const = default;
    };
    virtual ~WeighingNumbers() = default;
    // The weighings of card `id`, in order, looked for from the month of
    // `since` on (its first weighing's day).
    virtual QList<Weighed> weighingsOf(qint32 id, const QDate &since) const = 0;
};

// Papers of a program without a memory print no numbers.
class NoWeighingNumbers final : public WeighingNumbers
{
public:
    QList<Weighed> weighingsOf(qint32, const QDate &) const override { return {}; }
};
