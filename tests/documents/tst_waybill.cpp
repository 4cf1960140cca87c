#include "PdfReader.h"

#include "core/Clock.h"
#include "documents/Waybill.h"
#include "platform/PrintSurface.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Words of every page, in twips of the printable area.
QList<QList<PdfReader::Word>> pageWords(const QString &pdf)
{
    QList<QList<PdfReader::Word>> pages;
    const QString all = PdfReader::run(u"pdftotext"_s, {u"-bbox"_s, u"-raw"_s, pdf, u"-"_s});
    static const QRegularExpression tag(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"_s);
    const QStringList parts = all.split(u"<page "_s);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QList<PdfReader::Word> words;
        for (const QRegularExpressionMatch &m : tag.globalMatch(parts[i])) {
            const auto twips = [&](int n) { return m.captured(n).toDouble() * 20 - PdfReader::Margin; };
            words.append({m.captured(5), twips(1), twips(2), twips(3), twips(4)});
        }
        pages.append(words);
    }
    return pages;
}

// The text of a page with runs of blanks as one blank.
QString pageText(const QList<PdfReader::Word> &words)
{
    QStringList texts;
    for (const PdfReader::Word &w : words)
        texts << w.text;
    return texts.join(u' ');
}

} // namespace

class TestWaybill : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    int m_run = 0;
    double m_width = 0;

    static WaybillValues values()
    {
        WaybillValues v;
        v.cargoName = u"Щебень"_s;
        v.documentNumber = u"Н-17"_s;
        v.cardNumber = u"5"_s;
        v.extras[1][1] = u"09.12.2026"_s;
        v.extras[1][2] = u"З-44"_s;
        v.extras[2][10] = u"Отправитель"_s;
        v.extras[3][10] = u"Получатель"_s;
        v.constants[2][0] = u"Карьер"_s;
        v.constants[2][2] = u"ООО Карьер"_s;
        v.constants[2][3] = u"Адрескарьера"_s;
        v.constants[4][10] = u"А123ВС77"_s;
        v.today = QDate(2026, 12, 9);
        return v;
    }

    // The PDF files of one printing, in the order printed.
    QStringList print(const WaybillValues &v)
    {
        const QString folder = m_dir.path() + u"/run"_s + QString::number(++m_run) + u"/Print/"_s;
        PrintSurface surface(m_clock, folder, PrintSurface::Destination::PdfFiles);
        m_width = surface.pageWidth();
        QStringList files;
        QObject::connect(&surface, &PrintSurface::documentFinished, [&files](const QString &path, bool) {
            files << path;
        });
        if (!PrintWaybill(surface, v))
            return {};
        return files;
    }

    double at(double f) const { return std::trunc(f * m_width); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());

        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 5, 7)));
    }

    void copies()
    {
        QCOMPARE(WaybillCopies(u"3"_s), 3);
        QCOMPARE(WaybillCopies(u" 10 "_s), 10);
        QCOMPARE(WaybillCopies(u"2,9"_s), 2);
        QCOMPARE(WaybillCopies(u"0"_s), 1);
        QCOMPARE(WaybillCopies(u"11"_s), 1);
        QCOMPARE(WaybillCopies(u"-3"_s), 1);
        QCOMPARE(WaybillCopies(u"много"_s), 1);
        QCOMPARE(WaybillCopies(QString()), 1);

        // Three copies: three jobs of front and reverse side, numbered.
        WaybillValues v = values();
        v.extras[1][3] = u" 3 "_s;
        const QStringList files = print(v);
        QCOMPARE(files.size(), 3);
        for (int n = 0; n < 3; ++n) {
            const auto pages = pageWords(files[n]);
            QCOMPARE(pages.size(), 2);
            const PdfReader::Word copy = PdfReader::find(pages[0], u"Экземпляр"_s);
            QVERIFY(pageText(pages[0]).contains(u"Экземпляр № "_s + QString::number(n + 1) + u" Дата 09.12.2026 № З-44"_s));
            // "№", two blanks and " n": the number stands three blanks off.
            const PdfReader::Word sign = PdfReader::find(pages[0], u"№"_s);
            const PdfReader::Word number = PdfReader::find(pages[0], QString::number(n + 1));
            QVERIFY(qAbs(sign.y - copy.y) < 5 && qAbs(number.y - copy.y) < 5);
            QVERIFY2(number.x - sign.right > 60 && number.x - sign.right < 150,
                     qPrintable(QString::number(number.x - sign.right)));
            QVERIFY(pageText(pages[1]).startsWith(u"Продолжение Приложение №4 Оборотная сторона 10.Перевозчик"_s));
        }
    }

    void wrappedAndCutValues()
    {
        // 64 characters: one line, then a blank line before the address. The
        // letters are narrow enough for 64 to fit the column.
        WaybillValues v = values();
        v.constants[2][2] = QString(64, u'н');
        auto page = pageWords(print(v).value(0)).value(0);
        PdfReader::Word name = PdfReader::find(page, QString(64, u'н'));
        PdfReader::Word address = PdfReader::find(page, u"Адрескарьера"_s);
        QVERIFY(name.right > 0 && address.right > 0);
        const double line = address.y - name.y;
        QCOMPARE(qAbs(name.x - at(0.062)) < 20, true);
        QCOMPARE(qAbs(address.x - at(0.062)) < 20, true);

        // 65 characters: 64, and the 65th under them.
        v.constants[2][2] = QString(64, u'н') + u'Ю';
        page = pageWords(print(v).value(0)).value(0);
        name = PdfReader::find(page, QString(64, u'н'));
        const PdfReader::Word rest = PdfReader::find(page, u"Ю"_s);
        address = PdfReader::find(page, u"Адрескарьера"_s);
        QVERIFY(rest.right > 0);
        QVERIFY(qAbs(rest.x - at(0.062)) < 20);
        QVERIFY(qAbs(2 * (rest.y - name.y) - line) < 10);
        QVERIFY(qAbs((address.y - name.y) - line) < 10);

        // A sender of 100 characters in a field of at most 80.
        v = values();
        v.extras[2][10] = QString(80, u'Щ') + QString(20, u'Ы');
        // Wide letters: the 80 go on below within their column.
        const QString text = pageText(pageWords(print(v).value(0)).value(0)).remove(u' ');
        QVERIFY(text.contains(QString(80, u'Щ')) && !text.contains(QString(81, u'Щ')));
        QVERIFY(!text.contains(u'Ы'));
    }

    void blankCardPrintsTheWholeForm()
    {
        WaybillValues v;
        v.today = QDate(2026, 12, 9);
        const QStringList files = print(v);
        QCOMPARE(files.size(), 1);
        const auto pages = pageWords(files[0]);
        QCOMPARE(pages.size(), 2);
        const QString front = pageText(pages[0]);
        const QString back = pageText(pages[1]);
        for (const QString &title :
             {u"ТРАНСПОРТНАЯ НАКЛАДНАЯ"_s, u"1.Грузоотправитель 2.Грузополучатель"_s, u"3.Наименование груза"_s,
              u"4.Сопроводительные документы на груз"_s, u"5.Указания грузоотправителя."_s,
              u"6.Прием груза 7.Сдача груза"_s, u"8.Условия перевозки"_s,
              u"9.Информация о принятии заказа(заявки) к исполнению"_s, u"ответсвенного за перевозку)"_s,
              u"паспартов качества"_s, u"(фактические дата и время прибытия) (фактические дата и время прибытия)"_s,
              u"Экземпляр № 1 Дата № Грузо"_s.chopped(6)})
            QVERIFY2(front.contains(title), qPrintable(title));
        for (const QString &title :
             {u"10.Перевозчик"_s, u"11.Транспортное средство"_s, u"12.Оговорки и замечания перевозчика"_s,
              u"13.Прочие условия"_s, u"14. Переадресовка"_s,
              u"15. Стоимомть услуг перевозчика и порядок расчета провозной платы"_s,
              u"16. Дата составления, подписи сторон"_s,
              u"17. Отметки грузоотправителей, грузополучателей и перевозчиков"_s, u"(исчесления)"_s,
              u"09.12.2026 (грузоотправитель"_s, u"Подпись, дата"_s, u"отметки"_s})
            QVERIFY2(back.contains(title), qPrintable(title));
        // Every section of the front is on the front, none spilled over.
        QVERIFY(!back.contains(u"9.Информация"_s));
        // No caption runs off the paper: the longest one goes on below.
        for (const auto &page : pages)
            for (const PdfReader::Word &w : page)
                QVERIFY2(w.right <= m_width + 20, qPrintable(w.text));
        QVERIFY(back.contains(u"водителя (водителей))"_s));
    }

    // Values and captions of the two-column blocks break at their column's
    // end, never over the divider into the other column.
    void columnsKeepToThemselves()
    {
        WaybillValues v = values();
        v.extras[2][1] = u"Российская Федерация, Московская область, городской округ Подольск, "
                         u"промышленная зона Северная, строение 12, к. 35"_s;
        QCOMPARE(v.extras[2][1].size(), 114);
        v.extras[3][2] = u"ШИРОКИЕ ЗАГЛАВНЫЕ БУКВЫ ОДНОЙ СТРОКОЙ "_s.repeated(3).left(80);
        v.extras[2][10] = QString(u"Ш"_s).repeated(80);
        const auto pages = pageWords(print(v).value(0));
        QCOMPARE(pages.size(), 2);
        const auto y = [&](const QString &word) { return PdfReader::find(pages[0], word).y; };
        QStringList left, right;
        int checked = 0;
        for (const auto &[from, to] : {std::pair(y(u"1.Грузоотправитель"_s), y(u"3.Наименование"_s)),
                                       std::pair(y(u"6.Прием"_s), y(u"8.Условия"_s))}) {
            QVERIFY(from > 0 && to > from);
            for (const PdfReader::Word &w : pages[0]) {
                if (w.y <= from + 5 || w.y >= to - 5)
                    continue;
                ++checked;
                const bool isLeft = w.x < at(0.49);
                QVERIFY2(w.right <= at(isLeft ? 0.467 : 0.93) + 10,
                         qPrintable(w.text + u' ' + QString::number(w.x) + u' ' + QString::number(w.right)));
                (isLeft ? left : right) << w.text;
            }
        }
        QVERIFY(checked > 100);
        // Nothing is lost on the way.
        QVERIFY(left.join(u' ').contains(v.extras[2][1]));
        QVERIFY(right.join(u' ').contains(v.extras[3][2].simplified()));
        QVERIFY(left.join(QString()).contains(v.extras[2][10]));
        QVERIFY(right.join(u' ').contains(u"(подпись и оттиск печати грузополучателя (при наличии) подпись "
                                          u"водителя,сдавшего груз)"_s));
    }

    // A card whose parameters and list entries hold nothing: the form
    // carries what the card itself holds. What the engineer set comes first.
    void cardValuesFillEmptyFields()
    {
        WaybillValues v;
        v.cargoName = u"Щебень"_s;
        v.cardNumber = u"5"_s;
        v.boxes = {u"Щебень"_s, u"Н-17"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС77"_s, u"Петров"_s, QString()};
        v.gross = u"32500"_s;
        v.net = u"12500"_s;
        v.weightUnit = u"кг"_s;
        v.today = QDate(2026, 12, 9);
        QString pdf = print(v).value(0);
        auto pages = pageWords(pdf);
        QCOMPARE(pages.size(), 2);
        QString front = pageText(pages[0]);
        const QString weighed = u"Нетто: 12500 кг (Брутто: 32500 кг)"_s;
        QVERIFY2(front.contains(weighed + u" Габариты\\Объём:"_s), qPrintable(front));
        QVERIFY(front.contains(weighed + u", взвешивание на автомобильных весах"_s));
        const auto near = [&](const QList<PdfReader::Word> &page, const QString &word, double f) {
            const PdfReader::Word w = PdfReader::find(page, word);
            return w.right > 0 && qAbs(w.x - at(f)) < 20;
        };
        // Sender left, receiver right, under titles 1 and 2.
        QVERIFY(near(pages[0], u"ООО"_s, 0.062) && near(pages[0], u"АО"_s, 0.51));
        QVERIFY(PdfReader::find(pages[0], u"ООО"_s).y < PdfReader::find(pages[0], u"3.Наименование"_s).y);
        // The plate in section 11, the driver in 10, the sender signs in 16.
        QVERIFY(near(pages[1], u"А123ВС77"_s, 0.638));
        QVERIFY(near(pages[1], u"Петров"_s, 0.51));
        QVERIFY(pageText(pages[1]).contains(u"ООО Карьер 09.12.2026"_s));

        // On the page images the values are there in black where the text
        // layer says, at the columns of the form.
        QImage image = PdfReader::render(pdf, m_dir.path(), 1);
        for (const QString &word : {u"12500"_s, u"32500"_s, u"ООО"_s, u"Стройка"_s, u"взвешивание"_s})
            QVERIFY2(PdfReader::ink(image, PdfReader::find(pages[0], word)) > 10, qPrintable(word));
        image = PdfReader::render(pdf, m_dir.path(), 2);
        QVERIFY(PdfReader::ink(image, PdfReader::find(pages[1], u"А123ВС77"_s)) > 10);
        QCOMPARE(PdfReader::ink(image, QRectF(m_width + 20, 0, 200, 16000)), 0);

        // Set by the engineer: the invoice's net, the listed plate and name.
        v.extras[0][3] = u"12,4 т"_s;
        v.constants[4][10] = u"В777ОР99"_s;
        v.constants[2][0] = u"ООО Карьер"_s;
        v.constants[2][2] = u"ЗАО Гранит"_s;
        pages = pageWords(print(v).value(0));
        front = pageText(pages[0]);
        QVERIFY2(front.contains(u"Нетто: 12,4 т (Брутто: 32500 кг), взвешивание"_s), qPrintable(front));
        QVERIFY(front.contains(u"ЗАО Гранит"_s) && !front.contains(u"ООО Карьер"_s));
        QVERIFY(near(pages[1], u"В777ОР99"_s, 0.638) && !pageText(pages[1]).contains(u"А123ВС77"_s));
        // Both weights from the invoice: the scale is not the method.
        v.extras[0][4] = u"13 т"_s;
        front = pageText(pageWords(print(v).value(0)).value(0));
        QVERIFY(front.contains(u"Нетто: 12,4 т (Брутто: 13 т)"_s) && !front.contains(u"взвешивание"_s));
    }

    void positions()
    {
        WaybillValues v = values();
        const QStringList files = print(v);
        const auto pages = pageWords(files.value(0));
        QCOMPARE(pages.size(), 2);
        const struct
        {
            int page;
            QString word;
            double f;
        } expected[] = {
            {0, u"Приложение"_s, 0.762}, {0, u"ТРАНСПОРТНАЯ"_s, 0.33}, {0, u"Заказ(заявка)"_s, 0.652},
            {0, u"Экземпляр"_s, 0.048}, {0, u"Дата"_s, 0.5}, {0, u"1.Грузоотправитель"_s, 0.2},
            {0, u"2.Грузополучатель"_s, 0.652}, {0, u"Отправитель"_s, 0.062}, {0, u"Получатель"_s, 0.51},
            {0, u"3.Наименование"_s, 0.41}, {0, u"Щебень"_s, 0.06}, {0, u"4.Сопроводительные"_s, 0.36},
            {0, u"5.Указания"_s, 0.395}, {0, u"6.Прием"_s, 0.2}, {0, u"7.Сдача"_s, 0.652},
            {0, u"8.Условия"_s, 0.41}, {0, u"9.Информация"_s, 0.3}, {1, u"Продолжение"_s, 0.762},
            {1, u"10.Перевозчик"_s, 0.443}, {1, u"11.Транспортное"_s, 0.405}, {1, u"А123ВС77"_s, 0.638},
            {1, u"12.Оговорки"_s, 0.405}, {1, u"13.Прочие"_s, 0.423}, {1, u"14."_s, 0.405},
            {1, u"15."_s, 0.262}, {1, u"16."_s, 0.362}, {1, u"Карьер"_s, 0.062}, {1, u"17."_s, 0.271},
            {1, u"Краткое"_s, 0.081}, {1, u"отметки"_s, 0.262}, {1, u"расчет"_s, 0.548},
            {1, u"Подпись,"_s, 0.79},
        };
        for (const auto &e : expected) {
            const PdfReader::Word w = PdfReader::find(pages[e.page], e.word);
            QVERIFY2(w.right > 0, qPrintable(e.word));
            // Within a point of its place.
            QVERIFY2(qAbs(w.x - at(e.f)) < 20,
                     qPrintable(e.word + u' ' + QString::number(w.x) + u" != "_s + QString::number(at(e.f))));
        }
        // The cargo name in the value font, larger than the captions.
        const PdfReader::Word cargo = PdfReader::find(pages[0], u"Щебень"_s);
        const PdfReader::Word caption = PdfReader::find(pages[0], u"(отгрузочное"_s);
        QVERIFY(cargo.bottom - cargo.y > caption.bottom - caption.y + 20);
        QVERIFY(caption.y > cargo.bottom - 5);
    }
};

QTEST_MAIN(TestWaybill)
#include "tst_waybill.moc"
