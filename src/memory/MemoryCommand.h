#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command line without a window: "--help" and "--verify [--record N]
// [--fingerprint XXXX] [BASE]".
namespace MemoryCommand {

// Whether `arguments` (without the program's name) ask for no window.
bool wanted(const QStringList &arguments);
QString usage();
// Runs them; the exit code: 0 everything holds (or the help), 1 anything
// does not, 2 the arguments are wrong. `programFolder` is where the default
// installation lives.
int run(const QStringList &arguments, const QString &programFolder, QTextStream &out, QTextStream &err);

} // namespace MemoryCommand
