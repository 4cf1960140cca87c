#include "core/Settings.h"
#include "store/ExtraNames.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Factory names, position j after the j-th "|".
const QString kPartners = u"|Код 1С|Название организации|Адрес юридический|Адрес фактический|Электронная почта"
                          u"|Должность руководителя|Ф.И.О. Руководителя|Ф.И.О. главного бухгалтера"
                          u"|тел/факс секретаря|тел/факс бухгалтерии|Банк|р/с|к/с|ИНН|КПП|БИК|ОКПО|ОКНХ|ОКПОПФ"
                          u"|ОКЭВД|ОГРН|ОКОГУ|ОКАТО|ОКФС"_s;
const QString kConstants[7] = {
    u"|Код 1С|Вид тары|Опасные (ДОПОГ)|Скоропортящиеся (СПС)|Характеристика груза|Сертификат"
    u"|Санитарные требования|Предельный срок перевозки|Свойства груза|Температурный режим"
    u"|Требование пломбировки"_s,
    u"|Код 1С|Тип документа|Перечень (СПС)|Перечень (ДОПОГ)|Перечень сертификатов|Перечень паспортов"_s,
    kPartners,
    kPartners,
    u"|Код 1С|Тип авто|Марка авто|Организация|Адрес организации|Телефон организации|Физическое лицо"
    u"|Адрес физ. лица|Телефон физ. лица|Рег. номера|Грузоподъемность|Объем кузова|Габариты кузова|Прицеп"
    u"|||||Стоимость км|Стоимость час"_s,
    u"|Код 1С|Паспорт|Телефон|Адрес|Место рождения|Дата рождения|Категории|Права|Оплата в час|Оплата за км"_s,
    u"|Код 1С|Паспорт|Телефон|Адрес|Место рождения|Дата рождения|Доверенность|Средства связи"
    u"|Средства защиты"_s,
};
const QString kExtras[7] = {
    u"|Стоимость груза|Цена за ед. веса|Нетто по накладной|Брутто по накладной|Количество мест"
    u"|Способ упаковки|Габариты\\Объём груза|Опломбировка груза|Срок доставки|Параметры транспорта"_s,
    u"|Дата оформления|Номер заявки|Количество экземпляров|Принял заявку"_s,
    u"|Адрес погрузки|Дата погрузки|Факт. дата погрузки|Факт. состояние груза|Кол-во грузовых мест"
    u"|ФИО отпустил|Срок (груз утрачен)|Штраф (за задержку)|Тел. исполнителя|Физическое лицо"_s,
    u"|Адрес разгрузки|Дата разгрузки|Факт. дата разгрузки|Факт. состояние груза|Кол-во грузовых мест"
    u"|ФИО принял|Срок (хранения)|Штраф (за задержку)|Телефон исполнителя|Физическое лицо"_s,
    u"|фио отв. за перевозку|Дата и время  подачи|Дата и время прибытия|Порядок работ по выг/разг"
    u"|Стоимость первозки|Порядок расчета|Тел. для связи"_s,
    u"|Путевой лист 1|Путевой лист 2|Режим труда/отдыха|||||||Прочие условия"_s,
    u"|Маршрут|Расстояние|Время в пути"_s,
};
const QString kParamNames[7] = {u"Наименование груза"_s, u"№ документа"_s, u"Отправитель груза"_s,
                                u"Получатель груза"_s, u"Номер машины"_s, u"Ф.И.О. водителя"_s,
                                u"Ф.И.О. соправождающего"_s};

QString nameOf(const QString &names, int j)
{
    return names.section(u'|', j, j);
}

QByteArray field(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    const QByteArray bytes = encoder.encode(text);
    return bytes + QByteArray(128 - bytes.size(), ' ');
}

QByteArray two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// Block 0 of a list, record by record.
QByteArray expectedHeader(int list)
{
    QByteArray bytes = '{' + field(kParamNames[list]) + "]01";
    for (int k = 2; k <= 24; ++k)
        bytes += '[' + field(nameOf(kConstants[list], k - 1)) + ']' + two(k);
    return bytes + '[' + field(nameOf(kConstants[list], 24)) + "}\r\n";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ExtraNames defaultNames()
{
    ExtraNames names;
    names.applyDefaults(defaultParamNames(u"кг"_s));
    return names;
}

} // namespace

class TestNameFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void namePlusFile()
    {
        const QString base = m_dir.path() + u'/';
        QVERIFY(saveExtraNames(defaultNames(), base));
        const QByteArray bytes = readAll(base + u"Name_Plus.dat"_s);
        QCOMPARE(bytes.size(), 8960);
        for (int i = 0; i < 7; ++i)
            for (int j = 1; j <= 10; ++j) {
                const int r = i * 10 + j;
                QVERIFY2(bytes.mid((r - 1) * 128, 128) == field(nameOf(kExtras[i], j)), qPrintable(QString::number(r)));
            }
    }

    void pickListHeaders()
    {
        const QString base = m_dir.path() + u'/';
        QVERIFY(WritePickListHeaders(defaultNames(), base));
        for (int list = 0; list < 7; ++list) {
            const QByteArray bytes = readAll(base + QString::number(list + 1) + u".txt"_s);
            QCOMPARE(bytes.size(), 3300);
            QCOMPARE(bytes, expectedHeader(list));
            QCOMPARE(bytes.count('\n'), qsizetype(1)); // one text line
        }
        QVERIFY(!QFile::exists(base + u"8.txt"_s));
    }

    void entryBlock()
    {
        std::array<QString, 25> fields;
        for (int k = 0; k < 25; ++k)
            fields[std::size_t(k)] = u"поле "_s + QString::number(k);
        const QByteArray block = encodePickListBlock(fields, false);
        QCOMPARE(block.size(), 3300);
        QCOMPARE(block.left(132), QByteArray('{' + field(u"поле 0"_s) + "]01"));
        for (int k = 2; k <= 24; ++k)
            QCOMPARE(block.mid((k - 1) * 132, 132),
                     QByteArray('[' + field(u"поле "_s + QString::number(k - 1)) + ']' + two(k - 1)));
        QCOMPARE(block.right(132), QByteArray('[' + field(u"поле 24"_s) + "}\r\n"));

        // A text longer than its field is cut and shifts no record.
        fields[3] = QString(200, u'Я');
        QCOMPARE(encodePickListBlock(fields, true).mid(3 * 132, 132), QByteArray('[' + QByteArray(128, '\xDF') + "]04"));
    }

    void headersKeepEntries()
    {
        const QString base = m_dir.path() + u"/keep/"_s;
        QVERIFY(QDir().mkpath(base));
        std::array<QString, 25> entry;
        entry[0] = u"Щебень"_s;
        const QByteArray entryBlock = encodePickListBlock(entry, false);
        QFile file(base + u"1.txt"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(QByteArray(3300, 'x') + entryBlock));
        file.close();

        QVERIFY(WritePickListHeaders(defaultNames(), base));
        QCOMPARE(readAll(base + u"1.txt"_s), QByteArray(expectedHeader(0) + entryBlock));
    }
};

QTEST_GUILESS_MAIN(TestNameFiles)
#include "tst_name_files.moc"
