#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/OleDate.h"
#include "core/SettingsFile.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "core/EventLog.h"
#include "store/ParamExtras.h"
#include "store/PlusFile.h"
#include "weighing/Weighing.h"
#include "common/CardRig.h"
#include "common/RecordingServices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 5, 30));

double oleDay(const QDateTime &t) { return toOleDate(t.date()); }
double oleTime(const QDateTime &t) { return toOleDate(QDate(1899, 12, 30), t.time()); }

} // namespace

class TestWeighing : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<WeighingRig> m_rig;
    AppContext *m_context = nullptr;
    QStringList m_calls;
    EventLog *m_log = nullptr;
    ParamExtras *m_extras = nullptr;
    RecordingExports m_exports{m_calls};
    RecordingPhotos m_photos{m_calls};
    DayFiles *m_days = nullptr;
    Weighing *m_w = nullptr;

    void reading(double weight)
    {
        m_w->setTerminalWeight(weight);
        m_w->UpdateLiveWeights();
    }
    QByteArray todayFile() const
    {
        QFile f(m_days->todayPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    CargoCard slot(int n) const
    {
        return decodeDayCard(QByteArrayView(todayFile()).sliced(DayFileLayout::cardOffset(n)));
    }
    // A card as the operator expects it, built field by field.
    CargoCard expected(int n, const QString &type, const QString &status)
    {
        CargoCard c;
        c.texts = {u"Щебень"_s, u"ТН-7"_s, u"Карьер"_s, u"Стройка"_s, u"А123ВС"_s, u"Иванов"_s, QString()};
        c.operationType = type;
        c.status = status;
        c.id = 100 + n;
        c.number = n;
        c.date1 = oleDay(kNow);
        c.time1 = oleTime(kNow);
        return c;
    }
    void fillEntry()
    {
        const QStringList texts{u"Щебень"_s, u"ТН-7"_s, u"Карьер"_s, u"Стройка"_s, u"А123ВС"_s, u"Иванов"_s, QString()};
        for (int i = 0; i < 7; ++i)
            m_w->setEntryText(i, texts[i]);
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(kNow);
        m_rig.reset();
        m_rig = std::make_unique<WeighingRig>(m_clock, m_dir.path(), m_exports, m_photos);
        m_context = &m_rig->context;
        m_log = &m_rig->log;
        m_extras = &m_rig->extras;
        m_days = &m_rig->days;
        m_w = &m_rig->weighing;
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->createMonthFolders();
        m_context->settings.CardIdCounter = 100;
        m_calls.clear();
        QVERIFY(m_days->LoadToday());
        fillEntry();
    }

    // Nothing doubtful is written unasked, and nothing is learnt from it.
    void doubtfulWeighingsAreRefusedOrAsked()
    {
        QStringList said, asked;
        connect(m_w, &Weighing::operatorMessage, this, [&said](const QString &text) { said << text; });
        bool answer = false;
        ForwardedQuestions questions;
        questions.answer = [&](const QString &q) {
            asked << q;
            return answer;
        };
        m_w->setQuestions(questions);
        m_context->operatorSettings.setEmptyPlatformWeight(200);

        // An empty platform, and a truck still driving on.
        reading(200);
        QVERIFY(!m_w->StoreNewCard());
        QCOMPARE(said.takeLast(), u"На весах нет машины: вес 200 кг не больше 200 кг"_s);
        reading(28400);
        m_w->setTerminalMotion(true);
        QVERIFY(!m_w->StoreNewCard());
        QCOMPARE(said.takeLast(), Weighing::unsteadyMessage());
        m_w->setTerminalMotion(false);
        QVERIFY(todayFile().isEmpty() || decodeCountRecord(todayFile()) == 0);

        // A single weighing whose tare is above its gross: asked, "Нет" writes nothing.
        m_w->selectOperationType(u"Одинарная"_s);
        m_w->setTareFieldText(u"30000"_s);
        reading(28400);
        QVERIFY(!m_w->StoreNewCard());
        QCOMPARE(asked.takeLast(), u"Нетто -1600 кг: тара не меньше брутто.\nЗаписать это взвешивание?"_s);
        QCOMPARE(decodeCountRecord(todayFile()), 0);

        // A second open card for one plate, typed on the Latin layout: "Нет"
        // opens the first for its second weighing instead of a new card.
        m_w->selectOperationType(u"Разгрузка"_s);
        reading(30100);
        QVERIFY(m_w->StoreNewCard());
        m_w->setEntryText(VehicleNumber, u"a 123 BC"_s);
        reading(29000);
        QVERIFY(!m_w->StoreNewCard());
        QCOMPARE(asked.takeLast(), u"Машина А123ВС уже ждёт второго взвешивания в карточке № 1.\n"
                                   u"Записать новую карточку? (Нет — завершить карточку № 1)"_s);
        answer = true;
        QCOMPARE(decodeCountRecord(todayFile()), 1);
        QCOMPARE(m_w->openedForCompletion(), 1);

        // Completed with a tare above its gross: confirmed, written and
        // logged, but the register learns no tare from it.
        reading(31000);
        m_w->setVisibleFrame(Weighing::Frame::CurrentCard);
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(slot(1).net, -900.0);
        QCOMPARE(asked.takeLast(), u"Нетто -900 кг: тара не меньше брутто.\nЗаписать это взвешивание?"_s);
        QVERIFY(!m_w->vehicles().find(u"А123ВС"_s));
        QFile log(m_context->settings.LogPath.isEmpty() ? m_context->folders.defaultLogPath() : m_context->settings.LogPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(decode1251(log.readAll()).contains(u"Взвешивание с нетто -900 кг (машина А123ВС) записано по подтверждению оператора"_s));

        // "Брутто − сохранённая тара" without a usable tare says why.
        QVERIFY(!m_w->storeWithStoredTare());
        QCOMPARE(said.takeLast(), u"Машины a 123 BC нет в справочнике машин"_s);
        QVERIFY(m_w->vehicles().replaceAll({KnownVehicle{u"А123ВС"_s, 12000, QDate(), QString(), QString(), {}, {}, {}, {}}}));
        QVERIFY(!m_w->storeWithStoredTare());
        QCOMPARE(said.takeLast(), u"У машины a 123 BC в справочнике нет даты тары: введите её в справочнике машин"_s);
    }

    void singleWeighing()
    {
        m_w->selectOperationType(u"Одинарная"_s);
        m_w->setTareFieldText(u"1,5"_s);
        reading(10.5);
        QCOMPARE(m_w->netText(), u"9"_s);
        QVERIFY(m_w->StoreNewCard());

        CargoCard e = expected(1, u"Одинарная"_s, u"завершена"_s);
        e.gross = 10.5;
        e.tare = 1.5;
        e.net = 9;
        e.weight1 = 10.5;
        e.cleanWeight = 9;
        e.date2 = oleDay(kNow);
        e.time2 = oleTime(kNow);
        QCOMPARE(todayFile(), encodeCountRecord(1) + encodeDayCard(e));
        QCOMPARE(m_w->shownCard(), e);
        QCOMPARE(m_days->list(DayTarget::Today).page(0).size(), 101);
    }

    void twoPassUnloading()
    {
        // Stored at 30,100 with 2,5 % litter, completed with "Тара" at 12,000.
        m_w->setEntryLitterText(u"2,5"_s);
        QCOMPARE(m_w->liveLitterText(), u"2,5"_s);
        reading(30100);
        QCOMPARE(m_w->liveWeights().tare, 0.0);
        QVERIFY(m_w->StoreNewCard());
        CargoCard e = expected(1, u"Разгрузка"_s, u"незавершена"_s);
        e.gross = 30100;
        e.weight1 = 30100;
        e.litterPercent = 2.5;
        QCOMPARE(todayFile(), encodeCountRecord(1) + encodeDayCard(e));

        m_w->SetCompletionButtons(1);
        QVERIFY(m_w->tareButtonVisible());
        QVERIFY(!m_w->grossButtonVisible());
        QVERIFY(!m_w->receiptButtonVisible());
        QCOMPARE(m_w->tareFieldColour(), int(Weighing::LightGreen));
        QCOMPARE(m_w->openedForCompletion(), 1);

        m_w->setVisibleFrame(Weighing::Frame::CurrentCard);
        m_clock.advanceSeconds(600);
        reading(12000);
        QCOMPARE(m_w->liveWeights().gross, 30100.0);
        QCOMPARE(m_w->liveWeights().net, 18100.0);
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Tare));
        e.status = u"завершена"_s;
        e.tare = 12000;
        e.net = 18100;
        e.litterWeight = 18100 * 2.5 / 100;
        e.cleanWeight = 17647.5;
        e.date2 = oleDay(m_clock.now());
        e.time2 = oleTime(m_clock.now());
        QCOMPARE(todayFile(), encodeCountRecord(1) + encodeDayCard(e));
        QVERIFY(!m_w->tareButtonVisible());
        QVERIFY(m_w->receiptButtonVisible());
        QCOMPARE(m_w->openedForCompletion(), 0);
        QCOMPARE(m_w->tareFieldColour(), int(Weighing::DarkGreen));
        // A completed card offers no second completion.
        QVERIFY(!m_w->CompleteCard(Weighing::Kind::Tare));
    }

    void twoPassLoading()
    {
        // The type is chosen after the last reading: the card still follows it.
        reading(8000);
        QCOMPARE(m_w->liveWeights().gross, 8000.0);
        m_w->selectOperationType(u"Погрузка"_s);
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(m_w->liveWeights().gross, 0.0);
        QCOMPARE(m_w->liveWeights().tare, 8000.0);
        CargoCard e = expected(1, u"Погрузка"_s, u"незавершена"_s);
        e.tare = 8000;
        e.weight1 = 8000;
        QCOMPARE(slot(1), e);

        m_w->SetCompletionButtons(1);
        QVERIFY(m_w->grossButtonVisible());
        QCOMPARE(m_w->netFieldColour(), int(Weighing::LightGreen));
        reading(3000); // a lighter load than the empty truck: a negative net is kept
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Gross));
        e.gross = 3000;
        e.net = -5000;
        e.cleanWeight = -5000;
        e.status = u"завершена"_s;
        e.date2 = oleDay(kNow);
        e.time2 = oleTime(kNow);
        QCOMPARE(slot(1), e);
        QCOMPARE(slot(1).weight1, 8000.0);
    }

    void numbersAndSums()
    {
        m_w->selectOperationType(u"Одинарная"_s);
        m_context->settings.SumModeOn = 1;
        const double nets[] = {5, 6, 7};
        for (double net : nets) {
            reading(net);
            QVERIFY(m_w->StoreNewCard());
        }
        QCOMPARE(slot(1).sumWeight, 5.0);
        QCOMPARE(slot(2).sumWeight, 11.0);
        QCOMPARE(slot(3).sumWeight, 18.0);
        QCOMPARE(slot(3).sumCount, 3);
        QCOMPARE(slot(2).id, 102);
        QCOMPARE(slot(3).id, 103);
        QCOMPARE(slot(3).number, 3);
        QCOMPARE(decodeCountRecord(todayFile()), 3);

        // A two-pass card adds its live net, 0, and still counts.
        m_w->selectOperationType(u"Разгрузка"_s);
        reading(20000);
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(slot(4).sumWeight, 18.0);
        QCOMPARE(slot(4).sumCount, 4);

        // Off: the sum is reset with the next card.
        m_context->settings.SumModeOn = 0;
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(slot(5).sumWeight, 0.0);
        QCOMPARE(slot(5).sumCount, 0);
    }

    void typeChangeAndTareButton()
    {
        m_w->selectOperationType(u"Одинарная"_s);
        m_w->setTareFieldText(u"700"_s);
        reading(1000);
        QCOMPARE(m_w->grossText(), u"1000"_s);
        m_w->selectOperationType(u"Разгрузка"_s);
        QCOMPARE(m_w->tareFieldText(), u"0"_s);
        QCOMPARE(m_w->grossText(), u"0"_s);
        QCOMPARE(m_w->netText(), u"0"_s);
        reading(1234.5);
        m_w->takeTare();
        QCOMPARE(m_w->tareFieldText(), u"1234,5"_s);

        // Axle weighing: the axle sum is the weighing weight.
        m_context->settings.AxleProgram = 1;
        m_w->AxleWeights[0] = 5.2;
        m_w->AxleWeights[1] = 6.3;
        reading(99999);
        QCOMPARE(m_w->WeighingWeight(), 11.5);
        QCOMPARE(m_w->liveWeights().gross, 11.5);
    }

    void storeIsNeverNested()
    {
        // A second store asked for while the first hands on its card (the
        // events let run between the exports) is refused.
        class Nesting final : public CardExports
        {
        public:
            Weighing *w = nullptr;
            int nested = 0;
            void prepareDay(bool) override {}
            void writeWorkbookRows(const CargoCard &) override
            {
                if (!w->StoreNewCard())
                    ++nested;
            }
            QList<WriteJournal::Piece> exchangeLines(const CargoCard &) override { return {}; }
            void writeTextReportHeaders() override {}
            void reconcileTexts(const QDate &) override {}
            void writeArchiveStatus(const QString &, const QDate &, int, const QString &) override {}
        } nesting;
        CardCommit commit(*m_context, *m_log, *m_days, nesting, m_photos);
        Weighing w(*m_context, *m_log, *m_days, *m_extras, nesting, m_photos, commit);
        nesting.w = &w;
        w.setTerminalWeight(100);
        w.UpdateLiveWeights();
        QVERIFY(w.StoreNewCard());
        QCOMPARE(nesting.nested, 1);
        QCOMPARE(decodeCountRecord(todayFile()), 1);
        QCOMPARE(todayFile().size(), DayFileLayout::fileSize(1));
        QVERIFY(!w.storing());

        // The services see the finished card, in order.
        reading(100);
        m_calls.clear();
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(m_calls, (QStringList{u"prepareDay+accounting"_s, u"texts 2"_s, u"dayRow 2"_s, u"accountingRow 2"_s,
                                       u"photo 102 0"_s}));
        QVERIFY(QFile::exists(PlusFile::besideDayFile(m_days->todayPath())));
    }

    void completionWorksOnItsOwnSlot()
    {
        reading(30000);
        QVERIFY(m_w->StoreNewCard());
        m_w->SetCompletionButtons(1);
        // Another card is stored before "Тара" is pressed.
        reading(25000);
        QVERIFY(m_w->StoreNewCard());
        const CargoCard second = slot(2);
        reading(10000);
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(slot(1).gross, 30000.0);
        QCOMPARE(slot(1).net, 20000.0);
        QCOMPARE(slot(1).id, 101);
        QCOMPARE(slot(2), second);

        // After midnight yesterday's card is not completed into today's file.
        reading(30000);
        QVERIFY(m_w->StoreNewCard());
        m_w->SetCompletionButtons(3);
        QVERIFY(m_w->tareButtonVisible());
        const QByteArray yesterday = todayFile();
        m_clock.setNow(kNow.addDays(1));
        QVERIFY(!m_w->CompleteCard(Weighing::Kind::Tare));
        QVERIFY(!m_w->tareButtonVisible());
        QVERIFY(!m_w->CompleteCard(Weighing::Kind::Tare));
        QVERIFY(todayFile().size() <= DayFileLayout::fileSize(0));
        m_clock.setNow(kNow);
        QCOMPARE(todayFile(), yesterday);
    }

    void restartContinuesNumbering()
    {
        reading(100);
        QVERIFY(m_w->StoreNewCard());
        QVERIFY(m_w->StoreNewCard());
        // Nothing else is saved: a new start reads what the stores left on disk.
        AppContext restarted(m_clock, Folders(m_dir.path()));
        QVERIFY(restarted.LoadOrCreateSettings());
        EventLog log(restarted);
        DayFiles days(restarted, log);
        QVERIFY(days.LoadToday());
        CardCommit commit(restarted, log, days, m_exports, m_photos);
        Weighing again(restarted, log, days, *m_extras, m_exports, m_photos, commit);
        again.setQuestions(m_rig->yes);
        restarted.operatorSettings.setEmptyPlatformWeight(0);
        again.setTerminalWeight(100);
        again.UpdateLiveWeights();
        QVERIFY(again.StoreNewCard());
        QCOMPARE(slot(3).id, 103);
        QCOMPARE(slot(3).number, 3);
        Settings stored;
        LoadSettings(stored, restarted.folders.SettingsFile);
        QCOMPARE(stored.CardIdCounter, 103);
        QCOMPARE(stored.DayCardNumber, 3);
    }
};

QTEST_GUILESS_MAIN(TestWeighing)
#include "tst_weighing.moc"
