#include "OfficeProcess.h"

#include <QDir>
#include <QUrl>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

OfficeProcess::OfficeProcess(const QString &program)
    : m_program(program)
{
}

OfficeProcess::~OfficeProcess()
{
    kill();
}

QStringList OfficeProcess::arguments(const QString &profileFolder, const QString &pipeName)
{
    return {
        u"--headless"_s, u"--invisible"_s, u"--norestore"_s, u"--nologo"_s,
        u"--nodefault"_s, u"--nolockcheck"_s,
        u"-env:UserInstallation="_s + QString::fromLatin1(QUrl::fromLocalFile(profileFolder).toEncoded()),
        u"--accept=pipe,name="_s + pipeName + u";urp;StarOffice.ComponentContext"_s,
    };
}

bool OfficeProcess::start(const QString &profileFolder, const QString &pipeName)
{
    kill();
    m_process.setProgram(m_program);
    m_process.setArguments(arguments(profileFolder, pipeName));
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    // The office's scratch files go with its profile instead of piling up
    // in the system's temporary folder when it is ever killed.
    const QString scratch = withSlash(profileFolder) + u"tmp"_s;
    QDir().mkpath(scratch);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TMPDIR"_s, scratch);
    environment.insert(u"SAL_ENABLE_FILE_LOCKING"_s, u"1"_s); // as the launcher script sets it
    m_process.setProcessEnvironment(environment);
    m_process.setChildProcessModifier([] {
        // A group of its own, so whatever the office starts ends with it; and
        // the office goes when this program dies without ending it. (The
        // office runs without its launcher, which can hang on that signal.)
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    m_group = m_process.processId();
    return true;
}

bool OfficeProcess::isRunning()
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    return !m_process.waitForFinished(0);
}

bool OfficeProcess::askedForRestart()
{
    // The office ends with these codes when it wants to be started again,
    // as after making a new profile.
    return !isRunning() && m_process.exitStatus() == QProcess::NormalExit
        && (m_process.exitCode() == 79 || m_process.exitCode() == 81);
}

bool OfficeProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

void OfficeProcess::kill()
{
    killGroup();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void OfficeProcess::killGroup()
{
    const qint64 group = m_group.exchange(0);
    if (group > 0)
        ::kill(-pid_t(group), SIGKILL);
}
