#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "platform/RunAndWait.h"

// The tests start POSIX tools; the seam itself has nothing platform-specific.
class RunAndWaitTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("uses POSIX tools");
#endif
    }

    void Run_Should_ReturnTheExitCodeAndErrorOutput() {
        const RunResult r =
            RunAndWait(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("echo trouble >&2; exit 3")}, 10000);
        QCOMPARE(r.status, RunResult::Status::Finished);
        QCOMPARE(r.exitCode, 3);
        QVERIFY(!r.Succeeded());
        QCOMPARE(r.errorOutput.trimmed(), QByteArray("trouble"));
    }

    void Arguments_Should_ArriveUnchanged() {
        const QString awkward = QStringLiteral("a b \"q\" 'x' $HOME `id` ü\nline; rm -rf x");
        const QString out = dir_.filePath(QStringLiteral("arg.txt"));
        const RunResult r =
            RunAndWait(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\" > \"$2\""),
                        QStringLiteral("sh"), awkward, out},
                       10000);
        QVERIFY(r.Succeeded());
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), awkward);
    }

    void Wait_Should_LetEventsRunAndEndWhenTheProgramEnds() {
        bool timerRan = false;
        QTimer::singleShot(50, [&] { timerRan = true; });
        QElapsedTimer clock;
        clock.start();
        const RunResult r =
            RunAndWait(QStringLiteral("/bin/sleep"), {QStringLiteral("0.3")}, 10000);
        QVERIFY(r.Succeeded());
        QVERIFY(timerRan);
        QVERIFY(clock.elapsed() >= 290);
        QVERIFY(clock.elapsed() < 2000);  // no fixed waits on top
    }

    void LongRun_Should_BeStoppedAtTheTimeOut() {
        QElapsedTimer clock;
        clock.start();
        const RunResult r = RunAndWait(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, 300);
        QCOMPARE(r.status, RunResult::Status::TimedOut);
        QVERIFY(!r.Succeeded());
        QVERIFY(clock.elapsed() < 5000);
    }

    void MissingProgram_Should_FailToStart() {
        const RunResult r = RunAndWait(dir_.filePath(QStringLiteral("no-such-program")), {}, 10000);
        QCOMPARE(r.status, RunResult::Status::FailedToStart);
        QVERIFY(!r.errorText.isEmpty());
    }
};

QTEST_MAIN(RunAndWaitTest)
#include "RunAndWaitTest.moc"
