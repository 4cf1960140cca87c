#include "SpreadsheetExport.h"

#include "SpreadsheetApplication.h"
#include "SpreadsheetService.h"

#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/OleDate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr double NarrowColumn = 16;
constexpr double TextColumn = 25;
constexpr int FirstTextColumn = 9;
constexpr int LastTextColumn = 15;
constexpr int RowColumns = 25;
// Columns after the first, in the order the row writer sets them.
constexpr std::array<int, 24> RowOrder = {9, 10, 11, 12, 13, 14, 15, 7, 8, 21, 2, 5, 6, 3, 4, 16, 18, 17, 19, 20, 22, 23, 24, 25};

bool syncPath(const QString &path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QString rowFailure(int row, const QString &path)
{
    return u"не записана строка %1 книги %2"_s.arg(row).arg(QFileInfo(path).fileName());
}

} // namespace

SpreadsheetExport::SpreadsheetExport(AppContext &context, SpreadsheetService &service)
    : m_context(context)
    , m_service(service)
{
    QObject::connect(&m_service, &SpreadsheetService::startFinished, &m_service, [flags = &context](bool started) {
        if (!started)
            flags->ExcelAvailable = 0;
    });
}

bool SpreadsheetExport::probe()
{
    return m_service.start();
}

bool SpreadsheetExport::available() const
{
    return m_context.ExcelAvailable == 1;
}

QString SpreadsheetExport::templatePath() const
{
    return m_context.folders.TemplateFolder + u"Tip30.xls"_s;
}

QString SpreadsheetExport::dayWorkbookPath(const QDate &date) const
{
    return m_context.folders.MonthResultFolder(m_context.settings.ResultFolder, date) + ShortDateText(date) + u".xls"_s;
}

QString SpreadsheetExport::accountingWorkbookPath(const QDate &date) const
{
    return m_context.folders.MonthResultFolder(m_context.settings.ResultFolder, date) + ShortDateText(date)
        + u"_1C.xls"_s;
}

QStringList SpreadsheetExport::headerNames(const std::array<QString, 25> &paramNames)
{
    QStringList names;
    for (int param : ColumnParams)
        names.append(paramNames[param]);
    return names;
}

void SpreadsheetExport::CreateSpreadsheetTemplate()
{
    if (!available())
        return;
    m_service.post([path = templatePath(), headers = headerNames(m_context.settings.ParamNames)](
                       SpreadsheetApplication &app) {
        if (!PathExists(path))
            buildTemplate(app, path, headers);
    });
}

void SpreadsheetExport::EnsureDayWorkbooks(bool withAccountingWorkbook)
{
    if (!available())
        return;
    const QDate today = m_context.clock.today();
    QStringList targets{dayWorkbookPath(today)};
    if (withAccountingWorkbook)
        targets.append(accountingWorkbookPath(today));
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, today);
    m_service.post([source = templatePath(), targets](SpreadsheetApplication &app) {
        QStringList missing;
        for (const QString &target : targets) {
            if (!PathExists(target))
                copyTemplate(app, source, target);
            if (!PathExists(target))
                missing << QFileInfo(target).fileName();
        }
        if (!missing.isEmpty())
            throw SpreadsheetJobFailed{u"не создана книга "_s + missing.join(u", "_s)};
    });
}

void SpreadsheetExport::WriteWeighingRow(const QString &path, int row, const WorkbookRow &cells, const QDate &date)
{
    if (!available() || row < 3)
        return;
    m_service.post([path, row, cells, date = toOleDate(date)](SpreadsheetApplication &app) {
        app.create();
        app.openWorkbook(path);
        if (!setCell(app, row, 1, cells[0])) {
            // One retry on an application made ready again.
            app.closeAll();
            app.quit();
            app.create();
            app.openWorkbook(path);
            setCell(app, row, 1, cells[0]);
        }
        writeRowCells(app, row, cells);
        app.setCellDate(1, 2, date);
        const bool saved = saveReplacing(app, path);
        app.quit();
        if (!saved)
            throw SpreadsheetJobFailed{rowFailure(row, path)};
    });
}

void SpreadsheetExport::WriteCellText(const QString &path, int row, int column, const QString &text)
{
    if (!available() || row < 1)
        return;
    m_service.post([path, row, column, text](SpreadsheetApplication &app) {
        app.create();
        app.openWorkbook(path);
        app.setCellText(row, column, text);
        const bool saved = saveReplacing(app, path);
        app.quit();
        if (!saved)
            throw SpreadsheetJobFailed{rowFailure(row, path)};
    });
}

void SpreadsheetExport::RebuildWorkbook(const QString &path, const Rows &rows, const QDate &date,
                                        std::function<void(int, int)> progress, std::function<void(bool)> finished)
{
    if (!available()) {
        finished(false);
        return;
    }
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, date);
    // Reported once per posted job, whether it ran, failed or was dropped.
    struct Report
    {
        std::function<void(bool)> finished;
        bool done = false;
        ~Report()
        {
            if (finished)
                finished(done);
        }
    };
    auto report = std::make_shared<Report>();
    report->finished = std::move(finished);
    m_service.post([source = templatePath(), path, rows, date = toOleDate(date), progress, report](
                       SpreadsheetApplication &app) {
        report->done = false;
        app.create();
        bool opened = app.openWorkbook(source) != 0;
        for (qsizetype i = 0; i < rows.size() && opened; ++i) {
            const auto &[row, cells] = rows[i];
            setCell(app, row, 1, cells[0]);
            writeRowCells(app, row, cells);
            if (progress)
                progress(int(i + 1), int(rows.size()));
        }
        if (opened)
            app.setCellDate(1, 2, date);
        const bool saved = opened && saveReplacing(app, path);
        app.quit();
        if (!saved)
            throw SpreadsheetJobFailed{u"не создана заново книга "_s + QFileInfo(path).fileName()};
        report->done = true;
    });
}

void SpreadsheetExport::release()
{
    m_service.shutdown();
}

void SpreadsheetExport::buildTemplate(SpreadsheetApplication &app, const QString &path, const QStringList &headers)
{
    // Built under another name and put in place only once saved, so an
    // interrupted build never leaves a template that would not be rebuilt.
    const QString building = path.chopped(4) + u".building.xls"_s;
    using A = SpreadsheetApplication;
    app.create();
    const int book = app.addWorkbook();
    app.activateWorkbook(book);
    app.saveAs(building);
    app.close();
    app.openWorkbook(building);
    app.setCellText(1, 1, u"Отчет за:"_s);
    app.setHorizontalAlignment(1, 1, A::Alignment::Right);
    app.setBorderLineStyle(1, 2, A::LineStyle::Continuous);
    app.setBorderWeight(1, 2, A::BorderWeight::Medium);
    for (int column = 1; column <= 25; ++column) {
        app.setColumnWidth(column, NarrowColumn);
        app.setBorderWeight(2, column, A::BorderWeight::Medium);
    }
    for (int column = 1; column <= 25 && column <= headers.size(); ++column)
        app.setCellText(2, column, headers[column - 1]);
    for (int column = FirstTextColumn; column <= LastTextColumn; ++column)
        app.setColumnWidth(column, TextColumn);
    const bool saved = app.save();
    app.close();
    app.quit();
    if (!saved || !QFile::rename(building, path)) {
        QFile::remove(building);
        throw SpreadsheetJobFailed{u"не создан шаблон "_s + QFileInfo(path).fileName()};
    }
}

void SpreadsheetExport::copyTemplate(SpreadsheetApplication &app, const QString &templatePath, const QString &target)
{
    app.create();
    if (app.openWorkbook(templatePath) != 0)
        saveReplacing(app, target);
    app.quit();
}

bool SpreadsheetExport::setCell(SpreadsheetApplication &app, int row, int column, const WorkbookCell &cell)
{
    switch (cell.kind) {
    case WorkbookCell::Kind::Integer:
        return app.setCellInteger(row, column, qint64(cell.number));
    case WorkbookCell::Kind::Double:
        return app.setCellDouble(row, column, cell.number);
    case WorkbookCell::Kind::Date:
        return app.setCellDate(row, column, cell.number);
    case WorkbookCell::Kind::Time:
        // The format first, so the value is shown as a time from the start.
        app.setNumberFormat(row, column, u"h:mm:ss"_s);
        return app.setCellDate(row, column, cell.number);
    case WorkbookCell::Kind::Text:
        return app.setCellText(row, column, cell.text);
    }
    return false;
}

void SpreadsheetExport::writeRowCells(SpreadsheetApplication &app, int row, const WorkbookRow &cells)
{
    for (int column = 1; column <= RowColumns; ++column)
        app.setBorderLineStyle(row, column, SpreadsheetApplication::LineStyle::Continuous);
    for (int column : RowOrder)
        setCell(app, row, column, cells[size_t(column - 1)]);
}

QString SpreadsheetExport::savingPath(const QString &path)
{
    const QFileInfo target(path);
    return target.path() + u"/."_s + target.fileName() + u".saving"_s;
}

bool SpreadsheetExport::saveReplacing(SpreadsheetApplication &app, const QString &path)
{
    const QString saving = savingPath(path);
    QFile::remove(saving);
    const bool saved = app.saveAs(saving);
    app.close();
    // On disk before it takes the old one's place, and the rename with it.
    if (!saved || !syncPath(saving, false)
        || std::rename(QFile::encodeName(saving).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(saving);
        return false;
    }
    syncPath(QFileInfo(path).path(), true);
    return true;
}
