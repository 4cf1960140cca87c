#include "SettingsFile.h"

#include "CommitLog.h"
#include "DurableFile.h"
#include "Cp1251.h"
#include "CrashPoint.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <variant>
#include <vector>

using namespace SettingsLayout;
using namespace Qt::StringLiterals;

namespace {

struct VariantText {
    QString *text;
};

using Field = std::variant<QString *, VariantText, qint16 *, qint32 *, double *>;

// One entry per record, in file order.
std::vector<Field> records(Settings &s)
{
    std::vector<Field> r;
    r.reserve(kRecordCount);
    r.insert(r.end(), {&s.PortNumber, &s.BaudRate, &s.Parity, &s.DataBits, &s.StopBits,
                       &s.AutoMinWeight, &s.CardIdCounter, &s.DayCardNumber, &s.SumCount,
                       &s.SumModeOn, &s.SumWeight, &s.AutoStart, &s.TerminalType});
    for (int i = 0; i < 9; ++i) {
        r.push_back(&s.OperatorName[i]);
        r.push_back(&s.OperatorCode[i]);
    }
    r.insert(r.end(), {&s.EngineerName, &s.EngineerCode, &s.EditCode, &s.ResultFolder});
    for (QString &name : s.ParamNames)
        r.push_back(&name);
    r.push_back(VariantText{&s.LogPath});
    r.insert(r.end(), {&s.ScaleModel, &s.ScaleSerial, &s.VerificationDate, &s.IpCameraNumber,
                       &s.TareFromKeyboard, &s.ShowReceiptButton, &s.MaxWeight, &s.OverloadFlag,
                       &s.OverloadText, &s.OverloadWeight, &s.WeightUnit, &s.AxleProgram});
    for (int c = 0; c < 3; ++c)
        r.insert(r.end(), {&s.CameraLogin[c], &s.CameraDescription[c], &s.CameraUrl[c],
                           &s.BrowserHeight[c], &s.BrowserWidth[c]});
    for (int c = 0; c < 3; ++c)
        r.insert(r.end(), {&s.PhotoHeight[c], &s.PhotoWidth[c], &s.PhotoShiftDown[c],
                           &s.PhotoShiftRight[c]});
    r.push_back(&s.VideoSourceIp);
    for (int c = 0; c < 3; ++c)
        r.insert(r.end(), {&s.BrowserShiftRight[c], &s.BrowserShiftDown[c]});
    r.push_back(&s.IpCameraNumber); // record 108 repeats record 65
    for (qint32 &flag : s.EditPermissions)
        r.push_back(&flag);
    r.push_back(&s.AdvertCaption);
    for (QString &picture : s.AnimationPictures)
        r.push_back(&picture);
    r.insert(r.end(), {&s.AdvertFontName, &s.AdvertFontSize, &s.AdvertFontBold, &s.AdvertFontItalic,
                       &s.AdvertFontStrikethrough, &s.AdvertFontUnderline, &s.AdvertColor,
                       &s.ImpulseCoefficient, &s.AutoMaxFluctuation, &s.AutoPhoto, &s.DecimalPlaces,
                       &s.PollPeriodMs});
    Q_ASSERT(r.size() == std::size_t(kRecordCount));
    return r;
}

template <typename T>
void put(char *at, T value)
{
    qToLittleEndian(value, at);
}

template <typename T>
T get(const char *at)
{
    return qFromLittleEndian<T>(at);
}

void putText(char *at, const QString &text, int maxBytes)
{
    const QByteArray bytes = encode1251(cut1251(text, maxBytes));
    put<quint16>(at, quint16(bytes.size()));
    std::memcpy(at + 2, bytes.constData(), std::size_t(bytes.size()));
}

QString getText(const char *at, int maxBytes)
{
    const int n = qMin<int>(get<quint16>(at), maxBytes);
    return decode1251(QByteArrayView(at + 2, n));
}

struct Writer {
    char *at;
    void operator()(QString *t) const { putText(at, *t, kTextMax); }
    void operator()(VariantText v) const
    {
        put<quint16>(at, 8);
        putText(at + 2, *v.text, kVariantTextMax);
    }
    void operator()(qint16 *v) const { put(at, *v); }
    void operator()(qint32 *v) const { put(at, *v); }
    void operator()(double *v) const { put(at, *v); }
};

struct Reader {
    const char *at;
    void operator()(QString *t) const { *t = getText(at, kTextMax); }
    void operator()(VariantText v) const
    {
        *v.text = get<quint16>(at) == 8 ? getText(at + 2, kVariantTextMax) : QString();
    }
    void operator()(qint16 *v) const { *v = get<qint16>(at); }
    void operator()(qint32 *v) const { *v = get<qint32>(at); }
    void operator()(double *v) const { *v = get<double>(at); }
};

} // namespace

QByteArray encodeSettings(const Settings &settings)
{
    QByteArray bytes(kFileSize, '\0');
    Settings copy = settings;
    const std::vector<Field> fields = records(copy);
    for (int k = 0; k < kRecordCount; ++k)
        std::visit(Writer{bytes.data() + k * kRecordSize}, fields[std::size_t(k)]);
    return bytes;
}

void decodeSettings(const QByteArray &bytes, Settings &settings)
{
    const std::vector<Field> fields = records(settings);
    for (int k = 0; k < kRecordCount; ++k) {
        // A record past the end of a shorter file reads as zeros.
        char record[kRecordSize] = {};
        const qsizetype offset = qsizetype(k) * kRecordSize;
        if (offset < bytes.size())
            std::memcpy(record, bytes.constData() + offset,
                        std::size_t(qMin<qsizetype>(kRecordSize, bytes.size() - offset)));
        std::visit(Reader{record}, fields[std::size_t(k)]);
    }
    if (settings.ImpulseCoefficient == 0.0)
        settings.ImpulseCoefficient = 1.0;
    settings.PollPeriodMs = usablePollPeriod(settings.PollPeriodMs);
}

namespace {

// The smallest file an earlier version wrote: records 1..126.
constexpr int kOldestRecordCount = 126;

bool isFlag(qint32 value)
{
    return value == 0 || value == 1;
}

bool isFontFlag(qint16 value)
{
    return value == 0 || value == -1 || value == 1;
}

struct Checker {
    const char *at;
    bool operator()(QString *) const { return get<quint16>(at) <= kTextMax; }
    bool operator()(VariantText) const
    {
        const quint16 type = get<quint16>(at);
        const quint16 length = get<quint16>(at + 2);
        return (type == 8 && length <= kVariantTextMax) || (type == 0 && length == 0);
    }
    bool operator()(qint16 *) const { return true; }
    bool operator()(qint32 *) const { return true; }
    bool operator()(double *) const { return std::isfinite(get<double>(at)); }
};

} // namespace

QString settingsDamage(const QByteArray &bytes)
{
    if (bytes.size() < kFileSize && (bytes.size() < kOldestRecordCount * kRecordSize || bytes.size() % kRecordSize != 0))
        return u"файл короче записей настроек (%1 байт из %2)"_s.arg(bytes.size()).arg(kFileSize);
    Settings read;
    const std::vector<Field> fields = records(read);
    for (int k = 0; k < kRecordCount; ++k) {
        const qsizetype offset = qsizetype(k) * kRecordSize;
        if (offset >= bytes.size())
            break;
        if (!std::visit(Checker{bytes.constData() + offset}, fields[std::size_t(k)]))
            return u"запись %1 повреждена"_s.arg(k + 1);
    }
    decodeSettings(bytes, read);
    const Settings &s = read;
    const auto bad = [](const char *field) { return u"неверное значение %1"_s.arg(QLatin1StringView(field)); };
    if (s.CardIdCounter < 0)
        return bad("CardIdCounter");
    if (s.DayCardNumber < 0)
        return bad("DayCardNumber");
    if (s.SumCount < 0)
        return bad("SumCount");
    if (s.TerminalType < 0 || s.TerminalType > 10)
        return bad("TerminalType");
    if (!(s.IpCameraNumber >= 0 && s.IpCameraNumber <= 3) && s.IpCameraNumber != 10)
        return bad("IpCameraNumber");
    if (s.DecimalPlaces < 0 || s.DecimalPlaces > 3)
        return bad("DecimalPlaces");
    if (s.AdvertColor < 0 || s.AdvertColor > 0xFFFFFF)
        return bad("AdvertColor");
    for (const qint32 flag : {s.SumModeOn, s.AutoStart, s.TareFromKeyboard, s.ShowReceiptButton, s.OverloadFlag,
                              s.AxleProgram, s.VideoSourceIp, s.AutoPhoto})
        if (!isFlag(flag))
            return u"неверный признак"_s;
    for (const qint32 flag : s.EditPermissions)
        if (!isFlag(flag))
            return bad("EditPermissions");
    for (const qint16 flag : {s.AdvertFontBold, s.AdvertFontItalic, s.AdvertFontStrikethrough, s.AdvertFontUnderline})
        if (!isFontFlag(flag))
            return u"неверный признак шрифта"_s;
    return QString();
}

QString lastGoodCopyPath(const QString &path)
{
    return path + u".bak"_s;
}

QString damagedCopyPath(const QString &path, const QDate &date)
{
    const QString first = path + u".damaged-"_s + date.toString(u"dd.MM.yyyy"_s);
    QString name = first;
    for (int k = 2; QFileInfo::exists(name); ++k)
        name = first + u'-' + QString::number(k);
    return name;
}

void LoadSettings(Settings &settings, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    decodeSettings(file.readAll(), settings);
}

namespace {

// The file about to be replaced stays as the last good copy: a second name
// for the same bytes, so it costs no copy; the save gives the settings file
// a new one. Nothing when there is no file yet.
void keepLastGoodCopy(const QString &path, const QByteArray &old)
{
    if (old.isEmpty() || !settingsDamage(old).isEmpty())
        return;
    const QByteArray from = QFile::encodeName(path);
    const QByteArray copy = QFile::encodeName(lastGoodCopyPath(path));
    const QByteArray next = copy + ".new";
    ::unlink(next.constData());
    if (::link(from.constData(), next.constData()) == 0 && ::rename(next.constData(), copy.constData()) != 0)
        ::unlink(next.constData());
}

} // namespace

StoreResult StoreSettings(const Settings &settings, const QString &path)
{
    // The counters written in place by a card change must not come back
    // over the file that replaces them.
    if (const StoreResult settled = CommitLog::settleBefore(path); !settled)
        return settled;
    QByteArray bytes = encodeSettings(settings);
    QByteArray old;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        old = file.readAll();
    if (old.size() > kFileSize)
        bytes += old.sliced(kFileSize);
    keepLastGoodCopy(path, old);
    // Synced with its folder: a power cut that brought the old file back
    // would bring an old CardIdCounter, and IDs would be handed out twice.
    return replaceDurably(path, bytes);
}

int removeLeftoverSaveFiles(const QString &path)
{
    // QSaveFile links its content under the file's name + "." + six letters
    // and then renames it; a crash in between leaves that name behind.
    const QFileInfo target(path);
    const QRegularExpression leftover(u"^"_s + QRegularExpression::escape(target.fileName())
                                      + u"\\.[A-Za-z]{6}$"_s);
    QDir folder = target.absoluteDir();
    int removed = 0;
    const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files)
        if (!file.isSymLink() && leftover.match(file.fileName()).hasMatch() && folder.remove(file.fileName()))
            ++removed;
    return removed;
}
