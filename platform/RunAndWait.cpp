#include "platform/RunAndWait.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

RunResult RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs) {
    RunResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());

    QEventLoop loop;
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) loop.quit();
    });

    process.start();
    if (process.state() == QProcess::NotRunning && process.error() == QProcess::FailedToStart) {
        result.errorText = process.errorString();
        return result;
    }
    deadline.start(timeoutMs);
    if (process.state() != QProcess::NotRunning) loop.exec();
    deadline.stop();

    if (process.error() == QProcess::FailedToStart) {
        result.errorText = process.errorString();
        return result;
    }
    if (timedOut && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        result.status = RunResult::Status::TimedOut;
        result.errorText =
            QStringLiteral("it did not finish within %1 seconds").arg(timeoutMs / 1000.0);
        return result;
    }
    result.errorOutput = process.readAllStandardError();
    if (process.exitStatus() == QProcess::CrashExit) {
        result.status = RunResult::Status::Crashed;
        result.errorText = QStringLiteral("it ended abnormally");
        return result;
    }
    result.status = RunResult::Status::Finished;
    result.exitCode = process.exitCode();
    return result;
}
