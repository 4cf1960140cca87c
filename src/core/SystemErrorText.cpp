#include "SystemErrorText.h"

#include <QFileDevice>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<std::pair<int, const char16_t *>, 17> kTexts{{
    {ENOSPC, u"Нет места на диске"},
    {EDQUOT, u"Превышена квота диска"},
    {EACCES, u"Нет доступа"},
    {EPERM, u"Операция не разрешена"},
    {ENOTDIR, u"Не является папкой"},
    {EISDIR, u"Является папкой"},
    {ENOENT, u"Нет такого файла или папки"},
    {EROFS, u"Файловая система только для чтения"},
    {EEXIST, u"Файл уже существует"},
    {EIO, u"Ошибка ввода-вывода"},
    {EFBIG, u"Файл слишком велик"},
    {ENAMETOOLONG, u"Слишком длинное имя файла"},
    {ENFILE, u"Слишком много открытых файлов в системе"},
    {EMFILE, u"Слишком много открытых файлов"},
    {EBUSY, u"Устройство или ресурс заняты"},
    {ELOOP, u"Слишком много уровней символических ссылок"},
    {EINVAL, u"Недопустимый аргумент"},
}};

} // namespace

QString systemErrorText(int errnum)
{
    for (const auto &[code, text] : kTexts)
        if (code == errnum)
            return QString::fromUtf16(text);
    return qt_error_string(errnum);
}

QString fileErrorText(const QFileDevice &file, int errnum)
{
    QString said = file.errorString();
    // Qt puts the system's (English) text into its own; errno may have moved
    // on since, so the known texts are looked for too, longest first.
    std::array<int, kTexts.size() + 1> codes{};
    codes[0] = errnum;
    std::transform(kTexts.begin(), kTexts.end(), codes.begin() + 1, [](const auto &entry) { return entry.first; });
    std::stable_sort(codes.begin() + 1, codes.end(),
                     [](int a, int b) { return qt_error_string(a).size() > qt_error_string(b).size(); });
    for (const int code : codes) {
        const QString system = qt_error_string(code);
        if (code != 0 && said.contains(system))
            return said.replace(system, systemErrorText(code));
    }
    // A save over a file marked read-only fails before any system call.
    const QFileInfo target(file.fileName());
    if (file.error() == QFileDevice::WriteError && target.exists() && !target.isWritable())
        return u"Файл только для чтения"_s;
    return said;
}
