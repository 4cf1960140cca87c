#include "UnoSpreadsheetApplication.h"

#include "OfficeProcess.h"
#include <csignal>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/BorderLine2.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#include <typelib/typedescription.hxx>

#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include <errno.h>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using rtl::OUString;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// An xls keeps 65536 rows and 256 columns.
constexpr int MaxRow = 65536;
constexpr int MaxColumn = 256;

// Border widths in 1/100 mm that the Excel 97 filter writes as thin and medium.
constexpr sal_uInt32 ThinWidth = 26;
constexpr sal_uInt32 MediumWidth = 62;

OUString toOu(const QString &text)
{
    return OUString(reinterpret_cast<const sal_Unicode *>(text.utf16()), sal_Int32(text.size()));
}

OUString fileUrl(const QString &path)
{
    return toOu(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()));
}

css::beans::PropertyValue property(const char *name, const Any &value)
{
    css::beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

css::uno::Sequence<css::beans::PropertyValue> properties(std::initializer_list<css::beans::PropertyValue> list)
{
    return css::uno::Sequence<css::beans::PropertyValue>(list.begin(), sal_Int32(list.size()));
}

bool validCell(int row, int column)
{
    return row >= 1 && row <= MaxRow && column >= 1 && column <= MaxColumn;
}

// The in-process UNO runtime, once per program. Without URE_BOOTSTRAP it
// lacks the office's types and the first remote call crashes, so that is
// checked before anything is used.
Reference<css::uno::XComponentContext> localContext()
{
    static std::once_flag once;
    static Reference<css::uno::XComponentContext> context;
    std::call_once(once, [] {
        const QString rc = u"vnd.sun.star.pathname:"_s + QString::fromUtf8(TARVO_OFFICE_PROGRAM_DIR)
            + u"/fundamentalrc"_s;
        rtl::Bootstrap::set(OUString("URE_BOOTSTRAP"), toOu(rc));
        try {
            Reference<css::uno::XComponentContext> created = cppu::defaultBootstrap_InitialComponentContext();
            if (css::uno::TypeDescription(OUString("com.sun.star.frame.XDesktop2")).is())
                context = created;
        } catch (const css::uno::Exception &) {
        }
    });
    return context;
}

// Another run of the program that still lives (a zombie does not).
bool otherRunAlive(qint64 pid)
{
    if (pid <= 0 || pid == QCoreApplication::applicationPid())
        return true;
    if (::kill(pid_t(pid), 0) != 0)
        return errno != ESRCH;
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

// A program that died without ending its office leaves the office's profile
// and pipe in the temporary folder; both carry that program's process id.
void removeLeftoversOfDeadRuns()
{
    const QDir temp(QDir::tempPath());
    for (const QString &name : temp.entryList({u"tarvo-office-*"_s}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!otherRunAlive(name.section(u'-', 2, 2).toLongLong()))
            QDir(temp.filePath(name)).removeRecursively();
    }
    const QDir pipes(u"/tmp"_s);
    const QString prefix = u"OSL_PIPE_%1_tarvo-"_s.arg(::getuid());
    for (const QString &name : pipes.entryList({prefix + u'*'}, QDir::System)) {
        if (!otherRunAlive(name.mid(prefix.size()).section(u'-', 0, 0).toLongLong()))
            QFile::remove(pipes.filePath(name));
    }
}

css::lang::Locale locale(const char *language, const char *country)
{
    return css::lang::Locale(OUString::createFromAscii(language), OUString::createFromAscii(country), OUString());
}

} // namespace

struct UnoSpreadsheetApplication::Private
{
    struct Workbook
    {
        Reference<css::lang::XComponent> component;
        Reference<css::sheet::XSpreadsheet> sheet;
        Reference<css::util::XNumberFormats> formats;
        std::map<QString, sal_Int32> formatKeys;
    };

    Options options;
    std::unique_ptr<QTemporaryDir> profile;
    std::unique_ptr<OfficeProcess> process;
    std::atomic<qint64> officeGroup{0};
    std::atomic<int> starts{0};
    QString pipe;

    Reference<css::uno::XComponentContext> remote;
    Reference<css::frame::XDesktop2> desktop;

    std::map<int, Workbook> workbooks;
    std::vector<int> order; // the last one is active
    int nextHandle = 1;

    bool alive();
    bool startOffice();
    void dropConnection();
    void stopOffice();

    int adopt(const Reference<css::lang::XComponent> &component);
    static void closeDocument(const Reference<css::lang::XComponent> &component);
    Workbook *active();
    void forget(int handle);
    Reference<css::table::XCell> cell(int row, int column);
    static sal_Int32 formatKey(Workbook &book, const QString &code);
    bool setBorders(int row, int column, sal_uInt32 width, bool keepWidth);
};

bool UnoSpreadsheetApplication::Private::alive()
{
    if (!desktop.is() || !process || !process->isRunning())
        return false;
    try {
        // A round trip: throws once the office or the pipe has gone.
        return remote->getServiceManager().is();
    } catch (const css::uno::RuntimeException &) {
        return false;
    }
}

bool UnoSpreadsheetApplication::Private::startOffice()
{
    const Reference<css::uno::XComponentContext> local = localContext();
    if (!local.is())
        return false;
    static std::once_flag cleaned;
    std::call_once(cleaned, [] {
        // Writing to the pipe of an office that just died must fail the job,
        // not end the program with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        removeLeftoversOfDeadRuns();
    });
    QString profileFolder = options.profileFolder;
    if (profileFolder.isEmpty()) {
        if (!profile)
            profile = std::make_unique<QTemporaryDir>(
                u"%1/tarvo-office-%2-XXXXXX"_s.arg(QDir::tempPath()).arg(QCoreApplication::applicationPid()));
        if (!profile->isValid())
            return false;
        profileFolder = profile->path();
    }
    // Unique across this program's offices and any left by an earlier run.
    static std::atomic<int> pipeCounter{0};
    pipe = u"tarvo-%1-%2-%3"_s.arg(QCoreApplication::applicationPid())
                             .arg(++pipeCounter)
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
    process = std::make_unique<OfficeProcess>(options.program);
    if (!process->start(profileFolder, pipe))
        return false;
    officeGroup = process->processId();
    ++starts;

    const OUString url = toOu(u"uno:pipe,name="_s + pipe + u";urp;StarOffice.ComponentContext"_s);
    const QDeadlineTimer deadline(options.startTimeoutMs);
    int restarts = 0;
    try {
        const Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
        for (;;) {
            try {
                remote.set(resolver->resolve(url), UNO_QUERY_THROW);
                break;
            } catch (const css::connection::NoConnectException &) {
                if (deadline.hasExpired())
                    return false;
                if (!process->isRunning()) {
                    if (!process->askedForRestart() || ++restarts > 3 || !process->start(profileFolder, pipe))
                        return false;
                    officeGroup = process->processId();
                }
                QThread::msleep(20);
            }
        }
        desktop = css::frame::Desktop::create(remote);
        return true;
    } catch (const css::uno::Exception &) {
        dropConnection();
        return false;
    }
}

void UnoSpreadsheetApplication::Private::dropConnection()
{
    workbooks.clear();
    order.clear();
    desktop.clear();
    remote.clear();
}

void UnoSpreadsheetApplication::Private::stopOffice()
{
    bool asked = false;
    if (desktop.is()) {
        try {
            asked = desktop->terminate();
        } catch (const css::uno::Exception &) {
            // The pipe closes while the office ends.
            asked = true;
        }
    }
    dropConnection();
    if (process) {
        // An office asked to end gets a moment to do so; one that never
        // answered is ended at once. The group goes in any case, with
        // whatever the launcher left behind.
        if (asked)
            process->waitForExit(3000);
        process->kill();
        process.reset();
        // A killed office leaves its pipe's socket behind.
        if (!pipe.isEmpty())
            QFile::remove(u"/tmp/OSL_PIPE_%1_%2"_s.arg(::getuid()).arg(pipe));
    }
    officeGroup = 0;
}

int UnoSpreadsheetApplication::Private::adopt(const Reference<css::lang::XComponent> &component)
{
    if (!component.is())
        return 0;
    try {
        Workbook book;
        book.component = component;
        const Reference<css::sheet::XSpreadsheetDocument> document(component, UNO_QUERY_THROW);
        const Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
        book.sheet.set(sheets->getByIndex(0), UNO_QUERY_THROW);
        const Reference<css::util::XNumberFormatsSupplier> supplier(component, UNO_QUERY_THROW);
        book.formats = supplier->getNumberFormats();
        const int handle = nextHandle++;
        workbooks.emplace(handle, std::move(book));
        order.push_back(handle);
        return handle;
    } catch (const css::uno::Exception &) {
        // Not a workbook (a text file under an .xls name opens as text):
        // it must not stay open in the office.
        closeDocument(component);
        return 0;
    }
}

void UnoSpreadsheetApplication::Private::closeDocument(const Reference<css::lang::XComponent> &component)
{
    try {
        const Reference<css::util::XCloseable> closeable(component, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            component->dispose();
    } catch (const css::uno::Exception &) {
    }
}

UnoSpreadsheetApplication::Private::Workbook *UnoSpreadsheetApplication::Private::active()
{
    if (order.empty())
        return nullptr;
    return &workbooks.at(order.back());
}

void UnoSpreadsheetApplication::Private::forget(int handle)
{
    workbooks.erase(handle);
    std::erase(order, handle);
}

Reference<css::table::XCell> UnoSpreadsheetApplication::Private::cell(int row, int column)
{
    Workbook *book = active();
    if (!book || !validCell(row, column))
        return {};
    return book->sheet->getCellByPosition(column - 1, row - 1);
}

sal_Int32 UnoSpreadsheetApplication::Private::formatKey(Workbook &book, const QString &code)
{
    auto known = book.formatKeys.find(code);
    if (known == book.formatKeys.end()) {
        // Format codes are read as the automation interface reads them: en-US.
        const css::lang::Locale us = locale("en", "US");
        sal_Int32 key = book.formats->queryKey(toOu(code), us, false);
        if (key == -1)
            key = book.formats->addNew(toOu(code), us);
        known = book.formatKeys.emplace(code, key).first;
    }
    return known->second;
}

bool UnoSpreadsheetApplication::Private::setBorders(int row, int column, sal_uInt32 width, bool keepWidth)
{
    const Reference<css::beans::XPropertySet> props(cell(row, column), UNO_QUERY);
    if (!props.is())
        return false;
    for (const char *edge : {"TopBorder", "BottomBorder", "LeftBorder", "RightBorder"}) {
        const OUString name = OUString::createFromAscii(edge);
        css::table::BorderLine2 line;
        props->getPropertyValue(name) >>= line;
        const sal_uInt32 present = line.LineWidth;
        line = css::table::BorderLine2();
        line.LineStyle = width == 0 ? css::table::BorderLineStyle::NONE : css::table::BorderLineStyle::SOLID;
        line.LineWidth = keepWidth && present > 0 ? present : width;
        props->setPropertyValue(name, Any(line));
    }
    return true;
}

// Every operation: an office error makes it report failure, nothing more.
template <typename Result, typename Operation>
Result guarded(Result failed, Operation operation)
{
    try {
        return operation();
    } catch (const css::uno::Exception &) {
        return failed;
    }
}

UnoSpreadsheetApplication::UnoSpreadsheetApplication(const Options &options)
    : d(std::make_unique<Private>())
{
    d->options = options;
}

UnoSpreadsheetApplication::~UnoSpreadsheetApplication()
{
    shutDown();
}

std::unique_ptr<UnoSpreadsheetApplication> UnoSpreadsheetApplication::createIfInstalled(const Options &options)
{
    const QFileInfo program(options.program);
    if (!program.isFile() || !program.isExecutable())
        return nullptr;
    return std::make_unique<UnoSpreadsheetApplication>(options);
}

std::unique_ptr<UnoSpreadsheetApplication> UnoSpreadsheetApplication::createIfInstalled()
{
    return createIfInstalled(Options());
}

QString UnoSpreadsheetApplication::defaultProgram()
{
    return QString::fromUtf8(TARVO_OFFICE_PROGRAM_DIR) + u"/soffice.bin"_s;
}

bool UnoSpreadsheetApplication::create()
{
    if (d->alive())
        return true;
    d->stopOffice();
    if (d->startOffice())
        return true;
    // An office that does not answer is not left running.
    d->stopOffice();
    return false;
}

int UnoSpreadsheetApplication::addWorkbook()
{
    return guarded(0, [&] {
        if (!d->desktop.is())
            return 0;
        const Reference<css::frame::XComponentLoader> loader(d->desktop, UNO_QUERY_THROW);
        const css::uno::Sequence<css::beans::PropertyValue> args = properties({property("Hidden", Any(true))});
        const Reference<css::lang::XComponent> component
            = loader->loadComponentFromURL(OUString("private:factory/scalc"), OUString("_blank"), 0, args);
        return d->adopt(component);
    });
}

bool UnoSpreadsheetApplication::activateWorkbook(int workbook)
{
    if (!d->workbooks.contains(workbook))
        return false;
    std::erase(d->order, workbook);
    d->order.push_back(workbook);
    return true;
}

int UnoSpreadsheetApplication::openWorkbook(const QString &path)
{
    return guarded(0, [&] {
        if (!d->desktop.is() || !QFileInfo(path).isFile())
            return 0;
        const Reference<css::frame::XComponentLoader> loader(d->desktop, UNO_QUERY_THROW);
        const css::uno::Sequence<css::beans::PropertyValue> args = properties({
            property("Hidden", Any(true)),
            // A workbook is data: none of its macros or links run here.
            property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
            property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
        });
        const Reference<css::lang::XComponent> component
            = loader->loadComponentFromURL(fileUrl(path), OUString("_blank"), 0, args);
        return d->adopt(component);
    });
}

bool UnoSpreadsheetApplication::saveAs(const QString &path)
{
    return guarded(false, [&] {
        Private::Workbook *book = d->active();
        if (!book)
            return false;
        const Reference<css::frame::XStorable> storable(book->component, UNO_QUERY_THROW);
        const css::uno::Sequence<css::beans::PropertyValue> args = properties({
            property("FilterName", Any(OUString("MS Excel 97"))),
            property("Overwrite", Any(true)),
        });
        storable->storeAsURL(fileUrl(path), args);
        return true;
    });
}

bool UnoSpreadsheetApplication::save()
{
    return guarded(false, [&] {
        Private::Workbook *book = d->active();
        if (!book)
            return false;
        const Reference<css::frame::XStorable> storable(book->component, UNO_QUERY_THROW);
        if (!storable->hasLocation())
            return false;
        storable->store();
        return true;
    });
}

bool UnoSpreadsheetApplication::close()
{
    Private::Workbook *book = d->active();
    if (!book)
        return false;
    const Reference<css::lang::XComponent> component = book->component;
    d->forget(d->order.back());
    return guarded(false, [&] {
        const Reference<css::util::XCloseable> closeable(component, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            component->dispose();
        return true;
    });
}

bool UnoSpreadsheetApplication::closeAll()
{
    bool ok = true;
    while (!d->order.empty())
        ok = close() && ok;
    return ok;
}

void UnoSpreadsheetApplication::quit()
{
    // The office stays up for the next workbook; only the caller's
    // workbooks go.
    closeAll();
}

bool UnoSpreadsheetApplication::setCellInteger(int row, int column, qint64 value)
{
    return setCellDouble(row, column, double(value));
}

bool UnoSpreadsheetApplication::setCellDouble(int row, int column, double value)
{
    if (!std::isfinite(value))
        return false;
    return guarded(false, [&] {
        const Reference<css::table::XCell> target = d->cell(row, column);
        if (!target.is())
            return false;
        target->setValue(value);
        return true;
    });
}

bool UnoSpreadsheetApplication::setCellDate(int row, int column, double oleDate)
{
    if (!std::isfinite(oleDate))
        return false;
    return guarded(false, [&] {
        const Reference<css::table::XCell> target = d->cell(row, column);
        if (!target.is())
            return false;
        target->setValue(oleDate);
        Private::Workbook *book = d->active();
        const Reference<css::beans::XPropertySet> props(target, UNO_QUERY_THROW);
        sal_Int32 key = 0;
        props->getPropertyValue(OUString("NumberFormat")) >>= key;
        sal_Int16 type = 0;
        book->formats->getByKey(key)->getPropertyValue(OUString("Type")) >>= type;
        using css::util::NumberFormat::DATE;
        using css::util::NumberFormat::TIME;
        if ((type & (DATE | TIME)) == 0) {
            // The dates of the program's own texts, with the time when there is one.
            const QString code = oleDate == std::floor(oleDate) ? u"dd.mm.yyyy"_s : u"dd.mm.yyyy hh:mm:ss"_s;
            props->setPropertyValue(OUString("NumberFormat"), Any(Private::formatKey(*book, code)));
        }
        return true;
    });
}

bool UnoSpreadsheetApplication::setCellText(int row, int column, const QString &text)
{
    return guarded(false, [&] {
        const Reference<css::text::XTextRange> target(d->cell(row, column), UNO_QUERY);
        if (!target.is())
            return false;
        target->setString(toOu(text));
        return true;
    });
}

bool UnoSpreadsheetApplication::setNumberFormat(int row, int column, const QString &format)
{
    return guarded(false, [&] {
        const Reference<css::beans::XPropertySet> props(d->cell(row, column), UNO_QUERY);
        if (!props.is())
            return false;
        props->setPropertyValue(OUString("NumberFormat"), Any(Private::formatKey(*d->active(), format)));
        return true;
    });
}

bool UnoSpreadsheetApplication::setBorderLineStyle(int row, int column, LineStyle style)
{
    return guarded(false, [&] {
        // A continuous line keeps a weight already given, as Borders.LineStyle does.
        return d->setBorders(row, column, style == LineStyle::None ? 0 : ThinWidth, style != LineStyle::None);
    });
}

bool UnoSpreadsheetApplication::setBorderWeight(int row, int column, BorderWeight weight)
{
    return guarded(false, [&] {
        return d->setBorders(row, column, weight == BorderWeight::Medium ? MediumWidth : ThinWidth, false);
    });
}

bool UnoSpreadsheetApplication::setHorizontalAlignment(int row, int column, Alignment alignment)
{
    return guarded(false, [&] {
        const Reference<css::beans::XPropertySet> props(d->cell(row, column), UNO_QUERY);
        if (!props.is())
            return false;
        css::table::CellHoriJustify justify = css::table::CellHoriJustify_LEFT;
        if (alignment == Alignment::Right)
            justify = css::table::CellHoriJustify_RIGHT;
        else if (alignment == Alignment::Center)
            justify = css::table::CellHoriJustify_CENTER;
        props->setPropertyValue(OUString("HoriJustify"), Any(justify));
        return true;
    });
}

bool UnoSpreadsheetApplication::setColumnWidth(int column, double characters)
{
    Private::Workbook *book = d->active();
    if (!book || column < 1 || column > MaxColumn || !(characters >= 0 && characters <= 255))
        return false;
    return guarded(false, [&] {
        const Reference<css::table::XColumnRowRange> range(book->sheet, UNO_QUERY_THROW);
        const Reference<css::beans::XPropertySet> props(range->getColumns()->getByIndex(column - 1), UNO_QUERY_THROW);
        // The Excel 97 filter turns 1/100 mm back into characters this way.
        const sal_Int32 width = sal_Int32(std::lround((characters + 5.0 / 7.0) * 195.8));
        props->setPropertyValue(OUString("Width"), Any(width));
        return true;
    });
}

void UnoSpreadsheetApplication::abort()
{
    const qint64 group = d->officeGroup.exchange(0);
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL);
}

void UnoSpreadsheetApplication::shutDown()
{
    d->stopOffice();
}

int UnoSpreadsheetApplication::startCount() const
{
    return d->starts;
}

qint64 UnoSpreadsheetApplication::processId() const
{
    return d->officeGroup;
}
