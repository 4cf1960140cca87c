#include "MemoryCommand.h"

#include "MemoryVerifier.h"

#include "core/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace MemoryCommand {

namespace {

const QString BaseName = u"Tarvo v.3.00"_s;

// BASE is the installation's base folder or the folder that holds it.
Folders foldersOf(const QString &base, const QString &programFolder)
{
    if (base.isEmpty())
        return Folders(Folders::chooseProgramFolder(programFolder));
    const QString clean = QDir::cleanPath(QFileInfo(base).absoluteFilePath());
    if (QFileInfo(clean).fileName() == BaseName)
        return Folders(QFileInfo(clean).absolutePath());
    return Folders(clean);
}

} // namespace

bool wanted(const QStringList &arguments)
{
    return arguments.contains(u"--verify"_s) || arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s);
}

QString usage()
{
    return u"Использование:\n"
           "  tarvo                      запуск программы\n"
           "  tarvo --verify [ПАПКА]     проверка весовой памяти и файлов дня, без окна:\n"
           "                             цепочка записей, подписи, номера без пропусков,\n"
           "                             каждая карточка против её последней записи;\n"
           "                             код выхода 0 — всё сходится, 1 — есть нарушения\n"
           "  tarvo --verify --record N [ПАПКА]\n"
           "                             запись N весовой памяти и её проверка\n"
           "  tarvo --verify --fingerprint XXXX [ПАПКА]\n"
           "                             ещё и отпечаток ключа против напечатанного на акте\n"
           "  tarvo --verify --every-signature [ПАПКА]\n"
           "                             ещё и подпись каждой записи по отдельности (дольше;\n"
           "                             без этого их подтверждает цепочка хэшей)\n"
           "  tarvo --help               эта справка\n"
           "ПАПКА — базовая папка установки («Tarvo v.3.00») или папка, в которой она лежит;\n"
           "по умолчанию — установка этой программы.\n"_s;
}

int run(const QStringList &arguments, const QString &programFolder, QTextStream &out, QTextStream &err)
{
    if (arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s)) {
        out << usage();
        return 0;
    }
    qint64 record = 0;
    QString fingerprint;
    QString base;
    bool everySignature = false;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString &a = arguments[k];
        if (a == u"--verify"_s)
            continue;
        if (a == u"--record"_s && k + 1 < arguments.size()) {
            bool ok = false;
            record = arguments[++k].toLongLong(&ok);
            if (!ok || record < 1) {
                err << u"Номер записи не понят: "_s << arguments[k] << u"\n\n"_s << usage();
                return 2;
            }
        } else if (a == u"--every-signature"_s) {
            everySignature = true;
        } else if (a == u"--fingerprint"_s && k + 1 < arguments.size()) {
            fingerprint = arguments[++k];
        } else if (!a.startsWith(u'-') && base.isEmpty()) {
            base = a;
        } else {
            err << u"Неизвестный параметр: "_s << a << u"\n\n"_s << usage();
            return 2;
        }
    }
    const Folders folders = foldersOf(base, programFolder);
    if (!QFileInfo(folders.BaseFolder).isDir()) {
        err << u"Нет папки установки: "_s << folders.BaseFolder << u'\n';
        return 1;
    }
    const MemoryVerifier verifier(folders);
    if (record > 0) {
        const MemoryVerifier::RecordCheck check = verifier.record(record);
        out << check.text;
        for (const QString &finding : check.findings)
            out << u"! "_s << finding << u'\n';
        out << u"Итог: "_s << check.verdict << u'\n';
        return check.found && check.findings.isEmpty() ? 0 : 1;
    }
    const MemoryVerifier::Report report = verifier.verify(fingerprint, everySignature);
    for (const QString &finding : report.findings)
        out << finding << u'\n';
    out << report.summary() << u'\n';
    return report.ok() ? 0 : 1;
}

} // namespace MemoryCommand
