// Correcting and deleting cards of today, and viewing a card read-only.

#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/EventLog.h"
#include "core/OleDate.h"
#include "archive/ArchiveBrowser.h"
#include "archive/CardEditor.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "store/PlusFile.h"
#include "weighing/Weighing.h"
#include "common/CardRig.h"
#include "common/RecordingServices.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 5, 30));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCardEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<ArchiveRig> m_rig;
    AppContext *m_context = nullptr;
    QStringList m_calls;
    EventLog *m_log = nullptr;
    ParamExtras *m_extras = nullptr;
    RecordingExports m_exports{m_calls};
    RecordingPhotos m_photos{m_calls};
    DayFiles *m_days = nullptr;
    Weighing *m_w = nullptr;
    ArchiveBrowser *m_archive = nullptr;
    CardEditor *m_editor = nullptr;
    QStringList m_messages;

    QString dayPath() const { return m_days->todayPath(); }
    QString plusPath() const { return PlusFile::besideDayFile(dayPath()); }
    CargoCard slot(int n) const
    {
        return decodeDayCard(QByteArrayView(readAll(dayPath())).sliced(DayFileLayout::cardOffset(n)));
    }
    QByteArray slotBytes(const QByteArray &file, int n) const
    {
        return file.mid(DayFileLayout::cardOffset(n), DayFileLayout::CardBytes);
    }
    QStringList logLines() const
    {
        QStringList lines = decode1251(readAll(m_context->settings.LogPath)).split(u"\r\n"_s);
        lines.removeAll(QString());
        return lines;
    }
    // Three cards of today, gross 30100, 30200, 30300, each with additional
    // values of its own.
    void storeThree()
    {
        const QStringList cargo{u"Щебень"_s, u"Песок"_s, u"Гравий"_s};
        for (int n = 1; n <= 3; ++n) {
            m_w->setEntryText(0, cargo[n - 1]);
            m_w->setEntryText(4, u"А12%1ВС"_s.arg(n));
            m_extras->extraValues = ExtraParams();
            m_extras->extraValues[0][1] = u"цена %1"_s.arg(n);
            m_extras->extraValues[6][10] = u"маршрут %1"_s.arg(n);
            m_w->setTerminalWeight(30000 + 100 * n);
            m_w->UpdateLiveWeights();
            QVERIFY(m_w->StoreNewCard());
            m_clock.advanceSeconds(60);
        }
        m_calls.clear();
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(kNow);
        m_rig.reset();
        m_rig = std::make_unique<ArchiveRig>(m_clock, m_dir.path(), m_exports, m_photos);
        m_context = &m_rig->context;
        m_log = &m_rig->log;
        m_extras = &m_rig->extras;
        m_days = &m_rig->days;
        m_w = &m_rig->weighing;
        m_archive = &m_rig->archive;
        m_editor = &m_rig->editor;
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->createMonthFolders();
        m_context->settings.CardIdCounter = 100;
        m_context->settings.EditPermissions = {1, 1, 1, 0, 0, 0};
        m_context->CurrentOperator = u"Петров"_s;
        m_calls.clear();
        m_messages.clear();
        m_rig->names.applyDefaults(m_context->settings.ParamNames);
        QVERIFY(m_extras->saveNames());
        QVERIFY(m_days->LoadToday());
        connect(m_editor, &CardEditor::message, this, [this](const QString &t) { m_messages << t; });
    }

    void dayWithoutCards()
    {
        m_editor->open(CardEditor::Correction);
        QCOMPARE(m_editor->cardNumberText(), u"1"_s);
        QCOMPARE(m_editor->SelectedCardNumber(), 1);
        QCOMPARE(m_editor->card(), CargoCard());
        QCOMPARE(m_editor->text(CardId), u"0"_s);
        QCOMPARE(m_editor->text(Gross), u"0"_s);
        QCOMPARE(m_editor->text(CargoName), QString());
        QCOMPARE(m_editor->caption(Gross), m_context->settings.ParamNames[Gross]);

        // The empty slot behind the day's last card is never written.
        const QByteArray before = readAll(dayPath());
        m_editor->setText(Gross, u"500"_s);
        QVERIFY(!m_editor->ReplaceCardParameters());
        QVERIFY(!m_editor->DeleteCard());
        QCOMPARE(readAll(dayPath()), before);
        QVERIFY(!QFile::exists(plusPath()));
        QCOMPARE(m_messages, QStringList({CardEditor::noCardMessage(1), CardEditor::noCardMessage(1)}));
        QVERIFY(m_calls.isEmpty());
    }

    void deleteAtOnceTakesTheLastCard()
    {
        storeThree();
        // An earlier use of the window selected card 1.
        m_editor->open(CardEditor::Correction);
        m_editor->setCardNumberText(u"1"_s);
        m_editor->SelectCardForEdit();
        QCOMPARE(m_editor->SelectedCardNumber(), 1);

        const QByteArray before = readAll(dayPath());
        const QByteArray plusBefore = readAll(plusPath());
        m_editor->open(CardEditor::Correction);
        QCOMPARE(m_editor->cardNumberText(), u"3"_s);
        QCOMPARE(m_editor->text(CargoName), u"Гравий"_s);
        QVERIFY(m_editor->DeleteCard());

        const QByteArray after = readAll(dayPath());
        CargoCard deleted = decodeDayCard(QByteArrayView(before).sliced(DayFileLayout::cardOffset(3)));
        deleted.status = u"удалена"_s;
        // The slot keeps every value but the status; nothing else moved.
        QCOMPARE(after, before.left(DayFileLayout::cardOffset(3)) + encodeDayCard(deleted));
        QCOMPARE(readAll(plusPath()), plusBefore);
        QCOMPARE(m_calls, QStringList({u"texts 3"_s, u"dayRow 3"_s, u"accountingRow 3"_s}));
        QCOMPARE(m_messages, QStringList{CardEditor::deletedMessage()});
        QCOMPARE(m_editor->text(Status), u"удалена"_s);
        QCOMPARE(m_w->shownCard(), deleted);

        // Gone from today's list, still counted in the file.
        const QString list = m_days->list(DayTarget::Today).page(0);
        QCOMPARE(list.size(), 2 * 101);
        QVERIFY(list.contains(u"Щебень"_s) && list.contains(u"Песок"_s) && !list.contains(u"Гравий"_s));
        QCOMPARE(m_context->settings.DayCardNumber, 3);
        QCOMPARE(logLines().last(), u"09.12.2026  14:08:30  Удалена карточка № 3, ID 103, оператор: Петров"_s);
    }

    void replaceTouchesOnlyItsCard()
    {
        storeThree();
        m_editor->open(CardEditor::Correction);
        m_editor->setCardNumberText(u" 2,9 шт"_s);
        m_editor->SelectCardForEdit();
        QCOMPARE(m_editor->cardNumberText(), u"2"_s);
        QCOMPARE(m_editor->SelectedCardNumber(), 2);
        QCOMPARE(m_editor->text(Gross), u"30200"_s);
        QCOMPARE(m_editor->extraText(0, 1), u"цена 2"_s);
        QCOMPARE(m_editor->extraText(6, 10), u"маршрут 2"_s);
        QCOMPARE(m_editor->extraCaption(0, 1), u"Стоимость груза"_s);

        const QByteArray before = readAll(dayPath());
        const QByteArray plusBefore = readAll(plusPath());
        const CargoCard stored = slot(2);

        // Typed over: what may not change keeps its stored value.
        m_editor->setText(Sender, u"Карьер №5"_s);
        m_editor->setText(Gross, u"12,5"_s);
        m_editor->setText(Tare, u"12,5abc"_s);
        m_editor->setText(Net, u"abc"_s);
        m_editor->setText(SumCount, u"3,9"_s);
        m_editor->setText(OperationType, u"Погрузка"_s);
        m_editor->setText(Status, u"завершена"_s);
        m_editor->setText(CardId, u"999"_s);
        m_editor->setText(CardNumber, u"7"_s);
        m_editor->setText(Date1, u"01.01.2000"_s);
        m_editor->setText(Time2, u"12:00:00"_s);
        m_editor->setExtraText(3, 4, u"разгружено"_s);
        m_editor->setExtraText(0, 1, QString());

        // Meanwhile the main window stores a card and shows another one.
        m_w->setTerminalWeight(5000);
        m_w->UpdateLiveWeights();
        QVERIFY(m_w->StoreNewCard());
        m_w->ShowCurrentCard(1);
        m_calls.clear();
        const QByteArray card4 = slotBytes(readAll(dayPath()), 4);

        QVERIFY(m_editor->ReplaceCardParameters());
        CargoCard expected = stored;
        expected.texts[Sender] = u"Карьер №5"_s;
        expected.gross = 12.5;
        expected.tare = 12.5;
        expected.net = 0;
        expected.sumCount = 3;
        QCOMPARE(slot(2), expected);
        const QByteArray after = readAll(dayPath());
        QCOMPARE(after.left(16), encodeCountRecord(4)); // the count of the card stored meanwhile
        QCOMPARE(slotBytes(after, 1), slotBytes(before, 1));
        QCOMPARE(slotBytes(after, 2), encodeDayCard(expected));
        QCOMPARE(slotBytes(after, 3), slotBytes(before, 3));
        QCOMPARE(slotBytes(after, 4), card4);

        // The card's 70 additional values, exactly as typed; nothing around them.
        ExtraParams typed;
        typed[3][4] = u"разгружено"_s;
        typed[6][10] = u"маршрут 2"_s;
        QCOMPARE(PlusFile(plusPath()).read(2), typed);
        const qint64 from = PlusFile::recordOf(2, 0, 0) * PlusFile::kRecordSize;
        const qint64 to = PlusFile::recordOf(3, 0, 0) * PlusFile::kRecordSize;
        const QByteArray plusAfter = readAll(plusPath());
        QCOMPARE(plusAfter.left(from), plusBefore.left(from));
        QCOMPARE(plusAfter.mid(to, plusBefore.size() - to), plusBefore.mid(to));
        QCOMPARE(plusAfter.mid(from + (3 * 10 + 4 - 1) * 128, 128), encode1251(u"разгружено"_s).leftJustified(128, ' '));

        QCOMPARE(m_calls, QStringList({u"texts 2"_s, u"dayRow 2"_s, u"accountingRow 2"_s}));
        QCOMPARE(m_messages, QStringList{CardEditor::replacedMessage()});
        // The window shows the card again as stored; the main window shows it too.
        QCOMPARE(m_editor->text(OperationType), u"Разгрузка"_s);
        QCOMPARE(m_editor->text(Tare), u"12,5"_s);
        QCOMPARE(m_editor->text(CardId), u"102"_s);
        QCOMPARE(m_w->shownCard(), expected);
        QCOMPARE(m_days->list(DayTarget::Today).page(0).mid(101, 101), DayList::line(expected));

        // A second replacement without "OK": still card 2, still its own.
        m_editor->setText(Tare, u"1"_s);
        QVERIFY(m_editor->ReplaceCardParameters());
        expected.tare = 1;
        QCOMPARE(slot(2), expected);
        QCOMPARE(slotBytes(readAll(dayPath()), 3), slotBytes(before, 3));
        QCOMPARE(slotBytes(readAll(dayPath()), 4), card4);
        QCOMPARE(slotBytes(readAll(dayPath()), 1), slotBytes(before, 1));
    }

    void trailOfACorrection()
    {
        storeThree();
        m_editor->open(CardEditor::Correction);
        m_editor->setCardNumberText(u"2"_s);
        m_editor->SelectCardForEdit();
        const int lines = logLines().size();
        m_editor->setText(Gross, u"30250,5"_s);
        m_editor->setText(Tare, u"11900"_s);
        m_editor->setText(Net, m_editor->text(Net) + u",00"_s); // the same value typed differently
        m_editor->setText(Status, u"удалена"_s); // kept as stored
        QVERIFY(m_editor->ReplaceCardParameters());
        const QStringList trail = logLines().mid(lines);
        const QString gross = m_context->settings.ParamNames[Gross];
        const QString tare = m_context->settings.ParamNames[Tare];
        QCOMPARE(trail,
                 QStringList({u"09.12.2026  14:08:30  Исправлена карточка № 2, ID 102: "_s + gross
                                  + u" \"30200\" заменено на \"30250,5\", оператор: Петров"_s,
                              u"09.12.2026  14:08:30  Исправлена карточка № 2, ID 102: "_s + tare
                                  + u" \"0\" заменено на \"11900\", оператор: Петров"_s}));

        // Nothing changed: no line, the card is written all the same.
        QVERIFY(m_editor->ReplaceCardParameters());
        QCOMPARE(logLines().size(), lines + 2);
    }

    void correctedWeightsFollow()
    {
        storeThree();
        m_w->chooseTodayCard(2);
        m_w->setVisibleFrame(Weighing::Frame::CurrentCard);
        m_w->setTerminalWeight(12000);
        m_w->UpdateLiveWeights();
        QVERIFY(m_w->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(slot(2).net, 18200.0);

        m_editor->open(CardEditor::Correction);
        m_editor->setCardNumberText(u"2"_s);
        m_editor->SelectCardForEdit();
        m_editor->setText(Gross, u"30600"_s);
        m_editor->setText(LitterPercent, u"10"_s);
        QVERIFY(m_editor->ReplaceCardParameters());
        QCOMPARE(slot(2).net, 18600.0);
        QCOMPARE(slot(2).litterWeight, 1860.0);
        QCOMPARE(slot(2).cleanWeight, 16740.0);
        QVERIFY(logLines().join(u'\n').contains(u"\"18200\" заменено на \"18600\""_s));

        // A net typed alone stays as typed; an open card gets no net.
        m_editor->setText(Net, u"18000"_s);
        QVERIFY(m_editor->ReplaceCardParameters());
        QCOMPARE(slot(2).net, 18000.0);
        m_editor->setCardNumberText(u"3"_s);
        m_editor->SelectCardForEdit();
        m_editor->setText(Gross, u"31000"_s);
        QVERIFY(m_editor->ReplaceCardParameters());
        QCOMPARE(slot(3).net, 0.0);
    }

    void viewModesAreReadOnly()
    {
        storeThree();
        m_context->settings.EditPermissions = {1, 1, 1, 1, 1, 1};
        m_w->ShowCurrentCard(2);
        m_editor->open(CardEditor::CurrentView);
        QVERIFY(!m_editor->correctionControlsVisible());
        QVERIFY(!m_editor->mainEditable());
        QVERIFY(!m_editor->extrasEditable());
        QCOMPARE(m_editor->text(CargoName), u"Песок"_s);
        QCOMPARE(m_editor->extraText(0, 1), u"цена 2"_s);

        const QByteArray before = readAll(dayPath());
        m_editor->setText(Gross, u"1"_s);
        m_editor->setCardNumberText(u"1"_s);
        m_editor->SelectCardForEdit();
        QVERIFY(!m_editor->ReplaceCardParameters());
        QVERIFY(!m_editor->DeleteCard());
        QCOMPARE(readAll(dayPath()), before);
        QVERIFY(m_calls.isEmpty() && m_messages.isEmpty());

        // The archive card as the archive frame holds it, with its day's values.
        m_clock.setNow(kNow.addDays(1));
        QCOMPARE(m_archive->chooseDate(kNow.date()), QString());
        m_archive->selectCard(1);
        m_editor->open(CardEditor::ArchiveView);
        QVERIFY(!m_editor->correctionControlsVisible() && !m_editor->mainEditable() && !m_editor->extrasEditable());
        QCOMPARE(m_editor->card(), m_archive->shownCard());
        QCOMPARE(m_editor->text(CargoName), u"Щебень"_s);
        QCOMPARE(m_editor->text(Date1), u"09.12.2026"_s);
        QCOMPARE(m_editor->text(Time1), u"14:05:30"_s);
        QCOMPARE(m_editor->extraText(6, 10), u"маршрут 1"_s);
        QVERIFY(!m_editor->DeleteCard());

        // Correction follows the permissions as they are at the opening.
        m_context->settings.EditPermissions = {1, 0, 1, 0, 0, 0};
        m_editor->open(CardEditor::Correction);
        QVERIFY(m_editor->correctionControlsVisible() && !m_editor->mainEditable() && m_editor->extrasEditable());
        m_context->settings.EditPermissions = {1, 1, 0, 0, 0, 0};
        m_editor->open(CardEditor::Correction);
        QVERIFY(m_editor->mainEditable() && !m_editor->extrasEditable());
    }

    void refusedWrites()
    {
        storeThree();
        m_editor->open(CardEditor::Correction);
        // A number behind the last card: shown empty, told, never written.
        m_editor->setCardNumberText(u"7abc"_s);
        m_editor->SelectCardForEdit();
        QCOMPARE(m_editor->cardNumberText(), u"7"_s);
        QCOMPARE(m_messages, QStringList{CardEditor::noCardMessage(7)});
        const QByteArray before = readAll(dayPath());
        QVERIFY(!m_editor->ReplaceCardParameters());
        QVERIFY(!m_editor->DeleteCard());
        // No number at all: nothing happens, silently.
        m_messages.clear();
        m_editor->setCardNumberText(u"abc"_s);
        m_editor->SelectCardForEdit();
        QCOMPARE(m_editor->SelectedCardNumber(), 0);
        QVERIFY(!m_editor->ReplaceCardParameters());
        QVERIFY(!m_editor->DeleteCard());
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(readAll(dayPath()), before);

        // Read yesterday, written after midnight: today's card 2 is another card.
        m_editor->setCardNumberText(u"2"_s);
        m_editor->SelectCardForEdit();
        m_clock.setNow(kNow.addDays(1));
        QVERIFY(m_days->LoadToday());
        m_w->setTerminalWeight(100);
        m_w->UpdateLiveWeights();
        QVERIFY(m_w->StoreNewCard());
        QVERIFY(m_w->StoreNewCard());
        const QByteArray newDay = readAll(dayPath());
        QVERIFY(!m_editor->DeleteCard());
        QVERIFY(!m_editor->ReplaceCardParameters());
        QCOMPARE(m_messages, QStringList({CardEditor::dayChangedMessage(), CardEditor::dayChangedMessage()}));
        QCOMPARE(readAll(dayPath()), newDay);
        QCOMPARE(readAll(m_context->folders.MonthDataFolder(kNow.date()) + u"09.12.2026.dat"_s), before);
    }

    // A correction is written whole or not at all: a plus file that cannot
    // be written leaves the card as it was, and the operator is told.
    void failedExtrasAreSaid()
    {
        storeThree();
        const QByteArray before = readAll(dayPath());
        // The plus file cannot be written (a folder stands in its place;
        // permissions would not stop root).
        QVERIFY(QFile::rename(plusPath(), plusPath() + u".saved"_s));
        QVERIFY(QDir().mkdir(plusPath()));
        m_editor->open(CardEditor::Correction);
        m_editor->setText(Gross, u"1"_s);
        m_editor->setExtraText(0, 1, u"x"_s);
        QVERIFY(!m_editor->ReplaceCardParameters());
        QCOMPARE(readAll(dayPath()), before);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].startsWith(u"Карточка не записана: 09.12.2026_Plus.dat: "_s), qPrintable(m_messages[0]));
        QCOMPARE(logLines().last(), u"09.12.2026  14:08:30  "_s + m_messages[0]);
        QVERIFY(QDir().rmdir(plusPath()));
    }

    void deletedCardIsNoLongerOpen()
    {
        storeThree();
        m_w->SetCompletionButtons(2);
        QCOMPARE(m_w->openedForCompletion(), 2);
        m_editor->open(CardEditor::Correction);
        m_editor->setCardNumberText(u"2"_s);
        m_editor->SelectCardForEdit();
        QVERIFY(m_editor->DeleteCard());
        QCOMPARE(m_w->openedForCompletion(), 0);
        QVERIFY(!m_w->tareButtonVisible());
        m_w->setTerminalWeight(12000);
        m_w->UpdateLiveWeights();
        QVERIFY(!m_w->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(slot(2).status, u"удалена"_s);
    }
};

QTEST_GUILESS_MAIN(TestCardEditor)
#include "tst_card_editor.moc"
