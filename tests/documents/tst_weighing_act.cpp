#include "PdfReader.h"

#include "core/Clock.h"
#include "core/Folders.h"
#include "core/Settings.h"
#include "documents/WeighingAct.h"
#include "platform/PrintSurface.h"
#include "card/CargoCard.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::array<QString, 25> cardTexts()
{
    std::array<QString, 25> t;
    t[CargoName] = u"Щебень"_s;
    t[Sender] = u"Карьер"_s;
    t[Receiver] = u"Стройка"_s;
    t[VehicleNumber] = u"А123ВС"_s;
    t[CardId] = u"4711"_s;
    t[CardNumber] = u"5"_s;
    t[Date1] = u"09.12.2026"_s;
    t[Time1] = u"08:15:30"_s;
    t[Date2] = u"09.12.2026"_s;
    t[Time2] = u"09:40:05"_s;
    t[Gross] = u"32500"_s;
    t[Tare] = u"20000"_s;
    t[Net] = u"12500"_s;
    return t;
}

QImage solid(int w, int h, Qt::GlobalColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestWeighingAct : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    Settings m_settings;

    QString printAct(bool withPhotos, const std::function<ActPhoto(int)> &photo, QList<int> *asked = nullptr)
    {
        PrintSurface surface(m_clock, m_dir.path() + u"/Print/"_s, PrintSurface::Destination::PdfFiles);
        const bool ok = PrintWeighingAct(surface, m_settings, cardTexts(), withPhotos, [&](int i) {
            if (asked)
                asked->append(i);
            return photo ? photo(i) : ActPhoto();
        });
        return ok && surface.lastWentToFile() ? surface.lastDestination() : QString();
    }

private slots:
    void initTestCase()
    {
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
        ApplyDefaults(m_settings, Folders(m_dir.path()));
        m_settings.ParamNames[Receiver] = u"Кому"_s; // a configured name, not the default
    }

    void textPart()
    {
        QList<int> asked;
        const QString pdf = printAct(false, {}, &asked);
        QVERIFY(!pdf.isEmpty());
        QVERIFY2(asked.isEmpty(), "the act without photos looks for none");
        QStringList lines = PdfReader::lines(pdf);
        for (QString &line : lines)
            line = line.simplified();
        const QStringList expected = {
            u"Кому Стройка"_s, u"Акт взвешивания № 5"_s, u"Дата1 09.12.2026"_s, u"Время1 08:15:30"_s,
            u"Отправитель груза Карьер"_s, u"Номер машины А123ВС"_s, u"Наименование груза Щебень"_s,
            u"Брутто,кг 32500"_s, u"Тары,кг 20000"_s, u"Нетто,кг 12500"_s,
            u"Взвешивание 1: 09.12.2026 08:15:30 брутто 32500 кг"_s,
            u"Взвешивание 2: 09.12.2026 09:40:05 тара 20000 кг"_s, u"Оператор:____________________"_s};
        QCOMPARE(lines, expected);
        // Printed in black where pdftotext finds them, not just present.
        const QImage page = PdfReader::render(pdf, m_dir.path());
        const QList<PdfReader::Word> printed = PdfReader::words(pdf);
        for (const QString &word : {u"Взвешивание"_s, u"08:15:30"_s, u"09:40:05"_s, u"Стройка"_s})
            QVERIFY2(PdfReader::ink(page, PdfReader::find(printed, word)) > 20, qPrintable(word));

        // Which weight each weighing took follows the operation; a single
        // pass weighed no tare, and says where it came from.
        std::array<QString, 25> t = cardTexts();
        t[OperationType] = u"Погрузка"_s;
        QCOMPARE(ActWeighingLines(t, u"кг"_s, QString()),
                 QStringList({u"Взвешивание 1:   09.12.2026   08:15:30   тара 20000 кг"_s,
                              u"Взвешивание 2:   09.12.2026   09:40:05   брутто 32500 кг"_s}));
        t[OperationType] = u"Одинарная"_s;
        QCOMPARE(ActWeighingLines(t, u"т"_s, u"тара из справочника от 01.12.2026"_s).mid(1),
                 QStringList({u"Тара без взвешивания:   20000 т"_s, u"(тара из справочника от 01.12.2026)"_s}));
        t[OperationType] = u"Разгрузка"_s;
        t[Date2].clear();
        t[Time2].clear();
        QCOMPARE(ActWeighingLines(t, u"кг"_s, QString())[1], u"Взвешивание 2:   не выполнено"_s);

        // Columns: Tab(30), Tab(35), Tab(20) of the 14 pt font; gaps of
        // three blanks, two on the time line.
        const QList<PdfReader::Word> words = PdfReader::words(pdf);
        const PdfReader::Word receiver = PdfReader::find(words, u"Кому"_s);
        const PdfReader::Word heading = PdfReader::find(words, u"Акт"_s);
        const PdfReader::Word date = PdfReader::find(words, u"Дата1"_s);
        const double column = (receiver.x - date.x) / 10;
        QVERIFY2(column > 100 && column < 200, qPrintable(QString::number(column)));
        QVERIFY(qAbs(heading.x - (date.x + 15 * column)) < 20);
        QVERIFY(qAbs(date.x - 19 * column) < 40);
        const double threeBlanks = PdfReader::find(words, u"09.12.2026"_s).x - date.right;
        const double twoBlanks = PdfReader::find(words, u"08:15:30"_s).x - PdfReader::find(words, u"Время1"_s).right;
        QVERIFY2(qAbs(threeBlanks / twoBlanks - 1.5) < 0.15,
                 qPrintable(QString::number(threeBlanks) + u' ' + QString::number(twoBlanks)));
        // Two blank lines above the first line.
        QVERIFY(receiver.y > 300 && receiver.y < 1000);
    }

    void bothPhotos()
    {
        const QString pdf = printAct(true, [](int i) {
            return i == 0 ? ActPhoto{true, solid(320, 320, Qt::red)} : ActPhoto{true, solid(300, 400, Qt::blue)};
        });
        QVERIFY(!pdf.isEmpty());
        QStringList lines = PdfReader::lines(pdf);
        QVERIFY(lines.last().simplified() == u"Камера 1 09.12.2026 08:15:30 09.12.2026 09:40:05"_s);

        const QList<PdfReader::Word> words = PdfReader::words(pdf);
        const PdfReader::Word camera = PdfReader::find(words, u"Камера"_s);
        // Dates of the first line, both weighing lines, then the caption's two.
        const PdfReader::Word rightDate = PdfReader::find(words, u"09.12.2026"_s, 4);
        QVERIFY2(qAbs(rightDate.x - 6000) < 30, qPrintable(QString::number(rightDate.x)));
        QVERIFY(qAbs(rightDate.y - camera.y) < 10);
        const PdfReader::Word operatorLine = PdfReader::find(words, u"Оператор:____________________"_s);
        QVERIFY(camera.y > operatorLine.bottom);

        const QImage page = PdfReader::render(pdf, m_dir.path());
        const QRectF left = PdfReader::box(page, Qt::red);
        const QRectF right = PdfReader::box(page, Qt::blue);
        QVERIFY2(qAbs(left.x() - 1000) <= 15 && qAbs(right.x() - 6000) <= 15,
                 qPrintable(QString::number(left.x()) + u' ' + QString::number(right.x())));
        QVERIFY(qAbs(left.height() - 4000) <= 20 && qAbs(right.height() - 4000) <= 20);
        QVERIFY(qAbs(left.width() - 4000) <= 20);  // 1:1
        QVERIFY(qAbs(right.width() - 3000) <= 20); // 3:4
        QCOMPARE(left.y(), right.y());
        // 200 twips under the caption line.
        QVERIFY2(left.y() - camera.bottom > 150 && left.y() - camera.bottom < 350,
                 qPrintable(QString::number(left.y() - camera.bottom)));
    }

    void widePhotosStayApart()
    {
        // 16:9 photos 4000 high would cover each other and run off the
        // page: each keeps to its own column, in proportion.
        const QString pdf = printAct(true, [](int i) {
            return ActPhoto{true, solid(1280, 720, i == 0 ? Qt::red : Qt::blue)};
        });
        const QImage page = PdfReader::render(pdf, m_dir.path());
        const QRectF left = PdfReader::box(page, Qt::red);
        const QRectF right = PdfReader::box(page, Qt::blue);
        QVERIFY(qAbs(left.x() - 1000) <= 15 && qAbs(right.x() - 6000) <= 15);
        QVERIFY2(left.right() <= 6000 - 150, qPrintable(QString::number(left.right())));
        QVERIFY(right.right() <= page.width() * 10 - 2 * PdfReader::Margin + 15);
        QVERIFY(qAbs(left.width() / left.height() - 16.0 / 9) < 0.02);
        QVERIFY(qAbs(right.width() / right.height() - 16.0 / 9) < 0.02);
        // Two photos of one size print at one scale.
        QVERIFY2(qAbs(left.width() - right.width()) <= 20 && qAbs(left.height() - right.height()) <= 20,
                 qPrintable(QString::number(left.width()) + u' ' + QString::number(right.width())));
    }

    void longLinesStayOnThePage()
    {
        std::array<QString, 25> texts = cardTexts();
        texts[CargoName] = u"Щебень гранитный фракции 20-40 мм для строительных работ, партия номер 471 по договору"_s;
        texts[Receiver] = u"Общество с ограниченной ответственностью Стройка Компания, город Подольск, Северная 12"_s;
        QCOMPARE(texts[CargoName].size(), 86);
        QCOMPARE(texts[Receiver].size(), 86);
        PrintSurface surface(m_clock, m_dir.path() + u"/Print/"_s, PrintSurface::Destination::PdfFiles);
        QVERIFY(PrintWeighingAct(surface, m_settings, texts, false, {}));
        const QList<PdfReader::Page> pages = PdfReader::pages(surface.lastDestination());
        QCOMPARE(pages.size(), 1);
        QString all;
        for (const PdfReader::Word &w : pages[0].words) {
            QVERIFY2(w.right <= pages[0].width + 10, qPrintable(w.text + u' ' + QString::number(w.right)));
            all += w.text + u' ';
        }
        QVERIFY(all.contains(texts[CargoName]) && all.contains(texts[Receiver]));
        // The lines go on below at their own column.
        const PdfReader::Word receiver = PdfReader::find(pages[0].words, u"Кому"_s);
        const PdfReader::Word cargo = PdfReader::find(pages[0].words, u"Наименование"_s);
        const PdfReader::Word last = PdfReader::find(pages[0].words, u"договору"_s);
        QVERIFY(last.y > cargo.bottom);
        QVERIFY2(qAbs(last.x - cargo.x) < 20 || last.x > cargo.x, qPrintable(QString::number(last.x)));
        const PdfReader::Word twelve = PdfReader::find(pages[0].words, u"12"_s);
        QVERIFY(twelve.y > receiver.bottom && twelve.x >= receiver.x - 20);
        QVERIFY(PdfReader::find(pages[0].words, u"Акт"_s).y > twelve.y);
    }

    void missingOrBrokenPhotos()
    {
        // Only the second weighing's photo missing: the caption and one photo.
        QString pdf = printAct(true, [](int i) { return i == 0 ? ActPhoto{true, solid(320, 240, Qt::red)} : ActPhoto{}; });
        QImage page = PdfReader::render(pdf, m_dir.path());
        QVERIFY(!PdfReader::box(page, Qt::red).isNull());
        QVERIFY(PdfReader::box(page, Qt::blue).isNull());
        QVERIFY(PdfReader::lines(pdf).last().contains(u"Камера 1"_s));

        // The first one there but undecodable: caption, no picture, the
        // second still drawn.
        pdf = printAct(true, [](int i) { return i == 0 ? ActPhoto{true, QImage()} : ActPhoto{true, solid(320, 240, Qt::blue)}; });
        page = PdfReader::render(pdf, m_dir.path());
        QVERIFY(PdfReader::box(page, Qt::red).isNull());
        QVERIFY(qAbs(PdfReader::box(page, Qt::blue).x() - 6000) <= 15);

        // No first photo: no caption line at all.
        pdf = printAct(true, [](int i) { return i == 0 ? ActPhoto{} : ActPhoto{true, solid(320, 240, Qt::blue)}; });
        QVERIFY(!PdfReader::lines(pdf).join(u'\n').contains(u"Камера"_s));
        page = PdfReader::render(pdf, m_dir.path());
        QVERIFY(!PdfReader::box(page, Qt::blue).isNull());
    }
};

QTEST_MAIN(TestWeighingAct)
#include "tst_weighing_act.moc"
