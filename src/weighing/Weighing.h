#pragma once

#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "store/CardCommit.h"
#include "store/DayFiles.h"
#include "store/TareNotes.h"
#include "store/VehicleRegister.h"
#include "store/PlusFile.h"

#include <QDate>

#include <QObject>
#include <array>
#include <functional>
#include <optional>

class AppContext;
class EventLog;
class ParamExtras;
struct StoreResult;

// The seven live values of a weighing in progress.
struct LiveWeights
{
    double gross = 0;
    double tare = 0;
    double net = 0;
    double first = 0;
    double second = 0;
    double litter = 0;
    double clean = 0;
};

// Live weights, storing new cards and completing today's cards. It holds
// what the data-entry frame, the card frame and the live panel show as plain
// values; the windows mirror them.
class Weighing : public QObject
{
    Q_OBJECT

public:
    enum class Frame { DataEntry, CurrentCard, Archive, Other };
    using Kind = CompletionKind;

    static constexpr int DarkGreen = 0x008000;   // RGB 0, 128, 0
    static constexpr int LightGreen = 0x80FF80;  // RGB 128, 255, 128
    static constexpr int LightYellow = 0x80FFFF; // RGB 255, 255, 128
    // Not a colour value: the system's button face.
    static constexpr int ButtonFace = -1;

    Weighing(AppContext &context, EventLog &log, DayFiles &days, ParamExtras &extras, CardExports &exports,
             CardPhotos &photos, CardCommit &commit, QObject *parent = nullptr);

    static QString noLinkMessage();
    // "Карточка не записана: " with the file that refused it and why.
    static QString notStoredMessage(const QString &path, const QString &reason);

    CardExports &exports() const { return m_exports; }
    CardPhotos &photos() const { return m_photos; }
    CardCommit &commit() const { return m_commit; }
    ParamExtras &extras() const { return m_extras; }

    // Which frame the main window shows.
    void setVisibleFrame(Frame frame) { m_frame = frame; }
    Frame visibleFrame() const { return m_frame; }

    // The terminal's latest weight; the axle weights when axle weighing is on.
    void setTerminalWeight(double weight) { m_terminalWeight = weight; }
    double TerminalWeight() const { return m_terminalWeight; }
    // Whether the terminal shows a weight now: while its port is closed or
    // it shows the no-data mark, the last reading is no weighing.
    void setTerminalConnected(bool connected) { m_connected = connected; }
    bool terminalConnected() const { return m_connected; }
    // Whether the terminal reports its weight unsteady now.
    void setTerminalMotion(bool motion) { m_motion = motion; }
    // Why the terminal's weight is no weighing now though the link is up
    // (a held weight, the indicator's own overload); empty when it is one.
    void setTerminalRefusal(const QString &reason) { m_refusal = reason; }
    static QString unsteadyMessage();
    // "На весах нет машины: …" for a weight at or below the empty-platform limit.
    QString emptyPlatformMessage(double weight) const;
    // What a weighing may take now; false with the operator told why.
    bool checkWeightAvailable();
    // Why the weight cannot be taken now, as checkWeightAvailable says it;
    // empty when it can. `byGuard`: the equipment refused it.
    QString weightRefusal(bool *byGuard = nullptr) const;
    bool terminalMotion() const { return m_motion; }
    // Who answers the questions before a doubtful weighing.
    void setQuestions(OperatorQuestions &questions) { m_questions = &questions; }
    OperatorQuestions &questions() const { return *m_questions; }
    // The equipment that may refuse a weighing (beams, I/O module).
    void setPlatformGuard(PlatformGuard &guard) { m_guard = &guard; }
    const PlatformGuard &platformGuard() const { return *m_guard; }
    // A weighing whose net is 0 or less is written only when the operator
    // confirms it; either way the log says so.
    bool confirmNet(double net, const QString &plate);
    // The weights of axles 1..8 (index 0..7) as their labels show them.
    std::array<double, 8> AxleWeights{};
    // All axles back to zero, after a new card of today.
    void resetAxles();
    // Axle button k (0..7): a free axle takes the terminal's weight, a fixed
    // one is freed. False when a free axle could not take a weight.
    bool pressAxle(int k);
    // The label of axle k was rewritten: its number is the axle's weight.
    void setAxleText(int k, const QString &text);
    QString axleText(int k) const { return m_axleTexts[size_t(k)]; }
    bool axleFixed(int k) const { return m_axleFixed[size_t(k)]; }
    int axleButtonColour(int k) const { return axleFixed(k) ? LightGreen : ButtonFace; }
    int axleLabelColour(int k) const { return axleFixed(k) ? LightGreen : LightYellow; }
    double WeighingWeight() const { return m_weighingWeight; }
    const LiveWeights &liveWeights() const { return m_live; }

    // The data-entry frame.
    void selectOperationType(const QString &type);
    QString operationType() const { return m_operationType; }
    void setEntryText(int i, const QString &text);
    QString entryText(int i) const { return m_entryTexts[size_t(i)]; }
    // Texts put into the data-entry frame from elsewhere (a card read):
    // index → text; the frame shows them.
    void fillEntry(const QList<std::pair<int, QString>> &texts);
    void setEntryLitterText(const QString &text);
    QString entryLitterText() const { return m_entryLitter; }

    // The live panel.
    QString liveLitterText() const { return m_liveLitter; }
    void setLiveLitterText(const QString &text) { m_liveLitter = text; }
    QString tareFieldText() const { return m_tareField; }
    // The operator typed into the tare field.
    void setTareFieldText(const QString &text)
    {
        m_tareField = text;
        m_tareTyped = true;
    }
    QString grossText() const { return m_grossText; }
    QString netText() const { return m_netText; }
    QString cleanText() const { return m_cleanText; }
    QString litterText() const { return m_litterText; }
    // "Вес в сумме" and "Кол-во в сумме": the running sum, or after a store
    // the sum the stored card carries.
    void showSum(double weight, qint32 count);
    QString sumWeightText() const { return m_sumWeightText; }
    QString sumCountText() const { return m_sumCountText; }
    // The tare button "T".
    void takeTare();

    // The card frame "Карточка груза".
    const CargoCard &shownCard() const { return m_shown; }
    // Its slot as it was read; a card of another day or none has no day.
    const DayCard &shownSlot() const { return m_shownRead; }
    int openedForCompletion() const { return m_opened; }
    bool grossButtonVisible() const { return m_grossButton; }
    bool tareButtonVisible() const { return m_tareButton; }
    bool receiptButtonVisible() const { return m_receiptButton; }
    void setReceiptButtonVisible(bool visible);
    int netFieldColour() const { return m_netColour; }
    int tareFieldColour() const { return m_tareColour; }

    // The archive frame's card, for the live values while it is shown.
    void setArchiveShownCard(const CargoCard &card) { m_archiveShown = card; }

    void UpdateLiveWeights();
    // "Записать". False when a store is already running, the terminal shows
    // no weight, or today's file could not be written (the operator is told).
    bool StoreNewCard();
    bool storing() const { return m_storing; }
    // Known vehicles and where a card's tare came from.
    VehicleRegister &vehicles() { return m_vehicles; }
    const TareNotes &tareNotes() const { return m_tareNotes; }
    // The stored tare the typed plate offers now, if any.
    const std::optional<KnownVehicle> &offeredTare() const { return m_offered; }
    // "Сохранённая тара: 12000 кг от 01.12.2026"; empty when none is offered.
    QString offeredTareText() const;
    // The plate was picked or typed, or the register changed: look again.
    void updateOfferedTare();
    // "Брутто − сохранённая тара": a single weighing with the offered tare,
    // complete at once and noted as such. False when nothing was stored.
    bool storeWithStoredTare();

    // "Записать" pressed by the operator: StoreNewCard, then the entry is
    // emptied for the next vehicle when the workplace settings say so.
    bool storeFromEntry();
    // "Бруто" / "Тара" of the card frame: the card as it was read when it
    // was opened, completed; refused when its slot changed since.
    bool CompleteCard(Kind kind);
    // Card `n` of today read and shown.
    void ShowCurrentCard(int n);
    // Card `n` of today opened for its second weighing while it waits for
    // one (the card shown, when it is that card, else read).
    void SetCompletionButtons(int n);
    // A line of today's list was chosen: its card is shown and, while it
    // waits for its second weighing, opened for it.
    void chooseTodayCard(int n);
    // The same, for a vehicle found by other means than the list: the card
    // frame is wanted (openCardChosen).
    void chooseOpenCard(int n);
    // Today's file is the one the clock names: after midnight the new day is
    // loaded, and yesterday's card is completed from the archive only.
    // Returns whether the day changed.
    bool followClock();
    // Says a failed write to the operator and the event log.
    void reportFailure(const QString &message);
    // Today's list and counters read again from the day file; a file that
    // cannot be read is reported.
    void reloadToday();
    // A new card of today: numbered from today's file, filled by `fill` and
    // committed with its additional values, the counters and `also` as one
    // change (shownCard() is the card stored then).
    // Its №, or 0 when it was not stored (the operator is told; only the
    // ID it took stays used).
    int storeNewTodayCard(const std::function<void(CargoCard &, const NewCardNumbers &)> &fill,
                          const ExtraParams &extras, CardChange change, const QList<CardWrite> &also = {});

signals:
    void changed();
    // Today's list changed: show its last page.
    void todayListChanged();
    void axlesReset();
    // An axle was fixed or freed, or its label rewritten.
    void axlesChanged();
    // The day of today's file changed.
    void dayChanged();
    // A value typed for a new card joined pick list i.
    void pickListLearned(int i);
    // The data-entry texts were emptied after a store.
    void entryCleared();
    // Texts were put into the data-entry frame (fillEntry).
    void entryFilled();
    // The operator chose to complete an open card instead of a new one: the
    // card frame shows it.
    void openCardChosen();
    // Something the operator must read in a message box.
    void operatorMessage(const QString &text);

private:
    // A card written by any step: today's list and the card frame follow.
    void takeWritten(const DayCard &written, CardChange change);
    void showRead(const DayCard &read);
    void openForCompletion(const DayCard &read);
    void skipIdsWithPhotos();
    // Gross, tare and net while the card frame shows `card`.
    void liveFromCard(const CargoCard &card);
    void showLive();
    void axleTotalChanged();

    // The texts of a new card that no pick list holds join their lists.
    void learnPickLists(const CargoCard &card);
    // The note of a card just stored as a single weighing.
    void noteTare(const CargoCard &card);
    // A two-pass weighing of a plate that already waits for its second one:
    // unless the operator wants a new card, the open card is opened for its
    // second weighing instead.
    // False when nothing is to be stored.
    bool newCardWanted();

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    ParamExtras &m_extras;
    CardExports &m_exports;
    CardPhotos &m_photos;
    CardCommit &m_commit;
    ForwardedQuestions m_noQuestions;
    OperatorQuestions *m_questions = &m_noQuestions;
    NoPlatformGuard m_noGuard;
    PlatformGuard *m_guard = &m_noGuard;
    bool m_connected = true;
    bool m_motion = false;
    QString m_refusal;
    Frame m_frame = Frame::DataEntry;
    double m_terminalWeight = 0;
    double m_weighingWeight = 0;
    LiveWeights m_live;
    QString m_operationType;
    std::array<QString, CardTextCount> m_entryTexts;
    QString m_entryLitter;
    QString m_liveLitter;
    QString m_tareField = QStringLiteral("0");
    QString m_grossText = QStringLiteral("0");
    QString m_netText = QStringLiteral("0");
    QString m_cleanText = QStringLiteral("0");
    QString m_litterText = QStringLiteral("0");
    QString m_sumWeightText = QStringLiteral("0");
    QString m_sumCountText = QStringLiteral("0");
    CargoCard m_shown;
    // The slot of the card shown, and of the card opened, as they were read.
    DayCard m_shownRead;
    DayCard m_openedRead;
    CargoCard m_archiveShown;
    int m_opened = 0;
    bool m_grossButton = false;
    bool m_tareButton = false;
    bool m_receiptButton = false;
    int m_netColour = DarkGreen;
    int m_tareColour = DarkGreen;
    bool m_storing = false;
    VehicleRegister m_vehicles;
    TareNotes m_tareNotes;
    std::optional<KnownVehicle> m_offered;
    // The tare field was typed in since the type was chosen or "T" pressed.
    bool m_tareTyped = false;
    // Set while the stored tare is being stored.
    QString m_pendingNote;
    std::array<QString, 8> m_axleTexts;
    std::array<bool, 8> m_axleFixed{};
};
