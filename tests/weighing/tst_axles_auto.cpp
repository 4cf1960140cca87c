// Axle weighing and the automatic mode's steadiness test, on a real day file.

#include "common/CardRig.h"
#include "common/RecordingServices.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "terminal/WeightConditioning.h"
#include "weighing/AutoWeighing.h"
#include "weighing/Weighing.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 20, 0));
constexpr int Red = WeightConditioning::Red;
constexpr int Green = WeightConditioning::Green;

} // namespace

class TestAxlesAndAuto : public QObject
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
    std::unique_ptr<WeightConditioning> m_conditioning;
    std::unique_ptr<AutoWeighing> m_auto;

    void reading(double weight)
    {
        m_w->setTerminalWeight(weight);
        m_w->UpdateLiveWeights();
    }
    // One poll in automatic mode.
    void tick(double weight)
    {
        reading(weight);
        m_auto->Stability();
    }
    // `count` polls of the same weight; the poll (1-based) at which the card
    // count first grew, or 0.
    int stand(double weight, int count)
    {
        const int before = cardCount();
        for (int i = 1; i <= count; ++i) {
            tick(weight);
            if (cardCount() > before)
                return i;
        }
        return 0;
    }
    int cardCount() const
    {
        const QByteArray file = todayFile();
        return file.size() < DayFileLayout::fileSize(0) ? 0 : decodeCountRecord(file);
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

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(kNow);
        m_auto.reset();
        m_conditioning.reset();
        m_rig.reset();
        m_rig = std::make_unique<WeighingRig>(m_clock, m_dir.path(), m_exports, m_photos);
        m_context = &m_rig->context;
        m_log = &m_rig->log;
        m_extras = &m_rig->extras;
        m_days = &m_rig->days;
        m_w = &m_rig->weighing;
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->createMonthFolders();
        m_calls.clear();
        QVERIFY(m_days->LoadToday());
        m_conditioning = std::make_unique<WeightConditioning>(*m_context, *m_log);
        m_auto = std::make_unique<AutoWeighing>(*m_context, *m_w, *m_conditioning);
        m_w->selectOperationType(u"Одинарная"_s);
    }

    void axleTotal()
    {
        m_context->settings.AxleProgram = 1;
        QSignalSpy shown(m_w, &Weighing::axlesChanged);
        QCOMPARE(m_w->axleButtonColour(0), int(Weighing::ButtonFace));
        QCOMPARE(m_w->axleLabelColour(0), 0x80FFFF);

        reading(5.2);
        QVERIFY(m_w->pressAxle(0));
        reading(6.3);
        QVERIFY(m_w->pressAxle(1));
        reading(40000);
        QCOMPARE(m_w->WeighingWeight(), 11.5);
        QCOMPARE(m_w->liveWeights().gross, 11.5);
        QCOMPARE(m_w->grossText(), u"11,5"_s);
        QCOMPARE(m_w->axleText(0), u"5,2"_s);
        QCOMPARE(m_w->axleText(1), u"6,3"_s);
        QCOMPARE(m_w->axleText(2), u"0"_s);
        QCOMPARE(m_w->axleButtonColour(1), 0x80FF80);
        QCOMPARE(m_w->axleLabelColour(1), 0x80FF80);
        QVERIFY(shown.count() >= 2);

        // "Ось 2" again frees it; the total follows at once, before any reading.
        QVERIFY(m_w->pressAxle(1));
        QVERIFY(!m_w->axleFixed(1));
        QCOMPARE(m_w->axleText(1), u"0"_s);
        QCOMPARE(m_w->axleButtonColour(1), int(Weighing::ButtonFace));
        QCOMPARE(m_w->axleLabelColour(1), 0x80FFFF);
        QCOMPARE(m_w->WeighingWeight(), 5.2);
        QCOMPARE(m_w->liveWeights().gross, 5.2);

        // The label is the weight: a rewritten label counts as shown.
        m_w->setAxleText(2, u"1,25 т"_s);
        QCOMPARE(m_w->AxleWeights[2], 1.25);

        // A silent terminal gives no axle weight; a fixed axle can still be freed.
        QSignalSpy told(m_w, &Weighing::operatorMessage);
        m_w->setTerminalConnected(false);
        QVERIFY(!m_w->pressAxle(3));
        QVERIFY(!m_w->axleFixed(3));
        QCOMPARE(told.count(), 1);
        QCOMPARE(told[0][0].toString(), u"Нет связи с весовым терминалом"_s);
        QVERIFY(m_w->pressAxle(0));
        QCOMPARE(m_w->AxleWeights[0], 0.0);
    }

    void axleStoreAndTare()
    {
        // "Разгрузка" in axle mode: gross and weighing №1 are the axle total.
        m_context->settings.AxleProgram = 1;
        m_w->selectOperationType(u"Разгрузка"_s);
        reading(5.2);
        m_w->pressAxle(0);
        reading(6.3);
        m_w->pressAxle(1);
        reading(0);
        QSignalSpy reset(m_w, &Weighing::axlesReset);
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(slot(1).gross, 11.5);
        QCOMPARE(slot(1).weight1, 11.5);
        QCOMPARE(reset.count(), 1);
        for (int k = 0; k < 8; ++k) {
            QVERIFY(!m_w->axleFixed(k));
            QCOMPARE(m_w->axleText(k), u"0"_s);
            QCOMPARE(m_w->AxleWeights[size_t(k)], 0.0);
        }
        QCOMPARE(m_w->WeighingWeight(), 0.0);

        // The empty truck back, axle by axle: "Тара" takes the total, and
        // the axles stay fixed through the completion.
        reading(3);
        m_w->pressAxle(0);
        reading(2.5);
        m_w->pressAxle(1);
        m_w->SetCompletionButtons(1);
        m_w->setVisibleFrame(Weighing::Frame::CurrentCard);
        reading(777);
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(slot(1).tare, 5.5);
        QCOMPARE(slot(1).net, 6.0);
        QVERIFY(m_w->axleFixed(0));
        QVERIFY(m_w->axleFixed(1));

        // Platform mode again: the fixed axles no longer count.
        m_context->settings.AxleProgram = 0;
        m_w->setVisibleFrame(Weighing::Frame::DataEntry);
        m_w->selectOperationType(u"Одинарная"_s);
        reading(800);
        QCOMPARE(m_w->WeighingWeight(), 800.0);
        QVERIFY(m_w->StoreNewCard());
        QCOMPARE(slot(2).gross, 800.0);
    }

    void steadyVehicleRecordedOnce()
    {
        QSignalSpy beeps(m_auto.get(), &AutoWeighing::beep);
        m_w->setTareFieldText(u"500"_s);
        tick(0);
        // The default period: recorded at the 34th reading, not before.
        tick(12500);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Red, Red, Red}));
        tick(12500);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Green, Red, Red}));
        tick(12500);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Green, Green, Red}));
        tick(12500);
        QCOMPARE(m_auto->SteadyCount, 1);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Red, Red, Red}));
        QCOMPARE(stand(12500, 29), 0);
        QCOMPARE(m_auto->SteadyCount, 10);
        QCOMPARE(beeps.count(), 0);
        QCOMPARE(stand(12500, 1), 1);
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Green, Green, Green}));
        QCOMPARE(m_auto->AutoFixed, 1);
        QCOMPARE(m_auto->SteadyCount, 0);
        const CargoCard c = slot(1);
        QCOMPARE(c.operationType, u"Одинарная"_s);
        QCOMPARE(c.status, u"завершена"_s);
        QCOMPARE(c.gross, 12500.0);
        QCOMPARE(c.tare, 500.0);
        QCOMPARE(c.net, 12000.0);
        QVERIFY(m_calls.contains(u"photo %1 0"_s.arg(c.id)));

        // It stays: never a second card.
        QCOMPARE(stand(12500, 200), 0);
        QCOMPARE(beeps.count(), 1);

        // A net that only dips, not below the minimum, is the same vehicle.
        m_w->setTareFieldText(u"0"_s);
        QCOMPARE(stand(1, 5), 0);
        QCOMPARE(stand(12500, 100), 0);

        // Off the scale, then the next one: again at its 34th reading.
        tick(0.5);
        QCOMPARE(m_auto->AutoFixed, 0);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Red, Red, Red}));
        QCOMPARE(stand(9000, 40), 34);
        QCOMPARE(slot(2).gross, 9000.0);
        QCOMPARE(slot(2).number, 2);
        QCOMPARE(slot(2).id, slot(1).id + 1);
    }

    void fluctuation()
    {
        // With 0 the readings of a triple must be exactly equal.
        QCOMPARE(m_context->settings.AutoMaxFluctuation, 0.0);
        for (int i = 0; i < 300; ++i)
            tick(i % 3 == 2 ? 12501 : 12500);
        QCOMPARE(m_auto->SteadyCount, 0);
        QCOMPARE(cardCount(), 0);

        // With 5 each reading must lie within 5 of both earlier ones of
        // its triple: a slow creep 100, 104, 108 is no steady triple.
        m_context->settings.AutoMaxFluctuation = 5;
        tick(0);
        tick(100);
        tick(100);
        tick(104);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Green, Green, Red}));
        tick(108);
        QCOMPARE(m_auto->SteadyCount, 0);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Red, Red, Red}));
        // The bound counts: 105 lies within 5 of 100.
        tick(100);
        tick(105);
        tick(101);
        QCOMPARE(m_auto->SteadyCount, 1);

        // A rocking vehicle within the fluctuation is recorded, at the
        // reading of the moment.
        const double rock[] = {12500, 12502, 12498, 12501, 12499, 12503};
        int i = 0;
        while (cardCount() == 0 && i < 100)
            tick(rock[i++ % 6]);
        QCOMPARE(cardCount(), 1);
        QCOMPARE(slot(1).gross, rock[(i - 1) % 6]);
    }

    void unrecordedTriplesCountTowardsTheNext()
    {
        // Five steady triples, then the vehicle leaves unrecorded.
        QCOMPARE(stand(7000, 16), 0);
        QCOMPARE(m_auto->SteadyCount, 5);
        tick(0);
        QCOMPARE(m_auto->SteadyCount, 5);
        // An unsteady triple does not reset the count either.
        tick(3000);
        tick(3000);
        tick(3100);
        QCOMPARE(m_auto->SteadyCount, 5);
        // The next needs only six more triples: the idle reading after the
        // failed one and 18 readings.
        QCOMPARE(stand(8000, 40), 19);
        QCOMPARE(slot(1).gross, 8000.0);
    }

    void otherFrames()
    {
        QSignalSpy recorded(m_auto.get(), &AutoWeighing::recorded);
        tick(0);
        QCOMPARE(stand(12500, 34), 34);
        QCOMPARE(recorded.count(), 1);
        QCOMPARE(recorded[0][0].toBool(), true);

        // The card frame shows that card; the vehicle leaves meanwhile and
        // the next one stands still: counted as recorded, no card stored.
        m_w->setVisibleFrame(Weighing::Frame::CurrentCard);
        m_w->ShowCurrentCard(1);
        tick(0);
        QCOMPARE(m_w->liveWeights().net, 12500.0);
        QCOMPARE(m_auto->AutoFixed, 0);
        for (int i = 0; i < 34; ++i)
            tick(9000);
        QCOMPARE(recorded.count(), 2);
        QCOMPARE(recorded[1][0].toBool(), false);
        QCOMPARE(m_auto->AutoFixed, 1);
        QCOMPARE(cardCount(), 1);

        // Back at data entry it is still the recorded vehicle.
        m_w->setVisibleFrame(Weighing::Frame::DataEntry);
        QCOMPARE(stand(9000, 100), 0);
        // The reports frame shows no weights at all; the scale still tells.
        m_w->setVisibleFrame(Weighing::Frame::Other);
        tick(0);
        QCOMPARE(m_auto->AutoFixed, 0);
        m_w->setVisibleFrame(Weighing::Frame::DataEntry);
        QCOMPARE(stand(6000, 40), 34);
        QCOMPARE(slot(2).gross, 6000.0);
    }

    void recordingIsSingleAndNotInAxleMode()
    {
        // The type was changed by hand after "Автомат": still a single weighing.
        m_w->selectOperationType(u"Разгрузка"_s);
        tick(0);
        QCOMPARE(stand(4000, 34), 34);
        QCOMPARE(slot(1).operationType, u"Одинарная"_s);
        QCOMPARE(slot(1).status, u"завершена"_s);
        tick(0);

        // Axle mode records nothing by itself.
        m_context->settings.AxleProgram = 1;
        reading(4000);
        m_w->pressAxle(0);
        QCOMPARE(stand(4000, 200), 0);
        QCOMPARE(m_auto->SteadyCount, 0);
    }

    void silentTerminal()
    {
        // Polls without a weight leave the last reading standing; it is no
        // steady vehicle.
        reading(12500);
        for (int i = 0; i < 200; ++i)
            m_auto->Stability(true);
        QCOMPARE(m_auto->SteadyCount, 0);
        QCOMPARE(m_conditioning->lamps, (std::array<int, 3>{Red, Red, Red}));
        // A gap in the middle of a triple breaks it.
        tick(12500);
        tick(12500);
        m_auto->Stability(true);
        tick(12500);
        QCOMPARE(m_auto->SteadyCount, 0);
        tick(12500);
        tick(12500);
        QCOMPARE(m_auto->SteadyCount, 1);
        QCOMPARE(cardCount(), 0);
    }

    void readingsDuringTheStore()
    {
        // The store lets readings in between its steps; the vehicle is still
        // there and steady, and must not be recorded a second time.
        class Busy final : public CardExports
        {
        public:
            std::function<void()> during;
            void prepareDay(bool) override {}
            QList<WriteJournal::Piece> exchangeLines(const CargoCard &) override
            {
                during();
                return {};
            }
            void writeWorkbookRows(const CargoCard &) override { during(); }
            void writeTextReportHeaders() override {}
            void reconcileTexts(const QDate &) override {}
            void writeArchiveStatus(const QString &, const QDate &, int, const QString &) override {}
        } busy;
        CardCommit commit(*m_context, *m_log, *m_days, busy, m_photos);
        Weighing w(*m_context, *m_log, *m_days, *m_extras, busy, m_photos, commit);
        w.selectOperationType(u"Одинарная"_s);
        AutoWeighing a(*m_context, w, *m_conditioning);
        QSignalSpy beeps(&a, &AutoWeighing::beep);
        const auto poll = [&](double weight) {
            w.setTerminalWeight(weight);
            w.UpdateLiveWeights();
            a.Stability();
        };
        QList<int> fixedDuring;
        busy.during = [&] {
            fixedDuring << a.AutoFixed;
            for (int i = 0; i < 40; ++i)
                poll(15000);
        };
        poll(0);
        for (int i = 0; i < 34; ++i)
            poll(15000);
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(fixedDuring, (QList<int>{1, 1}));
        QCOMPARE(decodeCountRecord(todayFile()), 1);
        QCOMPARE(a.AutoFixed, 1);
        QVERIFY(!w.storing());

        // The vehicle leaves during the store of the next one's card: that
        // one is still stored once, and the scale is free afterwards.
        poll(0);
        busy.during = [&] { poll(0); };
        for (int i = 0; i < 34; ++i)
            poll(16000);
        QCOMPARE(decodeCountRecord(todayFile()), 2);
        QCOMPARE(slot(2).gross, 16000.0);
        QCOMPARE(a.AutoFixed, 0);
    }
};

QTEST_MAIN(TestAxlesAndAuto)
#include "tst_axles_auto.moc"
