#include "ReportFrame.h"

#include "core/ui/AccessibleNames.h"
#include "reports/PeriodReport.h"
#include "reports/ReportPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTwipsPerInch = 1440;
// The progress bar is painted at most this often while a report is built.
constexpr qint64 kProgressPaintMs = 40;
// Room the header leaves around a caption, in pixels.
constexpr int kCaptionMargin = 12;

QLabel *buddyLabel(const QString &caption, QWidget *field, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(field);
    field->setAccessibleName(caption);
    return label;
}

} // namespace

ReportFrame::ReportFrame(PeriodReport &report, QWidget *parent)
    : QWidget(parent)
    , m_report(report)
    , m_date1(new QLineEdit(this))
    , m_date2(new QLineEdit(this))
    , m_parameter(new QComboBox(this))
    , m_build(new QPushButton(u"Сформировать"_s, this))
    , m_rows(new QCheckBox(u"Раскрыть строки"_s, this))
    , m_columns(new QCheckBox(u"Раскрыть столбцы"_s, this))
    , m_progress(new QProgressBar(this))
    , m_print(new QPushButton(u"Печать отчета"_s, this))
    , m_textMode(new QCheckBox(u"текст"_s, this))
    , m_landscape(new QCheckBox(u"альбомная"_s, this))
    , m_grid(new QTableView(this))
{
    installCaptionedComboBoxes();
    setObjectName(u"ReportFrame"_s);
    auto *frame = new QGroupBox(u"Отчеты о работе весов"_s, this);
    frame->setAccessibleName(frame->title());

    m_date1->setMaxLength(10);
    m_date2->setMaxLength(10);
    m_build->setAccessibleName(m_build->text());
    m_rows->setAccessibleName(m_rows->text());
    m_columns->setAccessibleName(m_columns->text());
    m_progress->setRange(0, 100);
    m_progress->setAccessibleName(u"Формирование отчета"_s);
    // The bar keeps its room while hidden: showing it for a build must not
    // lay the window out again and repaint the whole grid twice.
    QSizePolicy keepRoom = m_progress->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepRoom);
    m_progress->hide();
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(m_print), static_cast<QAbstractButton *>(m_textMode),
                                    static_cast<QAbstractButton *>(m_landscape)}) {
        button->setAccessibleName(button->text());
        button->setEnabled(false);
    }

    auto *controls = new QGridLayout(frame);
    controls->addWidget(buddyLabel(u"Дата 1"_s, m_date1, frame), 0, 0);
    controls->addWidget(m_date1, 0, 1);
    controls->addWidget(buddyLabel(u"Дата 2"_s, m_date2, frame), 1, 0);
    controls->addWidget(m_date2, 1, 1);
    controls->addWidget(buddyLabel(u"Выбор параметра"_s, m_parameter, frame), 0, 2);
    controls->addWidget(m_parameter, 1, 2);
    controls->addWidget(m_build, 0, 3);
    controls->addWidget(m_progress, 1, 3);
    controls->addWidget(m_rows, 0, 4);
    controls->addWidget(m_columns, 1, 4);
    controls->addWidget(m_print, 0, 5);
    auto *printOptions = new QHBoxLayout;
    printOptions->addWidget(m_textMode);
    printOptions->addWidget(m_landscape);
    controls->addLayout(printOptions, 1, 5);
    controls->setColumnStretch(7, 1);
    m_controls = controls;

    m_grid->setAccessibleName(u"Таблица отчета"_s);
    m_grid->setModel(m_report.model());
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    // Fixed heights keep a table of a hundred thousand rows cheap to show.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);
    // A scroll bar that comes and goes with each build would narrow the
    // grid and have it painted over again.
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    layout->addWidget(m_grid, 1);

    m_report.setCaptionWidth([this](const QString &caption) {
        const int pixels = m_grid->horizontalHeader()->fontMetrics().horizontalAdvance(caption) + kCaptionMargin;
        return pixels * kTwipsPerInch / qMax(1, m_grid->logicalDpiX());
    });
    if (!m_report.progressDisplay())
        m_report.setProgressDisplay(this);

    connect(m_date1, &QLineEdit::textEdited, &m_report, &PeriodReport::setDate1Text);
    connect(m_date2, &QLineEdit::textEdited, &m_report, &PeriodReport::setDate2Text);
    connect(m_parameter, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_syncing)
            m_report.setSelectedEntry(index);
    });
    connect(m_build, &QPushButton::clicked, this, &ReportFrame::build);
    connect(m_date1, &QLineEdit::returnPressed, this, &ReportFrame::build);
    connect(m_date2, &QLineEdit::returnPressed, this, &ReportFrame::build);
    connect(m_rows, &QCheckBox::clicked, this, [this](bool on) {
        m_report.setRowsExpanded(on);
        m_report.ApplyExpandOptions();
    });
    connect(m_columns, &QCheckBox::clicked, this, [this](bool on) {
        m_report.setColumnsExpanded(on);
        m_report.ApplyExpandOptions();
    });
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        m_report.ToggleGroup(m_report.model()->tableRow(index.row()));
    });
    connect(&m_report, &PeriodReport::fieldsChanged, this, &ReportFrame::syncFields);
    connect(&m_report, &PeriodReport::columnsChanged, this, &ReportFrame::syncColumns);

    syncFields();
    syncColumns();
}

ReportFrame::~ReportFrame()
{
    // The report may outlive its frame.
    if (m_report.progressDisplay() == this)
        m_report.setProgressDisplay(nullptr);
    m_report.setCaptionWidth({});
}

void ReportFrame::attachPrinter(ReportPrinter &printer)
{
    m_printer = &printer;
    m_textMode->setChecked(printer.textMode());
    m_landscape->setChecked(printer.landscape());
    connect(m_textMode, &QCheckBox::toggled, &printer, &ReportPrinter::setTextMode);
    connect(m_landscape, &QCheckBox::toggled, &printer, &ReportPrinter::setLandscape);
    connect(m_print, &QPushButton::clicked, &printer, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The picture starts at the table's first row, as the grid does once scrolled up.
        if (!m_printer->textMode())
            m_grid->scrollToTop();
        m_printer->PrintReport();
        QApplication::restoreOverrideCursor();
    });
    for (QWidget *w : {static_cast<QWidget *>(m_print), static_cast<QWidget *>(m_textMode),
                       static_cast<QWidget *>(m_landscape)})
        w->setEnabled(true);
}

void ReportFrame::enterView()
{
    showMessage(m_report.enterView());
}

void ReportFrame::addSourceControls(QWidget *controls)
{
    m_controls->addWidget(controls, 0, 6, 2, 1);
}

void ReportFrame::build()
{
    showMessage(m_report.BuildPeriodReport());
}

void ReportFrame::showMessage(ReportMessage message)
{
    if (message == ReportMessage::None)
        return;
    QString text = reportMessageText(message);
    if (message == ReportMessage::SourceFailed)
        text += m_report.sourceError();
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, this);
    box.exec();
}

void ReportFrame::syncFields()
{
    m_syncing = true;
    if (m_date1->text() != m_report.date1Text())
        m_date1->setText(m_report.date1Text());
    if (m_date2->text() != m_report.date2Text())
        m_date2->setText(m_report.date2Text());

    const QStringList entries = m_report.parameterEntries();
    bool same = m_parameter->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = m_parameter->itemText(i) == entries[i];
    if (!same) {
        m_parameter->clear();
        m_parameter->addItems(entries);
    }
    m_parameter->setCurrentIndex(m_report.selectedEntry());
    m_rows->setChecked(m_report.rowsExpanded());
    m_columns->setChecked(m_report.columnsExpanded());
    m_syncing = false;
}

void ReportFrame::syncColumns()
{
    const ReportTable &table = m_report.table();
    for (int c = 0; c < table.columnCount(); ++c) {
        const int width = table.columnWidth(c);
        m_grid->setColumnHidden(c, width == 0);
        if (width > 0)
            m_grid->setColumnWidth(c, twipsToPixels(width));
    }
}

int ReportFrame::twipsToPixels(int twips) const
{
    return qMax(1, qRound(double(twips) * m_grid->logicalDpiX() / kTwipsPerInch));
}

void ReportFrame::beginProgress()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_progress->setValue(0);
    m_progress->show();
    m_progress->repaint();
    m_sincePaint.start();
}

void ReportFrame::stepProgress(int done, int total)
{
    const int value = total > 0 ? int(qint64(done) * 100 / total) : 0;
    // No event loop runs during a build, so the bar is painted on the spot,
    // but not more often than the eye follows: each repaint costs as much as
    // reading several day files, and the bar paints itself on most changes
    // of its value. A full bar is hidden right away; painting it would only
    // paint the rebuilt grid once more.
    if (value == m_progress->value() || value >= 100
        || (m_sincePaint.isValid() && m_sincePaint.elapsed() < kProgressPaintMs))
        return;
    m_progress->setValue(value);
    m_progress->repaint();
    m_sincePaint.start();
}

void ReportFrame::endProgress()
{
    m_progress->hide();
    QApplication::restoreOverrideCursor();
}
