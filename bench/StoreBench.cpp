// Times StoreNewCard (day file and settings, flushed to disk; the exports
// are not part of it) over a day that grows to 300 cards:
//   build/bin/tarvo-bench-store [folder]
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/ParamExtras.h"
#include "weighing/CardServices.h"
#include "weighing/Weighing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class NoExports final : public CardExports
{
public:
    void prepareDay(bool) override {}
    void writeDayWorkbookRow(int) override {}
    void writeAccountingWorkbookRow(int) override {}
    void writeAccountingTexts(int) override {}
    void writeTextReportHeaders() override {}
    void writeArchiveStatus(const QString &, const QDate &, int, const QString &) override {}
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();

    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    AppContext context(clock, Folders(root));
    context.LoadOrCreateSettings();
    context.createMonthFolders();
    WorkingCards cards;
    EventLog log(context);
    DayFiles days(context, log, cards);
    days.LoadToday();
    ExtraNames names;
    ParamExtras extras(names, context.folders.BaseFolder);
    NoExports exports;
    NoCardPhotos photos;
    Weighing weighing(context, log, days, cards, extras, exports, photos);
    const QStringList texts{u"Щебень гранитный"_s, u"ТН-1"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС 77"_s,
                            u"Иванов И.И."_s, QString()};
    for (int i = 0; i < 7; ++i)
        weighing.setEntryText(i, texts[i]);

    std::vector<double> ms;
    for (int i = 0; i < 300; ++i) {
        weighing.setTerminalWeight(30000 + i);
        weighing.UpdateLiveWeights();
        QElapsedTimer t;
        t.start();
        weighing.StoreNewCard();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("StoreNewCard, %zu cards in %s\n", ms.size(), qPrintable(root));
    std::printf("median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n", ms[ms.size() / 2], ms[ms.size() * 9 / 10],
                ms.back());
    return 0;
}
