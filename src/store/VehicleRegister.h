#pragma once

#include "core/StoreResult.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A known vehicle: its plate, the tare it last weighed empty and when, the
// proximity card its driver shows at the reader and what it usually carries.
struct KnownVehicle
{
    QString plate;
    double tare = 0;
    QDate tareDate;
    QString carrier;
    QString driver;
    QString card; // as typed: "0012345678" or "123,45678"
    QString cargo;
    QString sender;
    QString receiver;
};

// The register of known vehicles, "Vehicles.txt" in the base folder: one
// line per vehicle, its fields separated by tabs (plate, tare with a
// decimal comma, tare date dd.MM.yyyy, carrier, driver, then card, cargo,
// sender, receiver), Windows-1251, CR LF. Lines of older registers end after
// the driver: the later fields are empty; empty fields at a line's end are
// not written, so such a register is rewritten as it was.
// The file is read for every look-up and rewritten whole on a change.
class VehicleRegister
{
public:
    explicit VehicleRegister(const QString &baseFolder);

    QString path() const { return m_path; }
    // Plates compare without blanks and case, Latin look-alikes as the
    // Cyrillic letters: "а 123 вс", "A123BC" and "А123ВС" are one plate.
    static QString plateKey(const QString &plate);

    // Every vehicle, in file order; an unreadable file gives none. A line
    // whose tare or date cannot be read is no vehicle: it goes to
    // `rejected` as it stands, and is kept at the end of the file when the
    // register is written again.
    QList<KnownVehicle> all(QStringList *rejected = nullptr) const;
    std::optional<KnownVehicle> find(const QString &plate) const;
    // The tare offered for `plate` on `today`: none for an unknown plate, a
    // tare of 0 or less or above `maxWeight` (when it is above 0), or one
    // older than `maxAgeDays` (0: any age).
    std::optional<KnownVehicle> offeredTare(const QString &plate, const QDate &today, int maxAgeDays,
                                            double maxWeight) const;
    // Why no tare is offered for `plate`, as the operator reads it; empty
    // when one is.
    QString noTareReason(const QString &plate, const QDate &today, int maxAgeDays, double maxWeight) const;
    // A two-pass weighing of `plate` gave `tare` on `date`: the vehicle's
    // tare follows, a new plate joins; a known driver is kept when none is given.
    StoreResult remember(const QString &plate, double tare, const QDate &date, const QString &driver);
    // The whole register as edited; rows without a plate are dropped.
    StoreResult replaceAll(const QList<KnownVehicle> &vehicles);

private:
    StoreResult write(const QList<KnownVehicle> &vehicles, const QStringList &rejected);

    QString m_path;
};
