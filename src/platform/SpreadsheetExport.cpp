#include "SpreadsheetExport.h"

#include "SpreadsheetApplication.h"
#include "SpreadsheetService.h"

#include "core/AppContext.h"
#include "core/Formats.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr double NarrowColumn = 16;
constexpr double TextColumn = 25;
constexpr int FirstTextColumn = 9;
constexpr int LastTextColumn = 15;

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
    if (app.openWorkbook(templatePath) != 0) {
        app.saveAs(target);
        app.close();
    }
    app.quit();
}
