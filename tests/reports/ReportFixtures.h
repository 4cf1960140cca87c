#pragma once

// Day files for the report tests, written through the store's own codec,
// under a base folder of their own and a fixed today.

#include "core/AppContext.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "reports/PeriodReport.h"
#include "store/DayFileCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace fixtures {

using namespace Qt::StringLiterals;

inline CargoCard card(const QString &cargo, const QString &status, double gross, double tare = 0)
{
    CargoCard c;
    c.texts = {cargo, u"ТН-1"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС 77"_s, u"Иванов И.И."_s, QString()};
    c.operationType = OperationTypes::unloading();
    c.status = status;
    c.gross = gross;
    c.tare = tare;
    c.net = gross - tare;
    c.cleanWeight = c.net;
    c.time1 = toOleDate(QDate(1899, 12, 30), QTime(8, 5));
    return c;
}

// Numbers, IDs and dates of `day` are given here; incomplete cards get no
// second weighing.
inline void writeDay(const Folders &folders, const QDate &day, QList<CargoCard> cards, int firstId = 1)
{
    QVERIFY(folders.createMonthDataFolder(day));
    QByteArray bytes = encodeCountRecord(qint32(cards.size()));
    for (int i = 0; i < cards.size(); ++i) {
        CargoCard &c = cards[i];
        c.number = i + 1;
        c.id = firstId + i;
        c.date1 = toOleDate(day);
        if (!IsIncomplete(c.status)) {
            c.date2 = c.date1;
            c.time2 = toOleDate(QDate(1899, 12, 30), QTime(9, 30, 15));
        }
        bytes += encodeDayCard(c);
    }
    QFile f(dayFilePath(folders, day));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

struct Bench
{
    QTemporaryDir dir;
    Clock clock;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<PeriodReport> report;

    explicit Bench(const QDate &today = QDate(2012, 3, 15))
    {
        clock.setNow(QDateTime(today, QTime(10, 0)));
        context = std::make_unique<AppContext>(clock, Folders(dir.path()));
        context->settings.ParamNames = defaultParamNames(u"кг"_s);
        report = std::make_unique<PeriodReport>(*context);
        report->loadMainWindow();
    }

    const Folders &folders() const { return context->folders; }
    const ReportTable &table() const { return report->table(); }
    ReportMessage build(const QString &start, const QString &end, int entry = 0)
    {
        report->setDate1Text(start);
        report->setDate2Text(end);
        report->setSelectedEntry(entry);
        return report->BuildPeriodReport();
    }
    QString text(int row, int column) const { return table().text(row, column).toString(); }
    // The cell of main parameter `param` in the current layout.
    QString value(int row, int param) const { return text(row, report->columnLayout().paramColumn[size_t(param)]); }
    int rows() const { return table().rowCount(); }
    // Column 0 or 1 of every row below the captions.
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 1; r < rows(); ++r)
            out << text(r, c);
        return out;
    }
};

} // namespace fixtures
