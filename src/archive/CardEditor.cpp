#include "CardEditor.h"

#include "ArchiveBrowser.h"
#include "card/CardServices.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Numbers.h"
#include "reports/ReportCellText.h"
#include "store/CardCommit.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "weighing/Weighing.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The whole part, rounded down, of a number read from a field; out of
// range it stops at the ends of a 32-bit number.
qint32 wholePart(double value)
{
    if (std::isnan(value))
        return 0;
    return qint32(std::clamp(std::floor(value), double(std::numeric_limits<qint32>::min()),
                             double(std::numeric_limits<qint32>::max())));
}

// A value as one line of the journal: a control character would break it.
QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20)
            c = u' ';
    return text;
}

} // namespace

CardEditor::CardEditor(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_context(parts.context)
    , m_log(parts.log)
    , m_days(parts.days)
    , m_paramExtras(parts.extras)
    , m_weighing(parts.weighing)
    , m_archive(parts.archive)
    , m_commit(parts.commit)
{
}

QString CardEditor::replacedMessage() { return u"Данные в карточке изменены!"_s; }
QString CardEditor::deletedMessage() { return u"Карточка удалена!"_s; }

QString CardEditor::noCardMessage(int n)
{
    return u"Карточки № %1 нет среди карточек дня: выберите номер от 1 до последней карточки"_s.arg(n);
}

QString CardEditor::deleteQuestion(int n)
{
    return u"Удалить карточку № %1?"_s.arg(n);
}

QString CardEditor::deletedCardMessage(int n)
{
    return u"Карточка № %1 удалена: изменить её нельзя"_s.arg(n);
}

QString CardEditor::title() const
{
    const QString base = u"Изменить параметры записи"_s;
    return m_card.number >= 1 ? base + u" — карточка № %1"_s.arg(m_card.number) : base;
}

QString CardEditor::dayChangedMessage()
{
    return u"Карточка прочитана из файла прошедшего дня: выберите карточку заново"_s;
}

void CardEditor::open(Mode mode)
{
    m_mode = mode;
    const auto &permissions = m_context.settings.EditPermissions;
    m_mainEditable = mode == Correction && permissions[1] == 1;
    m_extrasEditable = mode == Correction && permissions[2] == 1;
    switch (mode) {
    case Correction: {
        // The card the operator chose, when it is one of today's; else the last.
        const DayCard &shown = m_weighing.shownSlot();
        const int n = shown.day == m_context.clock.today() && shown.number >= 1
            ? shown.number
            : qMax(1, int(m_context.settings.DayCardNumber));
        m_numberText = QString::number(n);
        m_selected = n;
        showToday(n);
        break;
    }
    case CurrentView:
        showToday(m_weighing.shownCard().number);
        break;
    case ArchiveView: {
        // The card as the archive frame holds it; the day file is not read again.
        const CargoCard &card = m_archive.shownCard();
        const QString plus = m_archive.plusFilePath();
        m_paramExtras.loadNames();
        m_read = DayCard();
        showCard(card, card.number >= 1 && !plus.isEmpty() ? PlusFile(plus).read(card.number) : ExtraParams());
        break;
    }
    }
}

bool CardEditor::correctionPermitted() const
{
    return m_context.settings.EditPermissions[0] == 1;
}

QString CardEditor::caption(int i) const
{
    return MainParamName(m_context.settings, i);
}

void CardEditor::setText(int i, const QString &text)
{
    if (i >= 0 && i < MainParamCount)
        m_texts[size_t(i)] = text;
}

QString CardEditor::extraCaption(int j, int k) const
{
    return m_paramExtras.names.extraNames[size_t(j)][size_t(k)].trimmed();
}

void CardEditor::setExtraText(int j, int k, const QString &text)
{
    if (j >= 0 && j < Columns && k >= 1 && k <= Rows)
        m_extras[size_t(j)][size_t(k)] = text;
}

void CardEditor::showToday(int n)
{
    m_paramExtras.loadNames();
    m_read = m_days.ReadDayCard(m_context.clock.today(), n);
    if (n < 1) {
        showCard(CargoCard(), ExtraParams());
        return;
    }
    showCard(m_read.card, PlusFile(PlusFile::besideDayFile(m_days.todayPath())).read(n));
}

void CardEditor::showCard(const CargoCard &card, const ExtraParams &extras)
{
    m_card = card;
    for (int i = 0; i < MainParamCount; ++i)
        m_texts[size_t(i)] = reportCellText(card, i);
    for (int j = 0; j < Columns; ++j)
        for (int k = 1; k <= Rows; ++k)
            m_extras[size_t(j)][size_t(k)] = extras[size_t(j)][size_t(k)].trimmed();
    emit changed();
}

void CardEditor::SelectCardForEdit()
{
    if (m_mode != Correction)
        return;
    const int n = wholePart(ParseNumber(m_numberText));
    m_numberText = QString::number(n);
    m_selected = n;
    showToday(n);
    // The slot behind the day's last card is empty, and nothing may be written there.
    if (n > m_context.settings.DayCardNumber)
        emit message(noCardMessage(n));
}

bool CardEditor::fieldStored(int i)
{
    return (i >= 0 && i < CardTextCount) || i == LitterPercent || (i >= Gross && i <= SumCount);
}

CargoCard CardEditor::cardFromTexts(const CargoCard &stored, const std::array<QString, MainParamCount> &texts)
{
    CargoCard c = stored;
    for (int i = 0; i < CardTextCount; ++i)
        c.texts[size_t(i)] = texts[size_t(i)];
    const auto number = [&texts](int i) { return ParseNumber(texts[size_t(i)]); };
    c.litterPercent = number(LitterPercent);
    c.gross = number(Gross);
    c.net = number(Net);
    c.tare = number(Tare);
    c.weight1 = number(Weight1);
    c.weight2 = number(Weight2);
    c.litterWeight = number(LitterWeight);
    c.cleanWeight = number(CleanWeight);
    c.sumWeight = number(SumWeight);
    c.sumCount = wholePart(number(SumCount));
    // A corrected gross, tare or litter % carries the weights computed from
    // them along, as a weighing would; an open card has no net yet.
    if (c.gross != stored.gross || c.tare != stored.tare || c.litterPercent != stored.litterPercent) {
        if (!IsIncomplete(c.status))
            c.net = netWeight(c.gross, c.tare);
        applyDerivedWeights(c);
    }
    // As the day file keeps it: texts cut to their fields.
    return decodeDayCard(encodeDayCard(c));
}

bool CardEditor::writable(int n)
{
    if (m_mode != Correction || n < 1)
        return false;
    if (m_read.day != m_context.clock.today()) {
        emit message(dayChangedMessage());
        return false;
    }
    // Only the card that was read: never an empty slot behind the day's
    // last card, which no list would show.
    if (n > m_context.settings.DayCardNumber || m_read.number != n || !m_read.holdsCard()) {
        emit message(noCardMessage(n));
        return false;
    }
    if (IsDeleted(m_read.card.status)) {
        emit message(deletedCardMessage(n));
        return false;
    }
    // A weighing, a completion or another correction since the window read
    // the card: writing the copy back would undo it.
    if (!m_days.slotUnchanged(m_read)) {
        const QString text = DayFiles::changedMessage(n);
        logLine(text);
        emit message(text);
        return false;
    }
    return true;
}

bool CardEditor::writeBack(const CargoCard &card, const std::optional<ExtraParams> &extras, CardChange change)
{
    if (const StoreResult written = m_commit.commit({{m_read, card, extras}}, change); !written) {
        const QString text = Weighing::notStoredMessage(QString(), written.reason);
        m_log.WriteLog(text);
        emit message(text);
        return false;
    }
    // The window goes on with the card as its slot holds it now.
    m_card = card;
    m_read.card = card;
    m_read.slot = encodeDayCard(card);
    return true;
}

void CardEditor::logLine(const QString &text)
{
    QString line = text;
    if (!m_context.CurrentOperator.isEmpty())
        line += u", оператор: "_s + oneLine(m_context.CurrentOperator);
    m_log.WriteLog(line);
}

bool CardEditor::ReplaceCardParameters()
{
    const int n = m_selected;
    if (!writable(n))
        return false;
    const CargoCard old = m_card;
    if (!writeBack(cardFromTexts(old, m_texts), m_extras, CardChange::Correction))
        return false;

    // The trail: one line per main parameter whose stored value changed.
    const QString card = u"карточка № %1, ID %2: "_s.arg(n).arg(old.id);
    for (int i = 0; i < MainParamCount; ++i) {
        const QString before = reportCellText(old, i);
        const QString after = reportCellText(m_card, i);
        if (before != after)
            logLine(u"Исправлена "_s + card + oneLine(caption(i)) + u" \""_s + oneLine(before) + u"\" заменено на \""_s
                    + oneLine(after) + u'"');
    }
    emit message(replacedMessage());
    showCard(m_card, m_extras);
    return true;
}

bool CardEditor::DeleteCard()
{
    const int n = m_selected;
    if (!writable(n))
        return false;
    if (!m_weighing.questions().confirm(deleteQuestion(n)))
        return false;
    const qint32 id = m_card.id;
    CargoCard deleted = m_card;
    deleted.status = Statuses::deleted();
    if (!writeBack(deleted, std::nullopt, CardChange::Deletion))
        return false;
    logLine(u"Удалена карточка № %1, ID %2"_s.arg(n).arg(id));
    emit message(deletedMessage());
    // The window keeps showing the card, now as deleted.
    showCard(m_card, m_extras);
    return true;
}
