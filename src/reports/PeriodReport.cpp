#include "PeriodReport.h"

#include "ReportCellText.h"
#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/ProgressDisplay.h"
#include "store/DayFileCodec.h"
#include "card/CargoCard.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// The six summed parameters, in the order the sums are kept.
constexpr std::array<int, 6> kSummed = {Gross, Net, Tare, CleanWeight, LitterWeight, LitterPercent};

const QString &markerCaption()
{
    static const QString caption(11, u' ');
    return caption;
}

// The marker column is no layout column; it is just wide enough for "+".
constexpr int kMarkerWidth = 300;
constexpr int kMaxWidth = 32767;

// The first and last column that "Раскрыть столбцы" hides.
constexpr int kFirstFolding = 2;
constexpr int kLastFolding = 13;

static_assert(kSummed.size() == ReportRow::SummandCount);

bool isSummed(int param)
{
    return std::find(kSummed.begin(), kSummed.end(), param) != kSummed.end();
}

// A data row's look and what it adds to the sums, from its cells: deleted
// cards and cards closed by a later copy add nothing.
void finishDataRow(ReportRow &row, bool closed, const ReportColumnLayout &layout, int last)
{
    auto cell = [&](int column) { return column >= 1 && column <= last ? row.cell(column) : QStringView(); };
    const QStringView status = cell(layout.paramColumn[Status]);
    if (closed) {
        row.setUnsummed(true);
        row.setStyle(1, PeriodReport::ClosedByCopyColour, false, 0);
    } else if (IsDeleted(status)) {
        row.setStyle(1, PeriodReport::DeletedColour, false, 0);
        row.setMark(ReportRow::Mark::Deleted);
    } else {
        if (IsIncomplete(status)) {
            row.setStyle(1, PeriodReport::IncompleteColour, false, 0);
            row.setMark(ReportRow::Mark::Incomplete);
        }
        ReportRow::Summands values{};
        for (size_t i = 0; i < kSummed.size(); ++i)
            values[i] = ParseNumber(cell(layout.paramColumn[size_t(kSummed[i])]));
        row.setSummands(values);
    }
}

// The most cards a day file of `size` bytes can hold: every slot whose ID
// is there, the last one possibly cut short.
qint64 cardCapacity(qint64 size)
{
    constexpr qint64 IdBytes = 4;
    const qint64 beyondCount = size - DayFileLayout::RecordSize - IdBytes;
    return beyondCount < 0 ? 0 : qMin<qint64>(PeriodReport::MaxDayCards, beyondCount / DayFileLayout::CardBytes + 1);
}

// The data rows of one day file in card order into `out`, at most
// `capacity`, each with its look and what it adds to the sums: everything a
// row needs is worked out here, so the days of a period can be read on
// several threads at once. Returns how many rows it wrote.
qsizetype readDayRows(const QString &path, const ReportColumnLayout &layout, int last, ReportRow *out,
                      qsizetype capacity)
{
    QFile file(path);
    if (capacity <= 0 || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;
    const QByteArray data = file.read(DayFileLayout::cardOffset(capacity + 1));
    file.close();
    qsizetype count = 0;

    last = qMin(last, ReportRow::MaxCells - 1);
    // Each cell is written into one buffer, brackets included, and the row
    // takes them all at once.
    char16_t text[ReportRow::MaxCells * (ReportCellCapacity + 2)];
    std::array<qsizetype, ReportRow::MaxCells + 1> end{};
    for (int n = 1; n <= capacity; ++n) {
        if (decodeDayCardId(data, n) == 0)
            break;
        const DayCardSlot card(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n)));
        char16_t status[DayFileLayout::ShortTextBytes];
        char16_t operation[DayFileLayout::ShortTextBytes];
        const bool closed = closedByCopy(QStringView(status, card.text(Status, status)),
                                         QStringView(operation, card.text(OperationType, operation)),
                                         card.value(Date2), card.value(Net), card.value(Gross), card.value(Tare));

        qsizetype size = 0;
        for (int c = 1; c <= last; ++c) {
            const int param = layout.columnParam[size_t(c)];
            // Brackets tell on paper, also in text mode, what is not summed.
            const bool bracketed = closed && isSummed(param);
            if (bracketed)
                text[size++] = u'(';
            size += reportCellChars(card, param, text + size);
            if (bracketed)
                text[size++] = u')';
            end[size_t(c)] = size;
        }
        ReportRow row = ReportRow::fromJoined(QStringView(text, size), end.data(), last + 1);

        finishDataRow(row, closed, layout, last);
        out[count++] = std::move(row);
    }
    return count;
}

// Runs `read(i)` for i = 0..count-1 on every core, the calling thread
// included; `done(finished)` runs on the calling thread after each of its own.
template <class Read, class Done>
void onAllCores(qint64 count, Read read, Done done)
{
    std::atomic<qint64> next{0};
    std::atomic<qint64> finished{0};
    auto work = [&](bool caller) {
        for (qint64 i; (i = next++) < count;) {
            read(i);
            const qint64 f = ++finished;
            if (caller)
                done(f);
        }
    };
    std::vector<std::thread> helpers;
    for (int k = 1; k < QThread::idealThreadCount() && k < count; ++k) {
        try {
            helpers.emplace_back(work, false);
        } catch (const std::system_error &) {
            break; // fewer threads, the same result
        }
    }
    work(true);
    for (std::thread &t : helpers)
        t.join();
}

// The row of one card; thread-safe.
ReportRow cardRow(const CargoCard &card, const QString &site, const ReportColumnLayout &layout, int last)
{
    // Cells are set one by one, so a TAB inside a text stays in its cell.
    const bool closed = PeriodReport::isClosedByCopy(card);
    std::array<QString, ReportRow::MaxCells> cells;
    qsizetype size = 0;
    for (int c = 1; c <= last; ++c) {
        const int param = layout.columnParam[size_t(c)];
        cells[size_t(c)] = param == ReportColumnLayout::SiteParam ? site : reportCellText(card, param);
        // Brackets tell on paper, also in text mode, what is not summed.
        if (closed && std::find(kSummed.begin(), kSummed.end(), param) != kSummed.end())
            cells[size_t(c)] = u'(' + cells[size_t(c)] + u')';
        size += cells[size_t(c)].size();
    }
    ReportRow row;
    row.reserve(size);
    for (int c = 0; c <= last; ++c)
        row.appendCell(cells[size_t(c)]);
    finishDataRow(row, closed, layout, last);
    return row;
}

} // namespace

PeriodReport::PeriodReport(AppContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_keptStart(1899, 12, 30)
    , m_keptEnd(1899, 12, 30)
    , m_model(m_table)
{
    ::ResetColumnLayout(m_layout);
    m_table.clear(2);
    m_model.reload();
}

void PeriodReport::loadMainWindow()
{
    const QString today = ShortDateText(m_context.clock.today());
    m_date1 = today;
    m_date2 = today;
    prepareGrid();
    m_entries = groupingEntries();
    m_selected = 0;
    emit fieldsChanged();
}

void PeriodReport::prepareGrid()
{
    ResetColumnLayout();
    ApplyColumnCaptions();
}

ReportMessage PeriodReport::enterView()
{
    ApplyColumnCaptions();
    // The captions bring every column back; the check box still decides.
    applyColumnOption();
    emit columnsChanged();
    if (m_keptStart == m_keptEnd)
        return BuildPeriodReport();
    return ReportMessage::None;
}

void PeriodReport::applyParamNames()
{
    if (!m_entries.isEmpty()) {
        m_entries = groupingEntries();
        emit fieldsChanged();
    }
    ApplyColumnCaptions();
    applyColumnOption();
    emit columnsChanged();
}

QString PeriodReport::siteCaption() { return QStringLiteral("Весы"); }

bool PeriodReport::manySites() const { return m_source && m_source->manySites(); }

QStringList PeriodReport::groupingEntries() const
{
    QStringList entries;
    for (int p : GroupingParams)
        entries.append(MainParamName(m_context.settings, p));
    if (manySites())
        entries.append(siteCaption());
    return entries;
}

void PeriodReport::setCardSource(ReportCards *source)
{
    m_source = source;
    sourceChanged();
}

void PeriodReport::sourceChanged()
{
    if (m_entries.isEmpty())
        return;
    m_entries = groupingEntries();
    if (m_selected >= m_entries.size())
        m_selected = 0;
    emit fieldsChanged();
}

void PeriodReport::setDate1Text(const QString &text)
{
    if (m_date1 != text) {
        m_date1 = text;
        emit fieldsChanged();
    }
}

void PeriodReport::setDate2Text(const QString &text)
{
    if (m_date2 != text) {
        m_date2 = text;
        emit fieldsChanged();
    }
}

void PeriodReport::setSelectedEntry(int entry)
{
    if (entry < -1 || entry >= m_entries.size())
        entry = -1;
    if (m_selected != entry) {
        m_selected = entry;
        emit fieldsChanged();
    }
}

void PeriodReport::setRowsExpanded(bool on)
{
    if (m_rowsExpanded != on) {
        m_rowsExpanded = on;
        emit fieldsChanged();
    }
}

void PeriodReport::setColumnsExpanded(bool on)
{
    if (m_columnsExpanded != on) {
        m_columnsExpanded = on;
        emit fieldsChanged();
    }
}

QDate PeriodReport::parseDate(const QString &text)
{
    static const QRegularExpression shape(u"^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})\\s*$"_s);
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return QDate();
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

ReportMessage PeriodReport::checkPeriod(const QDate &start, const QDate &end) const
{
    if (!start.isValid() || !end.isValid())
        return ReportMessage::BadDate;
    if (start > end)
        return ReportMessage::StartAfterEnd;
    if (start < earliestStart())
        return ReportMessage::StartTooEarly;
    if (end > m_context.clock.today())
        return ReportMessage::EndAfterToday;
    return ReportMessage::None;
}

int PeriodReport::firstYearWithFolder(int fromYear, int toYear) const
{
    for (int year = fromYear; year <= toYear; ++year) {
        if (QFileInfo(m_context.folders.DataRoot + QString::number(year)).isDir())
            return year;
    }
    return 0;
}

void PeriodReport::progress(int percent)
{
    if (m_progress && percent != m_progressShown) {
        m_progressShown = percent;
        m_progress->stepProgress(percent, 100);
    }
}

ReportMessage PeriodReport::BuildPeriodReport()
{
    const QDate start = parseDate(m_date1);
    const QDate end = parseDate(m_date2);
    m_keptStart = start;
    m_keptEnd = end;
    if (const ReportMessage message = checkPeriod(start, end); message != ReportMessage::None) {
        const QDate today = m_context.clock.today();
        m_date1 = ShortDateText(today);
        m_date2 = m_date1;
        m_keptStart = today;
        m_keptEnd = today;
        emit fieldsChanged();
        return message;
    }

    if (m_progress)
        m_progress->beginProgress();
    m_progressShown = -1;
    progress(0);

    // The last report's rows are kept aside: the new rows are read into
    // their block, and each worker frees the old row it writes over.
    std::vector<ReportRow> rows = m_table.takeRows();
    m_table.clear(2);
    m_dataRows = 0;
    // The view must never look at rows the build is still moving around.
    m_model.reload();
    ApplyGroupingChoice();
    ApplyColumnCaptions();

    bool any = false;
    if (m_source) {
        std::vector<CargoCard> cards;
        std::vector<QString> sites;
        if (!m_source->cardsOf(start, end, cards, sites, m_sourceError)) {
            m_model.reload();
            emit columnsChanged();
            if (m_progress)
                m_progress->endProgress();
            return ReportMessage::SourceFailed;
        }
        // The rows of the cards are made on all cores, in their order.
        const int last = m_table.columnCount() - 1;
        rows.reserve(2 * (1 + cards.size()) + 1);
        rows.resize(qMax<size_t>(2, 1 + cards.size()));
        rows[0] = m_table.row(0);
        rows[1] = ReportRow();
        constexpr qint64 kChunk = 4096;
        onAllCores((qint64(cards.size()) + kChunk - 1) / kChunk, [&](qint64 i) {
            const size_t end = std::min(cards.size(), size_t(i + 1) * size_t(kChunk));
            for (size_t k = size_t(i) * size_t(kChunk); k < end; ++k)
                rows[1 + k] = cardRow(cards[k], k < sites.size() ? sites[k] : QString(), m_layout, last);
        }, [](qint64) {});
        m_dataRows = int(cards.size());
        m_table.setRows(std::move(rows));
        any = true;
        progress(80);
    } else if (const int year = firstYearWithFolder(start.year(), end.year()); year != 0) {
        // The days are independent: they are read on all cores straight
        // into their places in the table, then closed up in the order of
        // the days, as one walk through them would have left them.
        struct Day
        {
            QString path;
            size_t first = 0;
            qsizetype capacity = 0;
            qsizetype count = 0;
        };
        std::vector<Day> days;
        size_t slotCount = 0;
        const QDate first = year > start.year() ? QDate(year, 1, 1) : start;
        const qint64 walked = first.daysTo(end) + 1;
        for (qint64 i = 0; i < walked; ++i) {
            const QString path = dayFilePath(m_context.folders, first.addDays(i));
            const QFileInfo info(path);
            if (info.exists()) {
                days.push_back({path, slotCount, qsizetype(cardCapacity(info.size())), 0});
                slotCount += size_t(days.back().capacity);
            }
            // Looking for the files of a long period on a slow disk takes a while too.
            progress(int(i * 20 / walked));
        }
        // The block of the last report is used again: memory a report has
        // never touched costs far more to take than to fill. Room for a
        // group header above every row and the total row, so the rows never
        // move to a larger block; what a report does not use of it is never
        // touched.
        rows.reserve(2 * (1 + slotCount) + 1);
        rows.resize(qMax<size_t>(2, 1 + slotCount));
        // The table keeps its caption and empty row, all the view sees,
        // until the new rows are all in place.
        rows[0] = m_table.row(0);
        rows[1] = ReportRow();
        const int last = m_table.columnCount() - 1;
        onAllCores(qint64(days.size()),
                   [&](qint64 i) {
                       Day &d = days[size_t(i)];
                       d.count = readDayRows(d.path, m_layout, last, rows.data() + 1 + d.first, d.capacity);
                   },
                   [&](qint64 finished) { progress(20 + int(finished * 60 / qint64(days.size()))); });
        size_t to = 1;
        for (const Day &d : days) {
            for (qsizetype k = 0; k < d.count; ++k, ++to) {
                if (to != 1 + d.first + size_t(k))
                    rows[to] = std::move(rows[1 + d.first + size_t(k)]);
            }
        }
        m_dataRows = int(to - 1);
        // Without cards the table keeps its empty row 1.
        rows.resize(qMax<size_t>(to, 2));
        m_table.setRows(std::move(rows));
        progress(80);
        any = true;
    }
    if (any) {
        m_table.sort(1, m_table.rowCount() - 1, 1, m_table.columnCount() - 1);
        progress(90);
        insertGroupHeaders();
        m_table.appendRow(ReportRow::fromTabText(u"*\tИТОГО: "));
        sumUpwards();
        progress(95);
        if (!m_rowsExpanded)
            applyRowOption();
    }
    applyColumnOption();

    m_model.reload();
    emit columnsChanged();
    progress(100);
    if (m_progress)
        m_progress->endProgress();
    return ReportMessage::None;
}

bool PeriodReport::isClosedByCopy(const CargoCard &card)
{
    return closedByCopy(card);
}

void PeriodReport::Data_Read_Report(const QString &path)
{
    std::vector<ReportRow> rows(size_t(cardCapacity(QFileInfo(path).size())));
    rows.resize(size_t(readDayRows(path, m_layout, m_table.columnCount() - 1, rows.data(), qsizetype(rows.size()))));
    for (ReportRow &row : rows) {
        // The first card takes the empty row the cleared table starts with,
        // so a report of cards has no empty group of its own.
        if (m_dataRows == 0 && m_table.rowCount() == 2 && m_table.row(1).cellCount() == 0)
            m_table.setRow(1, std::move(row));
        else
            m_table.insertRow(m_dataRows + 1, std::move(row));
        ++m_dataRows;
    }
}

void PeriodReport::appendCardRow(const CargoCard &card)
{
    ReportRow row = cardRow(card, QString(), m_layout, m_table.columnCount() - 1);
    // The first card takes the empty row the cleared table starts with,
    // so a report of cards has no empty group of its own.
    const int at = m_dataRows + 1;
    if (m_dataRows == 0 && m_table.rowCount() == 2 && m_table.row(1).cellCount() == 0) {
        m_table.setRow(1, std::move(row));
    } else {
        m_table.insertRow(at, std::move(row));
    }
    ++m_dataRows;
}

void PeriodReport::insertGroupHeaders()
{
    std::vector<ReportRow> rows = m_table.takeRows();
    auto header = [](QStringView group) {
        ReportRow row;
        row.appendCell(u"-");
        row.appendCell(group);
        return row;
    };
    // A header above row 1 and above every row whose group text differs
    // from the row before it. The texts lie all over the heap after the
    // sort, so each is asked for a while before it is compared.
    const size_t n = rows.size();
    std::vector<bool> startsGroup(n);
    size_t headers = n < 2 ? 1 : 0;
    constexpr size_t Ahead = 16;
    for (size_t i = 1; i < n; ++i) {
        if (i + Ahead < n)
            __builtin_prefetch(rows[i + Ahead].cell(1).utf16());
        startsGroup[i] = i == 1 || rows[i].cell(1) != rows[i - 1].cell(1);
        headers += startsGroup[i];
    }
    // In place from the bottom up: each row moves down by the headers above it.
    rows.resize(n + headers);
    size_t to = rows.size();
    for (size_t i = n; i-- > 1;) {
        rows[--to] = std::move(rows[i]);
        if (startsGroup[i]) {
            --to;
            rows[to] = header(rows[to + 1].cell(1));
        }
    }
    if (n < 2)
        rows[1] = header({});
    m_table.setRows(std::move(rows));
}

void PeriodReport::sumUpwards()
{
    std::array<int, kSummed.size()> columns{};
    for (size_t i = 0; i < kSummed.size(); ++i)
        columns[i] = m_layout.paramColumn[size_t(kSummed[i])];
    const int total = m_table.rowCount() - 1;

    std::array<double, kSummed.size()> group{};
    std::array<double, kSummed.size()> grand{};
    auto writeSums = [&](int row, const std::array<double, kSummed.size()> &sums) {
        for (size_t i = 0; i < kSummed.size(); ++i) {
            if (columns[i] != ReportColumnLayout::None)
                m_table.setText(row, columns[i], NumberText(sums[i]));
        }
    };

    // Data rows were coloured when they were read and carry what they add:
    // deleted cards and cards closed by a later copy add nothing.
    for (int r = total; r >= 1; --r) {
        const ReportRow &row = m_table.row(r);
        if (!row.marker().isEmpty()) {
            m_table.setRowStyle(r, 0, HeaderColour, true, HeaderFontWidth);
            writeSums(r, group);
            for (size_t i = 0; i < kSummed.size(); ++i)
                grand[i] += group[i];
            group.fill(0);
        } else if (row.hasSummands()) {
            for (size_t i = 0; i < kSummed.size(); ++i)
                group[i] += row.summands()[i];
        }
    }
    // Written once at the end: the result is the running total after the
    // last group, without rewriting the row for every group on the way.
    writeSums(total, grand);
}

void PeriodReport::ResetColumnLayout()
{
    ::ResetColumnLayout(m_layout);
}

void PeriodReport::ApplyGroupingChoice()
{
    ::ApplyGroupingChoice(m_layout, m_selected, manySites());
}

void PeriodReport::ApplyColumnCaptions()
{
    const int last = m_layout.lastColumn();
    m_table.setCaption(0, markerCaption(), ReportTable::Alignment::Centre);
    for (int c = 1; c <= last; ++c) {
        const int param = m_layout.columnParam[size_t(c)];
        m_table.setCaption(c, param == ReportColumnLayout::SiteParam ? siteCaption() : MainParamName(m_context.settings, param),
                           ReportTable::Alignment::Right);
    }
    m_table.setColumnCount(last + 1);

    auto measured = [this](int column) {
        return m_captionWidth ? m_captionWidth(m_table.text(0, column).toString()) : 0;
    };
    m_table.setColumnWidth(0, qMax(kMarkerWidth, measured(0)));
    for (int c = 1; c < ReportColumnLayout::Size && m_layout.columnWidth[size_t(c)] != 0; ++c) {
        const int width = qBound(0, qMax<int>(m_layout.columnWidth[size_t(c)], measured(c)), kMaxWidth);
        m_layout.columnWidth[size_t(c)] = qint16(width);
        m_table.setColumnWidth(c, width);
    }
    m_model.updateCaptions();
    emit columnsChanged();
}

void PeriodReport::ToggleGroup(int row)
{
    const int last = m_table.rowCount() - 1;
    if (row <= 0 || row >= last)
        return;
    int head = row;
    while (head >= 1 && m_table.text(head, 0).isEmpty())
        --head;
    if (head < 1)
        return;

    m_table.setText(head, 0, m_table.text(head, 0) == u"-" ? u"+" : u"-");
    const bool show = m_table.isRowHidden(head + 1);
    int r = head + 1;
    for (; r <= last && m_table.text(r, 0).isEmpty(); ++r)
        m_table.setRowHidden(r, !show);

    m_model.updateRows(head, head);
    m_model.updateRows(head + 1, r - 1);
}

void PeriodReport::ApplyExpandOptions()
{
    applyColumnOption();
    applyRowOption();
    m_model.reload();
    emit columnsChanged();
}

void PeriodReport::applyColumnOption()
{
    const int last = m_table.columnCount() - 1;
    if (m_columnsExpanded) {
        for (int c = 1; c <= last && c < ReportColumnLayout::Size; ++c)
            m_table.setColumnWidth(c, m_layout.columnWidth[size_t(c)]);
    } else {
        for (int c = kFirstFolding; c <= kLastFolding; ++c)
            m_table.setColumnWidth(c, 0);
    }
}

void PeriodReport::applyRowOption()
{
    for (int r = 1; r < m_table.rowCount(); ++r) {
        const QStringView marker = m_table.text(r, 0);
        if (marker.isEmpty())
            m_table.setRowHidden(r, !m_rowsExpanded);
        else if (marker != u"*")
            m_table.setText(r, 0, m_rowsExpanded ? u"-" : u"+");
    }
}
