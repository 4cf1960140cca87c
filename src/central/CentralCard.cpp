#include "CentralCard.h"

#include "core/OleDate.h"
#include "store/DayFileCodec.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<const char16_t *, CardTextCount> kTextColumns = {
    u"cargo", u"document_number", u"sender", u"receiver", u"vehicle_number", u"driver", u"escort"};

// PostgreSQL keeps no NUL in a text.
QString clean(QString text) { return text.remove(QChar(0)); }

QJsonValue dateValue(double ole)
{
    const QDate date = oleDateToDate(ole);
    return ole == 0 || !date.isValid() ? QJsonValue() : QJsonValue(date.toString(Qt::ISODate));
}

QJsonValue timeValue(double ole)
{
    const QTime time = oleDateToTime(ole);
    return ole == 0 || !time.isValid() ? QJsonValue() : QJsonValue(time.toString(u"HH:mm:ss"_s));
}

double oleDate(const QVariant &value) { return value.isNull() ? 0 : toOleDate(value.toDate()); }
double oleTime(const QVariant &value) { return value.isNull() ? 0 : toOleTime(value.toTime()); }

} // namespace

QJsonObject CentralCard::toJson(const CargoCard &stored, const ExtraParams &extras, const QDate &day)
{
    const CargoCard c = decodeDayCard(encodeDayCard(stored));
    QJsonObject o;
    o[u"card_id"_s] = c.id;
    o[u"day"_s] = day.toString(Qt::ISODate);
    o[u"number"_s] = c.number;
    for (int i = 0; i < CardTextCount; ++i)
        o[QString::fromUtf16(kTextColumns[size_t(i)])] = clean(c.texts[size_t(i)]);
    o[u"date1"_s] = dateValue(c.date1);
    o[u"time1"_s] = timeValue(c.time1);
    o[u"date2"_s] = dateValue(c.date2);
    o[u"time2"_s] = timeValue(c.time2);
    o[u"litter_percent"_s] = c.litterPercent;
    o[u"operation_type"_s] = clean(c.operationType);
    o[u"status"_s] = clean(c.status);
    o[u"deleted"_s] = IsDeleted(c.status);
    o[u"gross"_s] = c.gross;
    o[u"net"_s] = c.net;
    o[u"tare"_s] = c.tare;
    o[u"weight1"_s] = c.weight1;
    o[u"weight2"_s] = c.weight2;
    o[u"litter_weight"_s] = c.litterWeight;
    o[u"clean_weight"_s] = c.cleanWeight;
    o[u"sum_weight"_s] = c.sumWeight;
    o[u"sum_count"_s] = c.sumCount;
    QJsonArray params;
    for (const auto &values : extras) {
        QJsonArray list;
        for (size_t j = 1; j < values.size(); ++j)
            list.append(clean(values[j]));
        params.append(list);
    }
    o[u"extras"_s] = params;
    return o;
}

QString CentralCard::columns()
{
    return u"card_id, number, cargo, document_number, sender, receiver, vehicle_number, driver, escort, "
           u"date1, time1, date2, time2, litter_percent, operation_type, status, gross, net, tare, weight1, "
           u"weight2, litter_weight, clean_weight, sum_weight, sum_count"_s;
}

CargoCard CentralCard::fromQuery(const QSqlQuery &q)
{
    CargoCard c;
    c.id = q.value(0).toInt();
    c.number = q.value(1).toInt();
    for (int i = 0; i < CardTextCount; ++i)
        c.texts[size_t(i)] = q.value(2 + i).toString();
    c.date1 = oleDate(q.value(9));
    c.time1 = oleTime(q.value(10));
    c.date2 = oleDate(q.value(11));
    c.time2 = oleTime(q.value(12));
    c.litterPercent = q.value(13).toDouble();
    c.operationType = q.value(14).toString();
    c.status = q.value(15).toString();
    c.gross = q.value(16).toDouble();
    c.net = q.value(17).toDouble();
    c.tare = q.value(18).toDouble();
    c.weight1 = q.value(19).toDouble();
    c.weight2 = q.value(20).toDouble();
    c.litterWeight = q.value(21).toDouble();
    c.cleanWeight = q.value(22).toDouble();
    c.sumWeight = q.value(23).toDouble();
    c.sumCount = q.value(24).toInt();
    return c;
}

CargoCard CentralCard::fromArray(const QJsonArray &a)
{
    const auto date = [](const QJsonValue &v) {
        return v.isString() ? toOleDate(QDate::fromString(v.toString(), Qt::ISODate)) : 0.0;
    };
    const auto time = [](const QJsonValue &v) {
        return v.isString() ? toOleTime(QTime::fromString(v.toString(), Qt::ISODate)) : 0.0;
    };
    CargoCard c;
    c.id = a[0].toInt();
    c.number = a[1].toInt();
    for (int i = 0; i < CardTextCount; ++i)
        c.texts[size_t(i)] = a[2 + i].toString();
    c.date1 = date(a[9]);
    c.time1 = time(a[10]);
    c.date2 = date(a[11]);
    c.time2 = time(a[12]);
    c.litterPercent = a[13].toDouble();
    c.operationType = a[14].toString();
    c.status = a[15].toString();
    c.gross = a[16].toDouble();
    c.net = a[17].toDouble();
    c.tare = a[18].toDouble();
    c.weight1 = a[19].toDouble();
    c.weight2 = a[20].toDouble();
    c.litterWeight = a[21].toDouble();
    c.cleanWeight = a[22].toDouble();
    c.sumWeight = a[23].toDouble();
    c.sumCount = a[24].toInt();
    return c;
}

QString CentralCard::changeName(CardChange change)
{
    switch (change) {
    case CardChange::Store:
        return u"store"_s;
    case CardChange::Completion:
        return u"completion"_s;
    case CardChange::ArchiveCompletion:
        return u"archive completion"_s;
    case CardChange::Correction:
        return u"correction"_s;
    case CardChange::Deletion:
        return u"deletion"_s;
    case CardChange::Resend:
        return u"resend"_s;
    }
    return {};
}
