#include "CardWeighing.h"

#include "ProximityCard.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "store/DayFiles.h"
#include "weighing/Weighing.h"

using namespace Qt::StringLiterals;

namespace {

const QString kUnattended = u"Без оператора: "_s;

} // namespace

CardWeighing::CardWeighing(AppContext &context, EventLog &log, DayFiles &days, Weighing &weighing,
                           OperatorQuestions &attended, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_days(days)
    , m_weighing(weighing)
    , m_questions(*this, attended)
    , m_vehicles(context.folders.BaseFolder)
{
    // What the weighing would tell an operator is the log's in unattended mode.
    connect(&m_weighing, &Weighing::operatorMessage, this, [this](const QString &text) {
        if (m_active)
            m_log.WriteLog(kUnattended + text);
    });
}

bool CardWeighing::Questions::confirm(const QString &question)
{
    if (!m_owner.unattended())
        return m_attended.confirm(question);
    // Nobody to ask: the answer that writes nothing doubtful.
    m_owner.m_log.WriteLog(kUnattended + u"вопрос «"_s + QString(question).replace(u'\n', u' ') + u"» — ответ «Нет»"_s);
    return false;
}

bool CardWeighing::unattended() const
{
    return m_context.operatorSettings.unattended();
}

void CardWeighing::say(const QString &text)
{
    m_log.WriteLog(text);
    emit status(text);
}

std::optional<KnownVehicle> CardWeighing::vehicleOf(const QString &number) const
{
    for (const KnownVehicle &v : m_vehicles.all())
        if (ProximityCard::normalized(v.card) == number)
            return v;
    return std::nullopt;
}

QStringList CardWeighing::unreadableCards() const
{
    QStringList bad;
    for (const KnownVehicle &v : m_vehicles.all())
        if (!v.card.isEmpty() && !ProximityCard::normalized(v.card))
            bad.append(v.plate + u": "_s + v.card);
    return bad;
}

void CardWeighing::takeCard(const QString &number)
{
    // A new card replaces one still waiting: the last one shown is at the reader.
    m_pending.reset();
    const std::optional<KnownVehicle> vehicle = vehicleOf(number);
    if (!vehicle) {
        say(unknownCardMessage() + u": "_s + number);
        if (!unattended())
            emit operatorMessage(unknownCardMessage());
        return;
    }
    QList<std::pair<int, QString>> texts{{VehicleNumber, vehicle->plate}};
    for (const auto &[i, text] : {std::pair{int(CargoName), vehicle->cargo}, std::pair{int(Sender), vehicle->sender},
                                  std::pair{int(Receiver), vehicle->receiver}})
        if (!text.isEmpty())
            texts.append({i, text});
    m_weighing.fillEntry(texts);

    const QString key = VehicleRegister::plateKey(vehicle->plate);
    const DayCard open = m_days.findDayCard(m_context.clock.today(), [&key](const CargoCard &c) {
        return IsIncomplete(c.status) && VehicleRegister::plateKey(c.texts[VehicleNumber]) == key;
    });
    if (open.holdsCard())
        m_weighing.chooseOpenCard(open.number);
    emit vehicleFilled(open.holdsCard());
    say(u"Карта %1: машина %2"_s.arg(number, vehicle->plate)
        + (open.holdsCard() ? u", карточка № %1"_s.arg(open.number) : QString()));
    if (!unattended())
        return;
    m_pending = Pending{number, vehicle->plate, open.holdsCard() ? open.number : 0};
    weightRead();
}

void CardWeighing::weightRead()
{
    if (!m_pending || m_weighing.storing())
        return;
    if (!unattended()) {
        m_pending.reset();
        return;
    }
    if (m_context.settings.AxleProgram == 1) {
        say(kUnattended + u"взвешивание по осям только с оператором"_s);
        m_pending.reset();
        return;
    }
    // Waits, whatever the workplace allows an operator, for a steady weight
    // of a vehicle on a clear platform.
    if (m_weighing.terminalMotion() || !m_weighing.weightRefusal().isEmpty())
        return;
    const Pending p = *std::exchange(m_pending, std::nullopt);
    m_active = true;
    bool done = false;
    double weight = 0;
    if (p.openCard > 0) {
        if (m_weighing.openedForCompletion() != p.openCard)
            m_weighing.chooseOpenCard(p.openCard);
        const bool loading = m_weighing.shownCard().operationType == OperationTypes::loading();
        done = m_weighing.openedForCompletion() == p.openCard
            && m_weighing.CompleteCard(loading ? Weighing::Kind::Gross : Weighing::Kind::Tare);
        weight = m_weighing.shownCard().net;
    } else {
        // A single weighing needs a tare nobody gives here: two passes.
        if (m_weighing.operationType() == OperationTypes::single())
            m_weighing.selectOperationType(OperationTypes::unloading());
        // The new card's weights are the data-entry frame's live ones, not
        // those of a card some other frame shows.
        if (m_weighing.visibleFrame() != Weighing::Frame::DataEntry)
            emit vehicleFilled(false);
        done = m_weighing.visibleFrame() == Weighing::Frame::DataEntry && m_weighing.storeFromEntry();
        weight = m_weighing.shownCard().weight1;
    }
    m_active = false;
    const CargoCard &card = m_weighing.shownCard();
    if (!done) {
        say(kUnattended + u"взвешивание машины %1 (карта %2) не записано"_s.arg(p.plate, p.card));
        return;
    }
    const QString unit = m_context.settings.WeightUnit.trimmed();
    say(kUnattended
        + (p.openCard > 0 ? u"карточка № %1 (ID %2) машины %3 завершена, нетто %4 %5"_s
                          : u"карточка № %1 (ID %2) машины %3 записана, первое взвешивание %4 %5"_s)
              .arg(card.number)
              .arg(card.id)
              .arg(p.plate, NumberText(weight), unit));
    emit weighed(p.openCard > 0, weight);
}
