#pragma once
#include <QString>
#include <QStringList>

// How a program run ended.
struct RunResult {
    enum class Status { Finished, FailedToStart, TimedOut, Crashed };
    Status status = Status::FailedToStart;
    int exitCode = -1;       // valid when Finished
    QString errorText;       // why it could not start or ended abnormally
    QByteArray errorOutput;  // what it wrote to its error channel

    bool Succeeded() const { return status == Status::Finished && exitCode == 0; }
};

// Starts `program` with `arguments` (no shell: every argument reaches the program as it is) and
// waits exactly until it ends, letting pending window events run meanwhile. A program still
// running after `timeoutMs` milliseconds is stopped and reported as TimedOut.
RunResult RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs);
