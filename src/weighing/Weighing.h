#pragma once

#include "CargoCard.h"

#include <QObject>
#include <array>
#include <functional>

class AppContext;
class DayFiles;

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

// What storing and completing a card hand on to other parts of the program.
// Each is optional; a missing one is skipped.
struct WeighingHooks
{
    std::function<void()> prepareSpreadsheets;
    // Looks the card's seven texts up in their pick lists.
    std::function<void(const CargoCard &)> findPickListEntries;
    std::function<void(int number)> exportDayWorkbook;
    std::function<void(int number)> exportAccountingSheet;
    std::function<void(int number)> exportAccountingText;
    std::function<void(int number)> writeExtras;
    std::function<void()> resetAxles;
    // The photo named `name` ("{ID}" or "{ID}_1") into slot 0 or 1.
    std::function<void(const QString &name, int slot)> takePhoto;
    std::function<void()> showCardPhotos;
    // Today's list changed: show its last page.
    std::function<void()> todayListChanged;
};

// Live weights, storing new cards and completing today's cards. It holds
// what the data-entry frame, the card frame and the live panel show as plain
// values; the windows mirror them.
class Weighing : public QObject
{
    Q_OBJECT

public:
    enum class Frame { DataEntry, CurrentCard, Archive, Other };
    enum class Kind { Gross, Tare };

    static constexpr int DarkGreen = 0x008000;   // RGB 0, 128, 0
    static constexpr int LightGreen = 0x80FF80;  // RGB 128, 255, 128

    Weighing(AppContext &context, DayFiles &days, WorkingCards &cards, QObject *parent = nullptr);

    WeighingHooks hooks;

    // Which frame the main window shows.
    void setVisibleFrame(Frame frame) { m_frame = frame; }
    Frame visibleFrame() const { return m_frame; }

    // The terminal's latest weight; the axle weights when axle weighing is on.
    void setTerminalWeight(double weight) { m_terminalWeight = weight; }
    double TerminalWeight() const { return m_terminalWeight; }
    std::array<double, 8> AxleWeights{};
    double WeighingWeight() const { return m_weighingWeight; }
    const LiveWeights &liveWeights() const { return m_live; }

    // The data-entry frame.
    void selectOperationType(const QString &type);
    QString operationType() const { return m_operationType; }
    void setEntryText(int i, const QString &text);
    QString entryText(int i) const { return m_entryTexts[size_t(i)]; }
    void setEntryLitterText(const QString &text);
    QString entryLitterText() const { return m_entryLitter; }

    // The live panel.
    QString liveLitterText() const { return m_liveLitter; }
    void setLiveLitterText(const QString &text) { m_liveLitter = text; }
    QString tareFieldText() const { return m_tareField; }
    void setTareFieldText(const QString &text) { m_tareField = text; }
    QString grossText() const { return m_grossText; }
    QString netText() const { return m_netText; }
    QString cleanText() const { return m_cleanText; }
    QString litterText() const { return m_litterText; }
    // The tare button "T".
    void takeTare();

    // The card frame "Карточка груза".
    const CargoCard &shownCard() const { return m_shown; }
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
    // "Записать". False when a store is already running or today's file
    // could not be written.
    bool StoreNewCard();
    bool storing() const { return m_storing; }
    // "Бруто" / "Тара" of the card frame.
    bool CompleteCard(Kind kind);
    void ShowCurrentCard(int n);
    void SetCompletionButtons(int n);
    // The date changed: yesterday's card is completed from the archive only.
    void dayChanged();

signals:
    void changed();

private:
    void liveFromCard(const CargoCard &card, double litterFactor);
    void showLive();

    AppContext &m_context;
    DayFiles &m_days;
    WorkingCards &m_cards;
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
    CargoCard m_shown;
    CargoCard m_archiveShown;
    int m_opened = 0;
    bool m_grossButton = false;
    bool m_tareButton = false;
    bool m_receiptButton = false;
    int m_netColour = DarkGreen;
    int m_tareColour = DarkGreen;
    bool m_storing = false;
};
