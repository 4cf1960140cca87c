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

#include <algorithm>

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
    m_entries.clear();
    for (int p : GroupingParams)
        m_entries.append(MainParamName(m_context.settings, p));
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
        m_entries.clear();
        for (int p : GroupingParams)
            m_entries.append(MainParamName(m_context.settings, p));
        emit fieldsChanged();
    }
    ApplyColumnCaptions();
    applyColumnOption();
    emit columnsChanged();
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

    m_table.clear(2);
    m_dataRows = 0;
    // The view must never look at rows the build is still moving around.
    m_model.reload();
    ApplyGroupingChoice();
    ApplyColumnCaptions();

    bool any = false;
    if (m_source) {
        std::vector<CargoCard> cards;
        if (!m_source->cardsOf(start, end, cards, m_sourceError)) {
            m_model.reload();
            emit columnsChanged();
            if (m_progress)
                m_progress->endProgress();
            return ReportMessage::SourceFailed;
        }
        for (const CargoCard &card : cards)
            appendCardRow(card);
        any = true;
        progress(80);
    } else if (const int year = firstYearWithFolder(start.year(), end.year()); year != 0) {
        QDate day = year > start.year() ? QDate(year, 1, 1) : start;
        const qint64 days = day.daysTo(end) + 1;
        for (qint64 i = 0; day <= end; day = day.addDays(1), ++i) {
            const QString path = dayFilePath(m_context.folders, day);
            if (QFileInfo::exists(path))
                Data_Read_Report(path);
            progress(int(i * 80 / days));
        }
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    file.close();

    for (int n = 1; n <= MaxDayCards; ++n) {
        if (decodeDayCardId(data, n) == 0)
            break;
        appendCardRow(decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n))));
    }
}

void PeriodReport::appendCardRow(const CargoCard &card)
{
    const int last = m_table.columnCount() - 1;
    // Cells are set one by one, so a TAB inside a text stays in its cell.
    const bool closed = isClosedByCopy(card);
    std::array<QString, ReportRow::MaxCells> cells;
    qsizetype size = 0;
    for (int c = 1; c <= last; ++c) {
        const int param = m_layout.columnParam[size_t(c)];
        cells[size_t(c)] = reportCellText(card, param);
        // Brackets tell on paper, also in text mode, what is not summed.
        if (closed && std::find(kSummed.begin(), kSummed.end(), param) != kSummed.end())
            cells[size_t(c)] = u'(' + cells[size_t(c)] + u')';
        size += cells[size_t(c)].size();
    }
    ReportRow row;
    row.reserve(size);
    for (int c = 0; c <= last; ++c)
        row.appendCell(cells[size_t(c)]);
    row.setUnsummed(closed);

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
    std::vector<ReportRow> grouped;
    grouped.reserve(rows.size() + 64);
    grouped.push_back(std::move(rows.front()));

    auto header = [](QStringView group) {
        ReportRow row;
        row.appendCell(u"-");
        row.appendCell(group);
        return row;
    };
    if (rows.size() < 2)
        grouped.push_back(header({}));
    for (size_t i = 1; i < rows.size(); ++i) {
        // The previous data row holds the current group's text.
        if (i == 1 || rows[i].cell(1) != grouped.back().cell(1))
            grouped.push_back(header(rows[i].cell(1)));
        grouped.push_back(std::move(rows[i]));
    }
    m_table.setRows(std::move(grouped));
}

void PeriodReport::sumUpwards()
{
    std::array<int, kSummed.size()> columns{};
    for (size_t i = 0; i < kSummed.size(); ++i)
        columns[i] = m_layout.paramColumn[size_t(kSummed[i])];
    const int statusColumn = m_layout.paramColumn[Status];
    const int total = m_table.rowCount() - 1;

    std::array<double, kSummed.size()> group{};
    std::array<double, kSummed.size()> grand{};
    auto writeSums = [&](int row, const std::array<double, kSummed.size()> &sums) {
        for (size_t i = 0; i < kSummed.size(); ++i) {
            if (columns[i] != ReportColumnLayout::None)
                m_table.setText(row, columns[i], NumberText(sums[i]));
        }
    };

    for (int r = total; r >= 1; --r) {
        if (!m_table.text(r, 0).isEmpty()) {
            m_table.setRowStyle(r, 0, HeaderColour, true, HeaderFontWidth);
            writeSums(r, group);
            for (size_t i = 0; i < kSummed.size(); ++i)
                grand[i] += group[i];
            group.fill(0);
            continue;
        }
        if (m_table.row(r).isUnsummed()) {
            m_table.setRowStyle(r, 1, ClosedByCopyColour, false, 0);
            continue;
        }
        const QString status = m_table.text(r, statusColumn).toString();
        if (IsDeleted(status)) {
            m_table.setRowStyle(r, 1, DeletedColour, false, 0);
            continue;
        }
        if (IsIncomplete(status))
            m_table.setRowStyle(r, 1, IncompleteColour, false, 0);
        for (size_t i = 0; i < kSummed.size(); ++i) {
            if (columns[i] != ReportColumnLayout::None)
                group[i] += ParseNumber(m_table.text(r, columns[i]));
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
    ::ApplyGroupingChoice(m_layout, m_selected);
}

void PeriodReport::ApplyColumnCaptions()
{
    const int last = m_layout.lastColumn();
    m_table.setCaption(0, markerCaption(), ReportTable::Alignment::Centre);
    for (int c = 1; c <= last; ++c) {
        const int param = m_layout.columnParam[size_t(c)];
        m_table.setCaption(c, MainParamName(m_context.settings, param), ReportTable::Alignment::Right);
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
