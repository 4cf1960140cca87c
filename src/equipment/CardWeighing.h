#pragma once

#include "card/CardServices.h"
#include "store/VehicleRegister.h"

#include <QObject>
#include <QStringList>

#include <optional>

class AppContext;
class DayFiles;
class EventLog;
class Weighing;

// A card shown at the reader: the vehicle it belongs to is filled into the
// data-entry frame and its open weighing of today chosen. With the workplace
// set to weigh without an operator, the vehicle is then stored or its open
// card completed by itself as soon as the platform allows it (terminal
// steady, weight above the empty platform, the equipment clear); nothing
// asks a question then: what would be asked is answered "Нет" and logged.
class CardWeighing : public QObject
{
    Q_OBJECT

public:
    // `attended` answers the questions while an operator is there.
    CardWeighing(AppContext &context, EventLog &log, DayFiles &days, Weighing &weighing,
                 OperatorQuestions &attended, QObject *parent = nullptr);

    static QString unknownCardMessage() { return QStringLiteral("Карта не зарегистрирована"); }

    // The questions the weighing asks; give them to Weighing::setQuestions.
    OperatorQuestions &questions() { return m_questions; }

    // A card's number in its one form (ProximityCard).
    void takeCard(const QString &number);
    // After every reading of the terminal: the card waiting is weighed when
    // it can be.
    void weightRead();

    // The vehicle whose card `number` is; none for an unknown card.
    std::optional<KnownVehicle> vehicleOf(const QString &number) const;
    // The register's lines whose card number is no card's ("Номер машины:
    // номер"): such a vehicle is never found by its card.
    QStringList unreadableCards() const;
    // A card read in unattended mode waits for its weighing.
    bool waiting() const { return m_pending.has_value(); }
    // True while a weighing of its own is being written (the memory marks it).
    bool weighingNow() const { return m_active; }

signals:
    // The vehicle was put into the data-entry frame; `openCard`: its open
    // card was chosen instead, for its second weighing.
    void vehicleFilled(bool openCard);
    // What the status line says.
    void status(const QString &text);
    // What an operator at the window must read (never in unattended mode).
    void operatorMessage(const QString &text);
    // A weighing without an operator was written: `net` of a completed
    // card, or the first weight of a new one.
    void weighed(bool completed, double weight);

private:
    bool unattended() const;
    void say(const QString &text);

    class Questions final : public OperatorQuestions
    {
    public:
        Questions(CardWeighing &owner, OperatorQuestions &attended) : m_owner(owner), m_attended(attended) {}
        bool confirm(const QString &question) override;

    private:
        CardWeighing &m_owner;
        OperatorQuestions &m_attended;
    };

    struct Pending
    {
        QString card;
        QString plate;
        int openCard = 0; // 0: a new card
    };

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    Weighing &m_weighing;
    Questions m_questions;
    VehicleRegister m_vehicles;
    std::optional<Pending> m_pending;
    bool m_active = false;
};
