#include "process.h"

#include <QProcess>

QString runTool(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                int timeoutMs, bool* ok) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    const bool finished = p.waitForFinished(timeoutMs);
    if (!finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    if (ok)
        *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool succeeds(const QString& program, const QStringList& args) {
    bool ok = false;
    runTool(program, args, QProcessEnvironment::systemEnvironment(), 10000, &ok);
    return ok;
}
