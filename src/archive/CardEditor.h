#pragma once

#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "store/DayFiles.h"
#include "store/PlusFile.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class AppContext;
class ArchiveBrowser;
class CardCommit;
class EventLog;
class ParamExtras;
class Weighing;

// The card window "Изменить параметры записи" without its widgets: one card
// with its 25 main and 70 additional parameters as the texts the window
// shows, and in the correction mode the replacement and deletion of a card
// of today. It works on its own copy of the card it read, so whatever the
// main window stores meanwhile never reaches the card being corrected.
class CardEditor : public QObject
{
    Q_OBJECT

public:
    // `CardEditorMode`.
    enum Mode { Correction = 0, CurrentView = 1, ArchiveView = 2 };
    static constexpr int Columns = ExtraNames::kTextParams; // 7
    static constexpr int Rows = ExtraNames::kExtras;        // 10

    struct Parts
    {
        AppContext &context;
        EventLog &log;
        DayFiles &days;
        ParamExtras &extras;
        Weighing &weighing;
        ArchiveBrowser &archive;
        CardCommit &commit;
    };

    explicit CardEditor(const Parts &parts, QObject *parent = nullptr);

    static QString replacedMessage(); // "Данные в карточке изменены!"
    static QString deletedMessage();  // "Карточка удалена!"
    static QString noCardMessage(int n);
    static QString dayChangedMessage();

    // The window is opened in `mode`: the card, the permissions and the
    // controls are set afresh.
    void open(Mode mode);
    Mode mode() const { return m_mode; }

    // Whether "Правка" may ask for the correction code at all.
    bool correctionPermitted() const;
    // Correction mode only: "Номер карточки", "OK", the replace and delete buttons.
    bool correctionControlsVisible() const { return m_mode == Correction; }
    bool mainEditable() const { return m_mainEditable; }
    // Whether a correction of main parameter `i` is stored: the texts, the
    // litter % and the weights. Dates, times, IDs, type and status are kept
    // as the weighing wrote them, so their fields are not editable.
    static bool fieldStored(int i);
    bool fieldEditable(int i) const { return m_mainEditable && fieldStored(i); }
    bool extrasEditable() const { return m_extrasEditable; }

    QString caption(int i) const;
    QString text(int i) const { return m_texts[size_t(i)]; }
    void setText(int i, const QString &text);
    // Column j (text parameter 0..6), row k (1..10).
    QString extraCaption(int j, int k) const;
    QString extraText(int j, int k) const { return m_extras[size_t(j)][size_t(k)]; }
    void setExtraText(int j, int k, const QString &text);

    QString cardNumberText() const { return m_numberText; }
    void setCardNumberText(const QString &text) { m_numberText = text; }
    int SelectedCardNumber() const { return m_selected; }
    // "Изменить параметры записи", with the № of the card it shows.
    QString title() const;
    // "Удалить карточку № N?"
    static QString deleteQuestion(int n);
    // "Карточка № N удалена: …"
    static QString deletedCardMessage(int n);
    // The window's copy of the card.
    const CargoCard &card() const { return m_card; }

    // "OK".
    void SelectCardForEdit();
    // "Заменить параметры карточки": true when the card was written.
    bool ReplaceCardParameters();
    // "Удалить карточку": true when the card was written as deleted.
    bool DeleteCard();

    // The card as the fields hold it, by the rules of the replacement:
    // texts as typed, the weights read as numbers, the rest as stored.
    static CargoCard cardFromTexts(const CargoCard &stored, const std::array<QString, MainParamCount> &texts);

signals:
    void changed();
    // A message box for the operator.
    void message(const QString &text);

private:
    // Today's card `n` with its additional parameters into the window.
    void showToday(int n);
    void showCard(const CargoCard &card, const ExtraParams &extras);
    // Whether the copy may be written back over slot `n` of today's file:
    // the slot still holds what was read. Otherwise the operator is told
    // why not, and a slot changed since is logged.
    bool writable(int n);
    // The copy into the slot it was read from; false with the
    // operator told when the day file refused it.
    bool writeBack(const CargoCard &card, const std::optional<ExtraParams> &extras, CardChange change);
    void logLine(const QString &text);

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    ParamExtras &m_paramExtras;
    Weighing &m_weighing;
    ArchiveBrowser &m_archive;
    CardCommit &m_commit;

    Mode m_mode = Correction;
    bool m_mainEditable = false;
    bool m_extrasEditable = false;
    std::array<QString, MainParamCount> m_texts;
    ExtraParams m_extras;
    QString m_numberText;
    int m_selected = 0;
    CargoCard m_card;
    // The slot the copy was read from, as it was then: after midnight it
    // is another day's, after a weighing or a store meanwhile another card.
    DayCard m_read;
};
