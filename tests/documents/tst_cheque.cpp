#include "PdfReader.h"

#include "core/Clock.h"
#include "documents/Cheque.h"
#include "platform/PrintSurface.h"
#include "card/CargoCard.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCheque : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;

    static ChequeValues values()
    {
        ChequeValues v;
        v.texts[CargoName] = u"Щебень"_s;
        v.texts[DocumentNumber] = u"Н-17"_s;
        v.texts[Sender] = u"Карьер"_s;
        v.texts[CardId] = u"4711"_s;
        v.texts[CardNumber] = u"5"_s;
        v.texts[Net] = u"12500"_s;
        v.price = u"1.5"_s;
        v.storedCost = u"20000"_s;
        v.taxNumber = u"7701234567"_s;
        v.scaleSerial = u"123456"_s;
        v.operatorName = u"Оператор"_s;
        v.weightUnit = u"кг"_s;
        v.now = QDateTime(QDate(2026, 12, 9), QTime(10, 5, 7));
        return v;
    }

    QStringList printed(const ChequeValues &v)
    {
        PrintSurface surface(m_clock, m_dir.path() + u"/Print/"_s, PrintSurface::Destination::PdfFiles);
        if (!PrintCheque(surface, v))
            return {};
        return PdfReader::lines(surface.lastDestination());
    }

private slots:
    void initTestCase() { m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 5, 7))); }

    void result()
    {
        ChequeValues v = values();
        QCOMPARE(ChequeResult(v), u" 18750"_s);
        // Only the digits before a decimal comma count.
        v.texts[Net] = u"12500,9"_s;
        QCOMPARE(ChequeResult(v), u" 18750"_s);
        // No additional parameters: the result 0 with its blank.
        v.price.clear();
        QCOMPARE(ChequeResult(v), u" 0"_s);
        v.price = u"-2"_s;
        v.texts[Net] = u"10"_s;
        QCOMPARE(ChequeResult(v), u"-20"_s);
        // The archived card repeats its stored cost whatever the net.
        v.currentCard = false;
        v.storedCost = u" 777 "_s;
        QCOMPARE(ChequeResult(v), u"777"_s);
    }

    void currentCardLayout()
    {
        const QStringList lines = printed(values());
        const QStringList expected = {
            QString(32, u'*'), u"Карьер"_s, QString(32, u'='), u"Чек №4711 от 09.12.2026 10:05:07"_s,
            u"Весы №123456"_s, u"Оператор:Оператор"_s, QString(32, u'='), u"Щебень"_s,
            u"12500кг*1.5= 18750"_s, QString(32, u'='), u"ИТОГО: 18750"_s, QString(32, u'='),
            u"Док.Н-17"_s, u"09.12.2026 10:05:07"_s, u"ИНН:7701234567"_s, QString(32, u'*')};
        QCOMPARE(lines, expected);
    }

    void archiveCardLayout()
    {
        ChequeValues v = values();
        v.currentCard = false;
        v.taxNumber.clear(); // the sender is not in the list
        const QStringList lines = printed(v);
        QCOMPARE(lines.value(3), u"Чек №4711"_s);
        QCOMPARE(lines.value(8), u"12500кг*1.5=20000"_s);
        QCOMPARE(lines.value(10), u"ИТОГО:20000"_s);
        QCOMPARE(lines.value(14), u"ИНН:"_s);
    }

    void width()
    {
        // 32 columns of Courier New 8 pt: 32 × 96 twips.
        PrintSurface surface(m_clock, m_dir.path() + u"/Print/"_s, PrintSurface::Destination::PdfFiles);
        surface.setFontItalic(true); // as the act leaves it
        QVERIFY(PrintCheque(surface, values()));
        QVERIFY(!surface.fontItalic());
        const QList<PdfReader::Word> words = PdfReader::words(surface.lastDestination());
        const PdfReader::Word stars = PdfReader::find(words, QString(32, u'*'));
        QVERIFY2(qAbs(stars.right - stars.x - 32 * 96) < 20, qPrintable(QString::number(stars.right - stars.x)));
        QVERIFY(qAbs(stars.x) < 10);

        // On the page image: the lines are printed in black, and nothing
        // stands right of the 32 columns of a till receipt.
        const QImage page = PdfReader::render(surface.lastDestination(), m_dir.path());
        QVERIFY(PdfReader::ink(page, stars) > 100);
        QVERIFY(PdfReader::ink(page, PdfReader::find(words, u"ИТОГО:"_s)) > 20);
        QCOMPARE(PdfReader::ink(page, QRectF(32 * 96 + 100, 0, 12000, 16000)), 0);
    }
};

QTEST_MAIN(TestCheque)
#include "tst_cheque.moc"
