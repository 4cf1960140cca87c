#include "Weighing.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/OleDate.h"
#include "core/StoreResult.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "store/PlusFile.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <numeric>

Weighing::Weighing(AppContext &context, EventLog &log, DayFiles &days, ParamExtras &extras, CardExports &exports,
                   CardPhotos &photos, CardCommit &commit, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_days(days)
    , m_extras(extras)
    , m_exports(exports)
    , m_photos(photos)
    , m_commit(commit)
    , m_operationType(OperationTypes::unloading())
    , m_vehicles(context.folders.BaseFolder)
    , m_tareNotes(context.folders.BaseFolder)
{
    m_axleTexts.fill(QStringLiteral("0"));
    connect(&m_commit, &CardCommit::cardWritten, this,
            [this](const DayCard &written, const ExtraParams &, CardChange change) { takeWritten(written, change); });
}

QString Weighing::noLinkMessage()
{
    return QStringLiteral("Нет связи с весовым терминалом");
}

QString Weighing::unsteadyMessage()
{
    return QStringLiteral("Вес не стабилен");
}

QString Weighing::emptyPlatformMessage(double weight) const
{
    const QString unit = m_context.settings.WeightUnit;
    return QStringLiteral("На весах нет машины: вес %1 %2 не больше %3 %2").arg(NumberText(weight), unit,
                          QString::number(m_context.operatorSettings.emptyPlatformWeight()));
}

bool Weighing::confirmNet(double net, const QString &plate)
{
    if (net > 0)
        return true;
    const QString unit = m_context.settings.WeightUnit;
    const bool yes = m_questions->confirm(
        QStringLiteral("Нетто %1 %2: тара не меньше брутто.\nЗаписать это взвешивание?").arg(NumberText(net), unit));
    m_log.WriteLog((yes ? QStringLiteral("Взвешивание с нетто %1 %2 (машина %3) записано по подтверждению оператора")
                        : QStringLiteral("Взвешивание с нетто %1 %2 (машина %3) не записано: оператор отказался"))
                       .arg(NumberText(net), unit, plate.trimmed()));
    return yes;
}

bool Weighing::newCardWanted()
{
    const QString key = VehicleRegister::plateKey(m_entryTexts[VehicleNumber]);
    if (key.isEmpty() || m_operationType == OperationTypes::single())
        return true;
    const DayCard open = m_days.findDayCard(m_context.clock.today(), [&key](const CargoCard &c) {
        return IsIncomplete(c.status) && VehicleRegister::plateKey(c.texts[VehicleNumber]) == key;
    });
    if (!open.holdsCard())
        return true;
    // "Нет", the answer unless chosen, completes the open card.
    if (m_questions->confirm(QStringLiteral("Машина %1 уже ждёт второго взвешивания в карточке № %2.\n"
                                            "Записать новую карточку? (Нет — завершить карточку № %2)")
                                 .arg(open.card.texts[VehicleNumber].trimmed())
                                 .arg(open.number)))
        return true;
    // The open card is shown, ready for its second weighing.
    showRead(open);
    openForCompletion(open);
    emit openCardChosen();
    return false;
}

QString Weighing::notStoredMessage(const QString &path, const QString &reason)
{
    const QString file = path.isEmpty() ? QString() : QFileInfo(path).fileName() + QStringLiteral(": ");
    return QStringLiteral("Карточка не записана: ") + file + reason;
}

void Weighing::selectOperationType(const QString &type)
{
    m_operationType = type;
    m_tareField = QStringLiteral("0");
    m_tareTyped = false;
    m_grossText = QStringLiteral("0");
    m_netText = QStringLiteral("0");
    emit changed();
}

void Weighing::setEntryText(int i, const QString &text)
{
    if (i < 0 || i >= CardTextCount)
        return;
    m_entryTexts[size_t(i)] = text;
    if (i == VehicleNumber)
        updateOfferedTare();
}

void Weighing::fillEntry(const QList<std::pair<int, QString>> &texts)
{
    for (const auto &[i, text] : texts)
        setEntryText(i, text);
    emit entryFilled();
}

void Weighing::updateOfferedTare()
{
    const auto offered = m_vehicles.offeredTare(m_entryTexts[VehicleNumber], m_context.clock.today(),
                                                m_context.operatorSettings.storedTareMaxAge(),
                                                m_context.settings.MaxWeight);
    const bool same = offered.has_value() == m_offered.has_value()
        && (!offered || (offered->tare == m_offered->tare && offered->tareDate == m_offered->tareDate));
    m_offered = offered;
    if (!same)
        emit changed();
}

QString Weighing::offeredTareText() const
{
    if (!m_offered)
        return QString();
    return QStringLiteral("Сохранённая тара: ") + NumberText(m_offered->tare) + u' ' + m_context.settings.WeightUnit
        + QStringLiteral(" от ") + ShortDateText(m_offered->tareDate);
}

bool Weighing::storeWithStoredTare()
{
    // Looked up again: the register may have changed since it was shown.
    updateOfferedTare();
    if (m_storing)
        return false;
    if (!m_offered) {
        emit operatorMessage(m_vehicles.noTareReason(m_entryTexts[VehicleNumber], m_context.clock.today(),
                                                     m_context.operatorSettings.storedTareMaxAge(),
                                                     m_context.settings.MaxWeight));
        return false;
    }
    const KnownVehicle vehicle = *m_offered;
    const QString type = m_operationType;
    m_operationType = OperationTypes::single();
    m_tareField = NumberText(vehicle.tare);
    m_pendingNote = TareNotes::fromRegister(vehicle.tareDate);
    const bool stored = storeFromEntry();
    m_pendingNote.clear();
    selectOperationType(type);
    return stored;
}

void Weighing::learnPickLists(const CargoCard &card)
{
    // Where the engineer forbade adding items to the lists, nothing is learnt either.
    if (!m_context.operatorSettings.learnPickLists() || m_context.settings.EditPermissions[5] != 1)
        return;
    for (int i = 0; i < CardTextCount; ++i) {
        // Looked up again: the list may have changed while the card was exported.
        const QString value = card.texts[size_t(i)].trimmed();
        if (value.isEmpty() || m_extras.FindPickListEntry(i, value))
            continue;
        // A new entry: the value and no constants.
        m_extras.constantValues[size_t(i)][0] = value;
        // `found` keeps what the store's own lookup found.
        if (const StoreResult added = m_extras.AddPickListEntry(i, value); added)
            emit pickListLearned(i);
        else
            m_log.WriteLog(QStringLiteral("Значение не добавлено в список %1.txt: %2: %3").arg(i + 1).arg(value, added.reason));
    }
}

void Weighing::noteTare(const CargoCard &card)
{
    QString note = m_pendingNote;
    if (note.isEmpty() && card.operationType == OperationTypes::single() && m_tareTyped
        && m_context.settings.TareFromKeyboard == 1 && card.tare != 0)
        note = TareNotes::typed();
    if (note.isEmpty())
        return;
    m_log.WriteLog(QStringLiteral("Карточка ID %1, машина %2: %3").arg(card.id).arg(card.texts[VehicleNumber], note));
    if (const StoreResult added = m_tareNotes.add(card.id, note); !added)
        m_log.WriteLog(QStringLiteral("Отметка о таре не записана: ") + added.reason);
}

void Weighing::setEntryLitterText(const QString &text)
{
    m_entryLitter = text;
    m_liveLitter = text;
    emit changed();
}

void Weighing::takeTare()
{
    m_tareField = NumberText(m_weighingWeight);
    m_tareTyped = false;
    emit changed();
}

void Weighing::setReceiptButtonVisible(bool visible)
{
    m_receiptButton = visible;
    emit changed();
}

void Weighing::liveFromCard(const CargoCard &card)
{
    const double w = m_weighingWeight;
    if (IsIncomplete(card.status)) {
        if (card.operationType == OperationTypes::unloading()) {
            m_live.gross = card.gross;
            m_live.tare = w;
        } else {
            m_live.gross = w;
            m_live.tare = card.tare;
        }
        m_live.net = netWeight(m_live.gross, m_live.tare);
    } else {
        m_live.gross = card.gross;
        m_live.tare = card.tare;
        m_live.net = card.net;
    }
}

void Weighing::UpdateLiveWeights()
{
    if (m_context.settings.AxleProgram == 1) {
        m_weighingWeight = 0;
        for (double a : AxleWeights)
            m_weighingWeight += a;
    } else {
        m_weighingWeight = m_terminalWeight;
    }
    const double w = m_weighingWeight;

    switch (m_frame) {
    case Frame::DataEntry:
        if (m_operationType == OperationTypes::single()) {
            m_live.gross = w;
            m_live.tare = ParseNumber(m_tareField);
            m_live.net = netWeight(m_live.gross, m_live.tare);
            m_live.first = w;
            m_live.second = 0;
        } else if (m_operationType == OperationTypes::unloading()) {
            m_live.gross = w;
            m_live.first = w;
            m_live.tare = m_live.net = m_live.second = 0;
        } else {
            m_live.tare = w;
            m_live.first = w;
            m_live.gross = m_live.net = m_live.second = 0;
        }
        break;
    case Frame::CurrentCard:
        liveFromCard(m_shown);
        break;
    case Frame::Archive:
        liveFromCard(m_archiveShown);
        break;
    case Frame::Other:
        return;
    }
    const DerivedWeights derived = deriveWeights(m_live.net, ParseNumber(m_liveLitter));
    m_live.litter = derived.litterWeight;
    m_live.clean = derived.cleanWeight;
    showLive();
}

void Weighing::showLive()
{
    m_grossText = NumberText(m_live.gross);
    m_netText = NumberText(m_live.net);
    m_tareField = NumberText(m_live.tare);
    m_cleanText = NumberText(m_live.clean);
    m_litterText = NumberText(m_live.litter);
    emit changed();
}

QString Weighing::weightRefusal(bool *byGuard) const
{
    if (byGuard)
        *byGuard = false;
    const bool axles = m_context.settings.AxleProgram == 1;
    if (!axles) {
        if (!m_connected)
            return noLinkMessage();
        if (!m_refusal.isEmpty())
            return m_refusal;
        // A truck still driving on is no weighing, unless the workplace says so.
        if (m_motion && m_context.operatorSettings.refuseUnsteady())
            return unsteadyMessage();
    }
    // A wheel left off the platform, or equipment that cannot say so, is no
    // weighing whatever the terminal shows.
    if (QString refusal = m_guard->storeRefusal(); !refusal.isEmpty()) {
        if (byGuard)
            *byGuard = true;
        return refusal;
    }
    // In axle mode the weight is the sum of the axles taken before.
    const double weight = axles ? std::accumulate(AxleWeights.begin(), AxleWeights.end(), 0.0) : m_terminalWeight;
    if (weight <= m_context.operatorSettings.emptyPlatformWeight())
        return emptyPlatformMessage(weight);
    return QString();
}

bool Weighing::checkWeightAvailable()
{
    bool byGuard = false;
    const QString refusal = weightRefusal(&byGuard);
    if (refusal.isEmpty())
        return true;
    if (byGuard)
        m_log.WriteLog(refusal);
    emit operatorMessage(refusal);
    return false;
}

void Weighing::showSum(double weight, qint32 count)
{
    m_sumWeightText = NumberText(weight);
    m_sumCountText = QString::number(count);
    emit changed();
}

void Weighing::resetAxles()
{
    for (int k = 0; k < 8; ++k) {
        m_axleFixed[size_t(k)] = false;
        setAxleText(k, QStringLiteral("0"));
    }
    emit axlesReset();
    axleTotalChanged();
}

bool Weighing::pressAxle(int k)
{
    if (k < 0 || k >= 8)
        return false;
    if (m_axleFixed[size_t(k)]) {
        m_axleFixed[size_t(k)] = false;
        setAxleText(k, QStringLiteral("0"));
    } else {
        // The last reading of a silent terminal is no axle's weight.
        if (!m_connected || !m_refusal.isEmpty()) {
            emit operatorMessage(m_connected ? m_refusal : noLinkMessage());
            return false;
        }
        m_axleFixed[size_t(k)] = true;
        setAxleText(k, NumberText(m_terminalWeight));
    }
    axleTotalChanged();
    return true;
}

void Weighing::setAxleText(int k, const QString &text)
{
    if (k < 0 || k >= 8)
        return;
    // The weight is the one the label shows, as the operator reads it.
    m_axleTexts[size_t(k)] = text;
    AxleWeights[size_t(k)] = ParseNumber(text);
    emit axlesChanged();
}

void Weighing::axleTotalChanged()
{
    // "Тара" or "Записать" right after an axle changed must take the new
    // total, not the one of the last reading.
    if (m_context.settings.AxleProgram == 1)
        UpdateLiveWeights();
}

bool Weighing::followClock()
{
    if (m_days.loadedDay() == m_context.clock.today())
        return false;
    m_context.createMonthFolders();
    reloadToday();
    m_grossButton = false;
    m_tareButton = false;
    m_opened = 0;
    emit dayChanged();
    emit todayListChanged();
    emit changed();
    return true;
}

void Weighing::reportFailure(const QString &message)
{
    m_log.WriteLog(message);
    emit operatorMessage(message);
}

void Weighing::reloadToday()
{
    const StoreResult loaded = m_days.LoadToday();
    // The pick lists' own captions follow the names in the settings.
    m_extras.names.takeParamNames(m_context.settings.ParamNames);
    if (!loaded)
        reportFailure(QStringLiteral("Файл дня не прочитан: ") + QFileInfo(m_days.todayPath()).fileName()
                      + QStringLiteral(": ") + loaded.reason);
}

int Weighing::storeNewTodayCard(const std::function<void(CargoCard &, const NewCardNumbers &)> &fill,
                                const ExtraParams &extras, CardChange change, const QList<CardWrite> &also)
{
    Settings &s = m_context.settings;
    m_exports.prepareDay(true);
    int dayNumber = 0;
    if (const StoreResult next = m_days.nextTodayNumber(dayNumber); !next) {
        reportFailure(notStoredMessage(m_days.todayPath(), next.reason));
        return 0;
    }
    const double sumWeight = s.SumWeight;
    const qint32 sumCount = s.SumCount;
    skipIdsWithPhotos();
    const NewCardNumbers numbers = numberNewCard(s, dayNumber);
    if (numbers.id == 0) {
        reportFailure(notStoredMessage(QString(), QStringLiteral("номера карточек исчерпаны")));
        return 0;
    }
    applyRunningSum(s, m_live.net);

    CargoCard card;
    fill(card, numbers);
    // The new card last: the frames follow the last card written.
    QList<CardWrite> writes = also;
    writes.append({DayCard::noCard(m_context.clock.today(), card.number), card, extras});
    if (const StoreResult committed = m_commit.commit(writes, change); !committed) {
        // The ID stays used; the sum did not take a card that is not there.
        s.SumWeight = sumWeight;
        s.SumCount = sumCount;
        reportFailure(notStoredMessage(QString(), committed.reason));
        return 0;
    }
    showSum(card.sumWeight, card.sumCount);
    resetAxles();
    return card.number;
}

void Weighing::takeWritten(const DayCard &written, CardChange change)
{
    if (written.day != m_context.clock.today())
        return;
    if (m_days.loadedDay() == written.day) {
        DayList &list = m_days.list(DayTarget::Today);
        if (change == CardChange::Store || change == CardChange::ArchiveCompletion)
            list.append(written.card);
        else if (!list.update(written.card))
            reloadToday();
    }
    // The card frame shows the card last written, as the file holds it now;
    // a card completed from the archive leaves no card of today open.
    showRead(written);
    if (m_opened == written.number || change == CardChange::ArchiveCompletion)
        openForCompletion(written);
    updateOfferedTare();
    emit todayListChanged();
}

void Weighing::skipIdsWithPhotos()
{
    // A photo that already bears the next ID belongs to a card the counter
    // has lost track of: the new card takes the next free ID rather than
    // writing over that photo.
    Settings &s = m_context.settings;
    const QString folder = m_context.MonthDataFolder();
    const qint32 before = s.CardIdCounter;
    const auto taken = [&folder](qint32 id) {
        const QString name = folder + QString::number(id);
        return QFile::exists(name + QStringLiteral(".jpg")) || QFile::exists(name + QStringLiteral("_1.jpg"));
    };
    while (s.CardIdCounter >= 0 && s.CardIdCounter < std::numeric_limits<qint32>::max() - 1
           && taken(s.CardIdCounter + 1))
        ++s.CardIdCounter;
    if (s.CardIdCounter != before)
        m_log.WriteLog(QStringLiteral("Счётчик ID карточек поднят с %1 до %2: фото следующих ID уже есть в %3")
                           .arg(before)
                           .arg(s.CardIdCounter)
                           .arg(folder));
}

bool Weighing::StoreNewCard()
{
    // One store at a time: a request during a store (automatic mode, a
    // second click) is refused rather than interleaved with it.
    if (m_storing || !checkWeightAvailable())
        return false;
    m_storing = true;
    // A store just after midnight goes into the new day's file, whether or
    // not the clock tick has noticed the new day yet.
    followClock();
    // The live values follow the type, tare and litter as they are now, not
    // as they were at the last reading: a type chosen just before the click
    // must not store the previous type's weights.
    if (m_frame == Frame::DataEntry)
        UpdateLiveWeights();

    // Nothing doubtful is written unasked: a net of 0 or less, a second
    // open card for one vehicle.
    const bool single = m_operationType == OperationTypes::single();
    if (!newCardWanted() || (single && !confirmNet(m_live.net, m_entryTexts[VehicleNumber]))) {
        m_storing = false;
        emit changed();
        return false;
    }
    // The additional values as the entry frame holds them now.
    const ExtraParams extras = m_extras.extraValues;
    const int n = storeNewTodayCard([this](CargoCard &c, const NewCardNumbers &numbers) {
        const Settings &s = m_context.settings;
        c = CargoCard();
        c.operationType = m_operationType.left(32);
        for (int i = 0; i < CardTextCount; ++i)
            c.texts[size_t(i)] = limitEntry(i, m_entryTexts[size_t(i)]);
        const QDateTime now = m_context.clock.now();
        const bool single = c.operationType == OperationTypes::single();
        c.date2 = single ? toOleDate(now.date()) : 0;
        c.time2 = single ? toOleTime(now.time()) : 0;
        c.litterPercent = ParseNumber(m_entryLitter);
        c.id = numbers.id;
        c.number = numbers.number;
        c.date1 = toOleDate(now.date());
        c.time1 = toOleTime(now.time());
        c.status = single ? Statuses::complete() : Statuses::incomplete();
        c.gross = m_live.gross;
        c.net = m_live.net;
        c.tare = m_live.tare;
        c.weight1 = m_live.first;
        c.weight2 = m_live.second;
        applyDerivedWeights(c);
        c.sumWeight = s.SumWeight;
        c.sumCount = s.SumCount;
        for (int i = 0; i < CardTextCount; ++i)
            m_extras.FindPickListEntry(i, c.texts[size_t(i)]);
    }, extras, CardChange::Store);
    m_storing = false;
    if (n > 0) {
        learnPickLists(m_shown);
        noteTare(m_shown);
    }
    emit changed();
    return n > 0;
}

bool Weighing::storeFromEntry()
{
    if (!StoreNewCard())
        return false;
    if (m_context.operatorSettings.clearEntryAfterStore()) {
        m_entryTexts.fill(QString());
        m_entryLitter.clear();
        // The next vehicle's type is chosen anew: a loading's type must not
        // put the next truck's weight into the tare.
        selectOperationType(OperationTypes::unloading());
        emit entryCleared();
    }
    return true;
}

bool Weighing::CompleteCard(Kind kind)
{
    if (m_opened < 1 || m_storing || !checkWeightAvailable())
        return false;
    // Yesterday's card still shown after midnight belongs to the archive now.
    if (followClock())
        return false;
    const DayCard read = m_openedRead;
    const CargoCard completed = completeCard(read.card, kind, m_weighingWeight, m_context.clock.now());
    if (!confirmNet(completed.net, completed.texts[VehicleNumber]))
        return false;
    if (const StoreResult committed = m_commit.commit({{read, completed, std::nullopt}}, CardChange::Completion);
        !committed) {
        reportFailure(notStoredMessage(QString(), committed.reason));
        // The card stays open as the file holds it now.
        chooseTodayCard(read.number);
        return false;
    }
    m_grossButton = m_tareButton = false;
    m_opened = 0;
    m_openedRead = DayCard();
    m_netColour = m_tareColour = DarkGreen;
    m_photos.showCardPhotos(CardPhotos::Frame::CurrentCard, m_context.MonthDataFolder(), m_shown.id);
    m_receiptButton = true;
    emit changed();
    return true;
}

void Weighing::showRead(const DayCard &read)
{
    m_shownRead = read;
    m_shown = read.card;
    m_liveLitter = NumberText(m_shown.litterPercent);
    emit changed();
}

void Weighing::ShowCurrentCard(int n)
{
    if (n < 1)
        return;
    showRead(m_days.ReadDayCard(m_context.clock.today(), n));
}

void Weighing::chooseTodayCard(int n)
{
    ShowCurrentCard(n);
    SetCompletionButtons(n);
}

void Weighing::chooseOpenCard(int n)
{
    chooseTodayCard(n);
    emit openCardChosen();
}

void Weighing::SetCompletionButtons(int n)
{
    if (n < 1)
        return;
    const QDate today = m_context.clock.today();
    openForCompletion(m_shownRead.day == today && m_shownRead.number == n ? m_shownRead
                                                                          : m_days.ReadDayCard(today, n));
}

void Weighing::openForCompletion(const DayCard &read)
{
    const CargoCard &c = read.card;
    const int n = read.number;
    m_netColour = DarkGreen;
    m_tareColour = DarkGreen;
    m_opened = 0;
    m_openedRead = DayCard();
    if (IsIncomplete(c.status)) {
        m_receiptButton = m_grossButton = m_tareButton = false;
        if (c.operationType == OperationTypes::loading()) {
            m_grossButton = true;
            m_netColour = LightGreen;
            m_opened = n;
        } else if (c.operationType == OperationTypes::unloading()) {
            m_tareButton = true;
            m_tareColour = LightGreen;
            m_opened = n;
        }
        if (m_opened != 0)
            m_openedRead = read;
    } else {
        m_receiptButton = true;
        m_grossButton = m_tareButton = false;
    }
    emit changed();
}
