#include <QtTest>

#include "common/ErrorReport.h"
#include "support/ScriptedDialogs.h"

class ErrorReportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ReportText_Should_MatchTheBoxLayout() {
        const QString text = ErrorReportText(
            QStringLiteral("Path not found"),
            ErrorLocation(QStringLiteral("Form1"), QStringLiteral("Form_Load")), 104);
        QCOMPARE(text, QStringLiteral(
                           "Path not found\r\nin Velloran2021/08/31.Form1.Form_Load at line 104\r\r"
                           "Please email screenshot of this message to support@brisvane.example"));
    }

    void FailingSteps_Should_BeReportedEachAndTheHandlerGoesOn() {
        ScriptedDialogs dialogs;
        ErrorSteps s(ErrorLocation(QStringLiteral("Form1"), QStringLiteral("PushButton8_Click")));
        QStringList ran;
        s.Do(100, [&] { throw AppError(QStringLiteral("first")); });
        s.Do(102, [&] { throw AppError(QStringLiteral("second")); });
        s.Do(104, [&] { ran << QStringLiteral("104"); });
        QCOMPARE(ran, QStringList{QStringLiteral("104")});
        QCOMPARE(dialogs.shown.size(), 2);
        QVERIFY(dialogs.shown[0].text.contains(QStringLiteral("at line 100")));
        QVERIFY(dialogs.shown[1].text.startsWith(QStringLiteral("second\r\n")));
        QCOMPARE(dialogs.shown[1].caption, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.shown[1].icon, Dialogs::Icon::Warning);
    }

    void FailingTest_Should_RunTheGuardedBranch() {
        ScriptedDialogs dialogs;
        ErrorSteps s(QStringLiteral("in X "));
        bool branchRan = false;
        if (s.Test(100, []() -> bool { throw AppError(QStringLiteral("bad")); })) branchRan = true;
        QVERIFY(branchRan);
        QCOMPARE(dialogs.shown.size(), 1);
    }
};

QTEST_MAIN(ErrorReportTest)
#include "ErrorReportTest.moc"
