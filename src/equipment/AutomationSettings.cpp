#include "AutomationSettings.h"

#include "core/DurableFile.h"

#include <QFile>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace {

// An address of an input or coil: 0..65535, or -1 for a part not fitted.
int address(const QString &value, int fallback)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= -1 && n <= 65535 ? n : fallback;
}

int bounded(const QString &value, int low, int high, int fallback)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

QString oneLine(const QString &text)
{
    QString s = text;
    s.remove(u'\r');
    s.remove(u'\n');
    return s.trimmed();
}

} // namespace

AutomationSettings AutomationSettings::load(const QString &baseFolder)
{
    AutomationSettings s;
    const AutomationSettings d;
    QFile file(filePath(baseFolder));
    if (!file.open(QIODevice::ReadOnly))
        return s;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString line : lines) {
        if (const qsizetype comment = line.indexOf(u';'); comment >= 0)
            line.truncate(comment);
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == u"enabled")
            s.enabled = value == u"1";
        else if (key == u"io_host")
            s.ioHost = value;
        else if (key == u"io_port")
            s.ioPort = bounded(value, 1, 65535, d.ioPort);
        else if (key == u"io_unit")
            s.ioUnit = bounded(value, 0, 255, d.ioUnit);
        else if (key == u"beam_entry_input")
            s.beamEntryInput = address(value, d.beamEntryInput);
        else if (key == u"beam_exit_input")
            s.beamExitInput = address(value, d.beamExitInput);
        else if (key == u"light_entry_green_coil")
            s.lightEntryGreenCoil = address(value, d.lightEntryGreenCoil);
        else if (key == u"light_entry_red_coil")
            s.lightEntryRedCoil = address(value, d.lightEntryRedCoil);
        else if (key == u"light_exit_green_coil")
            s.lightExitGreenCoil = address(value, d.lightExitGreenCoil);
        else if (key == u"light_exit_red_coil")
            s.lightExitRedCoil = address(value, d.lightExitRedCoil);
        else if (key == u"barrier_entry_coil")
            s.barrierEntryCoil = address(value, d.barrierEntryCoil);
        else if (key == u"barrier_exit_coil")
            s.barrierExitCoil = address(value, d.barrierExitCoil);
        else if (key == u"empty_weight")
            s.emptyWeight = bounded(value, 0, 100000, d.emptyWeight);
        else if (key == u"scoreboard_port")
            s.scoreboardPort = value;
        else if (key == u"scoreboard_baud")
            s.scoreboardBaud = bounded(value, 300, 921600, d.scoreboardBaud);
        else if (key == u"reader_port")
            s.readerPort = value;
        else if (key == u"reader_baud")
            s.readerBaud = bounded(value, 300, 921600, d.readerBaud);
    }
    return s;
}

StoreResult AutomationSettings::save(const QString &baseFolder) const
{
    QString text;
    const auto line = [&text](const char *key, const QString &value) {
        text += QString::fromLatin1(key) + u'=' + value + u'\n';
    };
    const auto number = [&line](const char *key, int value) { line(key, QString::number(value)); };
    line("enabled", enabled ? u"1"_s : u"0"_s);
    line("io_host", oneLine(ioHost));
    number("io_port", ioPort);
    number("io_unit", ioUnit);
    number("beam_entry_input", beamEntryInput);
    number("beam_exit_input", beamExitInput);
    number("light_entry_green_coil", lightEntryGreenCoil);
    number("light_entry_red_coil", lightEntryRedCoil);
    number("light_exit_green_coil", lightExitGreenCoil);
    number("light_exit_red_coil", lightExitRedCoil);
    number("barrier_entry_coil", barrierEntryCoil);
    number("barrier_exit_coil", barrierExitCoil);
    number("empty_weight", emptyWeight);
    line("scoreboard_port", oneLine(scoreboardPort));
    number("scoreboard_baud", scoreboardBaud);
    line("reader_port", oneLine(readerPort));
    number("reader_baud", readerBaud);
    return replaceDurably(filePath(baseFolder), text.toUtf8());
}
