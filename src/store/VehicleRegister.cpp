#include "VehicleRegister.h"

#include "DurableWrite.h"
#include "core/Cp1251.h"
#include "core/Formats.h"
#include "core/Numbers.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// A field never holds the separators of the file.
QString clean(const QString &text)
{
    QString s = text.trimmed();
    for (QChar &c : s)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return s;
}

} // namespace

VehicleRegister::VehicleRegister(const QString &baseFolder)
    : m_path(baseFolder + u"Vehicles.txt"_s)
{
}

QString VehicleRegister::plateKey(const QString &plate)
{
    // Plates use only the letters that look alike in both alphabets: a
    // plate typed on the Latin layout is the same plate.
    static constexpr char16_t latin[] = u"ABEKMHOPCTYX";
    static constexpr char16_t cyrillic[] = u"АВЕКМНОРСТУХ";
    QString key;
    key.reserve(plate.size());
    for (QChar c : plate) {
        if (c.isSpace())
            continue;
        c = c.toUpper();
        for (size_t k = 0; k + 1 < std::size(latin); ++k)
            if (c == QChar(latin[k]))
                c = QChar(cyrillic[k]);
        key += c;
    }
    return key;
}

QList<KnownVehicle> VehicleRegister::all(QStringList *rejected) const
{
    QList<KnownVehicle> vehicles;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return vehicles;
    const QStringList lines = decode1251(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    // A tare is a plain number with a decimal comma, as the register writes it.
    static const QRegularExpression number(u"^-?[0-9]{1,9}(,[0-9]{1,6})?$"_s);
    for (const QString &line : lines) {
        const QStringList f = line.split(u'\t');
        if (f.isEmpty() || plateKey(f[0]).isEmpty())
            continue;
        KnownVehicle v;
        v.plate = f[0].trimmed();
        const QString tare = f.value(1).trimmed();
        const QString date = f.value(2).trimmed();
        v.tare = ParseNumber(tare);
        v.tareDate = QDate::fromString(date, u"dd.MM.yyyy"_s);
        if ((!tare.isEmpty() && !number.match(tare).hasMatch()) || (!date.isEmpty() && !v.tareDate.isValid())) {
            if (rejected)
                rejected->append(line);
            continue;
        }
        v.carrier = f.value(3).trimmed();
        v.driver = f.value(4).trimmed();
        v.card = f.value(5).trimmed();
        v.cargo = f.value(6).trimmed();
        v.sender = f.value(7).trimmed();
        v.receiver = f.value(8).trimmed();
        vehicles.append(v);
    }
    return vehicles;
}

std::optional<KnownVehicle> VehicleRegister::find(const QString &plate) const
{
    const QString key = plateKey(plate);
    if (key.isEmpty())
        return std::nullopt;
    for (const KnownVehicle &v : all())
        if (plateKey(v.plate) == key)
            return v;
    return std::nullopt;
}

std::optional<KnownVehicle> VehicleRegister::offeredTare(const QString &plate, const QDate &today,
                                                         int maxAgeDays, double maxWeight) const
{
    if (!noTareReason(plate, today, maxAgeDays, maxWeight).isEmpty())
        return std::nullopt;
    return find(plate);
}

QString VehicleRegister::noTareReason(const QString &plate, const QDate &today, int maxAgeDays, double maxWeight) const
{
    if (plateKey(plate).isEmpty())
        return u"Не указан номер машины"_s;
    const std::optional<KnownVehicle> v = find(plate);
    const QString name = plate.trimmed();
    if (!v)
        return u"Машины %1 нет в справочнике машин"_s.arg(name);
    if (v->tare <= 0)
        return u"У машины %1 нет сохранённой тары"_s.arg(name);
    if (!v->tareDate.isValid())
        return u"У машины %1 в справочнике нет даты тары: введите её в справочнике машин"_s.arg(name);
    if (maxWeight > 0 && v->tare > maxWeight)
        return u"Тара машины %1 (%2) больше наибольшего веса весов"_s.arg(name, NumberText(v->tare));
    if (maxAgeDays > 0 && v->tareDate.daysTo(today) > maxAgeDays)
        return u"Тара машины %1 от %2 старше %3 дн."_s.arg(name, ShortDateText(v->tareDate)).arg(maxAgeDays);
    return QString();
}

StoreResult VehicleRegister::remember(const QString &plate, double tare, const QDate &date, const QString &driver)
{
    const QString key = plateKey(plate);
    if (key.isEmpty() || tare <= 0)
        return {};
    QStringList rejected;
    QList<KnownVehicle> vehicles = all(&rejected);
    auto it = std::find_if(vehicles.begin(), vehicles.end(),
                           [&key](const KnownVehicle &v) { return plateKey(v.plate) == key; });
    if (it == vehicles.end()) {
        KnownVehicle v;
        v.plate = plate.trimmed();
        v.tare = tare;
        v.tareDate = date;
        v.driver = driver.trimmed();
        vehicles.append(v);
    } else {
        it->tare = tare;
        it->tareDate = date;
        if (!driver.trimmed().isEmpty())
            it->driver = driver.trimmed();
    }
    return write(vehicles, rejected);
}

StoreResult VehicleRegister::replaceAll(const QList<KnownVehicle> &vehicles)
{
    QStringList rejected;
    (void)all(&rejected);
    return write(vehicles, rejected);
}

StoreResult VehicleRegister::write(const QList<KnownVehicle> &vehicles, const QStringList &rejected)
{
    QString text;
    for (const KnownVehicle &v : vehicles) {
        if (plateKey(v.plate).isEmpty())
            continue;
        QStringList fields = {clean(v.plate),  NumberText(v.tare),
                              v.tareDate.isValid() ? ShortDateText(v.tareDate) : QString(),
                              clean(v.carrier), clean(v.driver),
                              clean(v.card),    clean(v.cargo),
                              clean(v.sender),  clean(v.receiver)};
        while (fields.size() > 5 && fields.last().isEmpty())
            fields.removeLast();
        text += fields.join(u'\t') + u"\r\n"_s;
    }
    for (const QString &line : rejected)
        text += line + u"\r\n"_s;
    return replaceDurably(m_path, encode1251(text));
}
