#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvel::test {

// One run of a program of the application folder, without a terminal, with
// its output kept. The programs need no display.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun runTool(const QString &program, const QStringList &args, const QString &workDir = QString(),
                       int timeoutMs = 120000)
{
    QProcess p;
    p.setProgram(QStringLiteral(KORVEL_BUILD_APP_DIR "/") + program);
    p.setArguments(args);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start();
    ToolRun r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace korvel::test
