#pragma once

#include <QDateTime>
#include <QString>
#include <array>

struct Settings;

// Indices of the main parameters ОП(0)..ОП(24). They are fixed: the day
// file, the reports, the exports and the documents all address them.
enum MainParam {
    CargoName = 0,
    DocumentNumber = 1,
    Sender = 2,
    Receiver = 3,
    VehicleNumber = 4,
    DriverName = 5,
    EscortName = 6,
    Date2 = 7,
    Time2 = 8,
    LitterPercent = 9,
    CardId = 10,
    CardNumber = 11,
    Date1 = 12,
    Time1 = 13,
    OperationType = 14,
    Status = 15,
    Gross = 16,
    Net = 17,
    Tare = 18,
    Weight1 = 19,
    Weight2 = 20,
    LitterWeight = 21,
    CleanWeight = 22,
    SumWeight = 23,
    SumCount = 24,
};

inline constexpr int MainParamCount = 25;
inline constexpr int CardTextCount = 7;

// One weighing, its fields in the order cards are held and passed around.
// Dates and times are days since 30.12.1899; 0 in date2/time2 means the
// second weighing has not happened yet.
struct CargoCard
{
    std::array<QString, CardTextCount> texts; // ОП(0)..ОП(6)
    double date2 = 0;
    double time2 = 0;
    double litterPercent = 0;
    qint32 id = 0;
    qint32 number = 0;
    double date1 = 0;
    double time1 = 0;
    QString operationType;
    QString status;
    double gross = 0;
    double net = 0;
    double tare = 0;
    double weight1 = 0;
    double weight2 = 0;
    double litterWeight = 0;
    double cleanWeight = 0;
    double sumWeight = 0;
    qint32 sumCount = 0;

    bool operator==(const CargoCard &) const = default;
};

namespace OperationTypes {
QString unloading(); // "Разгрузка", the initial selection
QString loading();   // "Погрузка"
QString single();    // "Одинарная"
// In the order the operation-type box lists them.
std::array<QString, 3> all();
} // namespace OperationTypes

namespace Statuses {
QString incomplete(); // "незавершена"
QString complete();   // "завершена"
QString deleted();    // "удалена"
} // namespace Statuses

// Incomplete: the trimmed status starts with "незаве".
bool IsIncomplete(QStringView status);
bool IsDeleted(QStringView status);

// The current caption of ОП(n).
QString MainParamName(const Settings &settings, int n);

// What an entry field keeps of a typed value of parameter `n`: 256
// characters of the cargo, sender, receiver, driver and escort, 32 of the
// vehicle number and of the operation type; everything else whole.
QString limitEntry(int n, const QString &text);

struct DerivedWeights
{
    double litterWeight = 0;
    double cleanWeight = 0;
};
// Litter = net * litter% / 100 as it is; clean = net - litter to 6 decimals.
DerivedWeights deriveWeights(double net, double litterPercent);
// Net = gross - tare to 6 decimals.
double netWeight(double gross, double tare);
// The card's litter and clean weights from its net and litter %.
void applyDerivedWeights(CargoCard &card);

// Which weighing completes a card: the gross of a loading, the tare of an
// unloading.
enum class CompletionKind { Gross, Tare };
// The card after its second weighing: `weight` as its gross or tare, the
// weights derived again, the second date and time `now`, complete.
CargoCard completeCard(CargoCard card, CompletionKind kind, double weight, const QDateTime &now);
// A card of an earlier day closed by an archive completion: "завершена"
// with only its first weight, the weighing itself lives in a later copy.
bool closedByCopy(const CargoCard &card);
// The same from the fields it looks at, for readers without a whole card.
bool closedByCopy(QStringView status, QStringView operationType, double date2, double net, double gross,
                  double tare);
// Whether `copy` is the completed copy of the closed `original`: the same
// first weighing and operation, a later ID, completed.
bool isCompletedCopyOf(const CargoCard &copy, const CargoCard &original);

// A new card of today is about to be stored: the running sum takes the live
// net when summing is on, else it is reset.
void applyRunningSum(Settings &settings, double liveNet);

// The numbers of a new card; ID 0 when none could be given.
struct NewCardNumbers
{
    qint32 id = 0;
    qint32 number = 0;

    explicit operator bool() const { return id != 0; }
};
// Numbers a new card of today: the global counter goes up by one and the
// card takes `dayNumber`, the № the day file says comes next. Refused (ID 0,
// counters untouched) when the counter is exhausted or `dayNumber` is not
// positive, so no ID is ever wrapped round or given twice.
NewCardNumbers numberNewCard(Settings &settings, int dayNumber);
