#include "PdfReader.h"
#include "app/ProgramFixture.h"

#include "store/PickListFile.h"
#include "store/PlusFile.h"
#include "reports/ui/ReportFrame.h"
#include "archive/ui/ArchiveFrame.h"
#include "weighing/ui/CurrentCardFrame.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDocumentsWindow : public QObject
{
    Q_OBJECT

    // Files in the order they were written. Modification times tie on a
    // coarse file system clock, so the order seen so far is kept and new
    // files are ranked by time, then by the " (n)" a same-named file gets.
    QStringList printedFiles() const
    {
        QDir folder(m_p->context->folders.BaseFolder + u"Print/"_s);
        const QFileInfoList present = folder.entryInfoList({u"*.pdf"_s}, QDir::Files);
        QStringList names;
        for (const QFileInfo &file : present)
            names << file.fileName();
        m_order.removeIf([&](const QString &name) { return !names.contains(name); });
        QFileInfoList added;
        for (const QFileInfo &file : present)
            if (!m_order.contains(file.fileName()))
                added << file;
        const auto copyNumber = [](const QString &name) {
            static const QRegularExpression suffix(u" \\((\\d+)\\)\\.pdf$"_s);
            const QRegularExpressionMatch match = suffix.match(name);
            return match.hasMatch() ? match.captured(1).toInt() : 1;
        };
        std::sort(added.begin(), added.end(), [&](const QFileInfo &a, const QFileInfo &b) {
            const qint64 ta = a.lastModified().toMSecsSinceEpoch(), tb = b.lastModified().toMSecsSinceEpoch();
            return ta != tb ? ta < tb : copyNumber(a.fileName()) < copyNumber(b.fileName());
        });
        for (const QFileInfo &file : added)
            m_order << file.fileName();
        return m_order;
    }
    mutable QStringList m_order;
    QString pdf(const QString &name) const { return m_p->context->folders.BaseFolder + u"Print/"_s + name; }

    std::unique_ptr<ProgramFixture> m_p;

private slots:
    void printsFromTheVisibleFrame()
    {
        m_order.clear();
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)), new AbsentPort);
        m_p->build();
        m_p->login();

        // The sender's taxpayer number and the card's price, on disk.
        m_p->extras->constantValues[2] = ParamConstants();
        m_p->extras->constantValues[2][0] = u"Карьер"_s;
        m_p->extras->constantValues[2][14] = u"7701234567"_s;
        QVERIFY(m_p->extras->AddPickListEntry(2, u"Карьер"_s));
        const int number = m_p->weighing->storeNewTodayCard([](CargoCard &card, const NewCardNumbers &numbers) {
            card.id = numbers.id;
            card.number = numbers.number;
            card.texts[CargoName] = u"Щебень"_s;
            card.texts[Sender] = u"Карьер"_s;
            card.gross = 32500;
            card.tare = 20000;
            card.net = 12500;
            card.status = Statuses::complete();
        }, ExtraParams(), CardChange::Store);
        QVERIFY(number > 0);
        ExtraParams plus{};
        plus[0][2] = u"1.5"_s;
        QVERIFY(PlusFile(PlusFile::besideDayFile(m_p->days->todayPath())).write(number, plus));
        m_p->extras->extraValues[0][2] = u"entered"_s;

        // Data entry shows no card: the menu prints nothing.
        m_p->window->menuAction(u"Квитанция без фото"_s)->trigger();
        QVERIFY(printedFiles().isEmpty());

        QTest::mouseClick(m_p->window->modeButton(1), Qt::LeftButton);
        m_p->window->menuAction(u"Квитанция без фото"_s)->trigger();
        QCOMPARE(printedFiles().size(), 1);
        QVERIFY(m_p->window->statusBar()->currentMessage().startsWith(u"Документ сохранён в файл "_s));
        QVERIFY(m_p->window->statusBar()->currentMessage().endsWith(printedFiles().first()));
        QVERIFY(PdfReader::lines(pdf(printedFiles().first())).join(u'\n').contains(u"12500"_s));

        m_p->window->menuAction(u"Чек"_s)->trigger();
        QCOMPARE(printedFiles().size(), 2);
        const QStringList cheque = PdfReader::lines(pdf(printedFiles().last()));
        QVERIFY2(cheque.contains(u"12500кг*1.5= 18750"_s), qPrintable(cheque.join(u'\n')));
        QVERIFY(cheque.contains(u"ИНН:7701234567"_s));
        // The values of the card being entered are not the printed card's.
        QCOMPARE(m_p->extras->extraValues[0][2], u"entered"_s);

        // "Квит." of the current-card frame: the act with its photos.
        m_p->window->currentCardFrame()->receiptButton()->click();
        QCOMPARE(printedFiles().size(), 3);
        QVERIFY(printedFiles().last().contains(u"Акт взвешивания"_s));

        // The archive frame prints its own card, here none chosen yet.
        QTest::mouseClick(m_p->window->modeButton(2), Qt::LeftButton);
        m_p->window->archiveFrame()->receiptButton()->click();
        QCOMPARE(printedFiles().size(), 4);

        // Both frames, as the logic allows: two acts, current card first.
        QCOMPARE(m_p->program->printer().printVisible(u"Квитанция без фото"_s, true, true).isEmpty(), false);
        const QStringList files = printedFiles();
        QCOMPARE(files.size(), 6);
        QVERIFY(PdfReader::lines(pdf(files[4])).join(u'\n').contains(u"Щебень"_s));
        QVERIFY(!PdfReader::lines(pdf(files[5])).join(u'\n').contains(u"Щебень"_s));

        // "ТН" of the archive frame: one copy, front and reverse side.
        m_p->window->menuAction(u"ТН"_s)->trigger();
        QCOMPARE(printedFiles().size(), 7);
        QVERIFY(m_p->window->statusBar()->currentMessage().endsWith(printedFiles().last()));
        QVERIFY(printedFiles().last().contains(u"Транспортная накладная"_s));

        // A job that cannot start: one message, said once for both frames.
        const QString printFolder = m_p->context->folders.BaseFolder + u"Print"_s;
        QVERIFY(QDir(printFolder).removeRecursively());
        QFile blocker(printFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSignalSpy failed(&m_p->program->printer(), &CardPrinter::printFailed);
        QCOMPARE(m_p->program->printer().printVisible(u"Чек"_s, true, true), CardPrinter::failedMessage());
        QCOMPARE(failed.size(), 1);
        const qsizetype before = m_p->window->findChildren<QMessageBox *>().size();
        QTest::mouseClick(m_p->window->modeButton(1), Qt::LeftButton);
        m_p->window->menuAction(u"Квитанция с фото"_s)->trigger();
        QCOMPARE(m_p->window->statusBar()->currentMessage(), CardPrinter::failedMessage());
        const auto boxes = m_p->window->findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), before + 1);
        QCOMPARE(boxes.last()->text(), CardPrinter::failedMessage());
        m_p.reset();
    }
    void printsTheWaybillAndTheReport()
    {
        m_order.clear();
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)), new AbsentPort);
        m_p->build();
        m_p->login();
        const int number = m_p->weighing->storeNewTodayCard([](CargoCard &card, const NewCardNumbers &numbers) {
            card.id = numbers.id;
            card.number = numbers.number;
            card.texts[CargoName] = u"Щебень"_s;
            card.texts[Sender] = u"Карьер"_s;
            card.texts[Receiver] = u"Стройка"_s;
            card.texts[VehicleNumber] = u"А123ВС77"_s;
            card.gross = 32500;
            card.tare = 20000;
            card.net = 12500;
            card.status = Statuses::complete();
        }, ExtraParams(), CardChange::Store);
        QVERIFY(number > 0);
        ExtraParams plus{};
        plus[1][3] = u"2"_s;
        QVERIFY(PlusFile(PlusFile::besideDayFile(m_p->days->todayPath())).write(number, plus));

        // Both frames: the current card's two copies first, then the archive's one.
        QVERIFY(!m_p->program->printer().printVisible(CardPrinter::Waybill, true, true).isEmpty());
        QStringList files = printedFiles();
        QCOMPARE(files.size(), 3);
        QVERIFY(files[0].contains(u"экз. 1"_s) && files[1].contains(u"экз. 2"_s));
        // Nothing but the copies set: the card's own weights, parties and plate.
        const QString waybill = PdfReader::run(u"pdftotext"_s, {pdf(files[1]), u"-"_s}).simplified();
        for (const QString &value : {u"Щебень"_s, u"Нетто: 12500 кг (Брутто: 32500 кг), взвешивание"_s,
                                     u"Карьер"_s, u"Стройка"_s, u"А123ВС77"_s})
            QVERIFY2(waybill.contains(value), qPrintable(value));
        QVERIFY(!PdfReader::lines(pdf(files[2])).join(u'\n').contains(u"Щебень"_s));

        // "Печать отчета" of the report view, as text and as pictures.
        QTest::mouseClick(m_p->window->modeButton(3), Qt::LeftButton);
        ReportFrame *frame = m_p->window->reportFrame();
        QVERIFY(frame->printButton()->isEnabled());
        QCOMPARE(frame->textModeBox()->accessibleName(), u"текст"_s);
        QCOMPARE(frame->landscapeBox()->accessibleName(), u"альбомная"_s);
        frame->textModeBox()->click();
        QVERIFY(m_p->program->reportPrinter().textMode());
        frame->printButton()->click();
        files = printedFiles();
        QCOMPARE(files.size(), 4);
        QVERIFY(m_p->window->statusBar()->currentMessage().endsWith(files.last()));
        QVERIFY(PdfReader::lines(pdf(files.last())).join(u'\n').contains(u"Щебень"_s));
        frame->textModeBox()->click();
        frame->landscapeBox()->click();
        frame->printButton()->click();
        files = printedFiles();
        QCOMPARE(files.size(), 5);
        // All pages of a report are one document.
        QVERIFY(files.last().contains(u"Отчет о работе весов"_s));
        // Landscape: the page is wider than high.
        const QString info = PdfReader::run(u"pdfinfo"_s, {pdf(files.last())});
        const QRegularExpressionMatch size =
            QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+)"_s).match(info);
        QVERIFY2(size.hasMatch() && size.captured(1).toDouble() > size.captured(2).toDouble(), qPrintable(info));
        m_p.reset();
    }
};

QTEST_MAIN(TestDocumentsWindow)
#include "tst_documents_window.moc"
