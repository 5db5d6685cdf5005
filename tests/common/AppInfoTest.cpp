#include <QtTest>

#include "common/AppInfo.h"
#include "support/ScriptedDialogs.h"

class AppInfoTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void CutTitle_Should_CutWordsUntilAtMost40Characters() {
        QCOMPARE(
            CutTitle(QStringLiteral("One Two Three Four Five Six Seven Eight Nine Ten Eleven")),
            QStringLiteral("One Two Three Four Five Six Seven Eight"));
        // A short name still loses its last word.
        QCOMPARE(CutTitle(QStringLiteral("Alpha Beta Gamma")), QStringLiteral("Alpha Beta"));
        // A name without a space stays whole.
        QCOMPARE(CutTitle(QStringLiteral("Brisvane")), QStringLiteral("Brisvane"));
        QCOMPARE(CutTitle(QString(50, QLatin1Char('x'))), QString(50, QLatin1Char('x')));
    }

    void SetAppTitle_Should_GiveTheProductNameWhole() {
        SetAppTitle();
        QCOMPARE(AppTitle(), QStringLiteral("Brisvane"));
        QCOMPARE(QCoreApplication::applicationName(), AppTitle());  // the dialogs' caption
    }

    void SiteVisitDraw_Should_LieIn1To100AndHit7AboutOnceInAHundred() {
        int sevens = 0;
        int low = 101, high = 0;
        for (quint32 seed = 0; seed < 86400; ++seed) {  // every second of a day
            const int n = SiteVisitDraw(seed);
            low = qMin(low, n);
            high = qMax(high, n);
            if (n == SiteVisitNumber) ++sevens;
        }
        QCOMPARE(low, 1);
        QCOMPARE(high, 100);
        QVERIFY2(sevens > 600 && sevens < 1130, qPrintable(QString::number(sevens)));
    }

    void StartsAtEverySecondOfADay_Should_OpenTheSiteAboutOnceInAHundred() {
        ScriptedDialogs dialogs;
        int reported = 0;
        for (quint32 second = 0; second < 86400; ++second) reported += OpenSiteOccasionally(second);
        QVERIFY2(dialogs.shown.size() > 600 && dialogs.shown.size() < 1130,
                 qPrintable(QString::number(dialogs.shown.size())));
        QCOMPARE(reported, dialogs.shown.size());
        for (const auto& s : dialogs.shown) {
            QCOMPARE(s.kind, QStringLiteral("url"));
            QCOMPARE(s.text, AppInfo::WebSite);
        }
    }

    void OpenSiteOccasionally_Should_OnlyEverOpenTheMakersSite() {
        ScriptedDialogs dialogs;
        OpenSiteOccasionally();
        QVERIFY(dialogs.shown.size() <= 1);
        for (const auto& s : dialogs.shown) {
            QCOMPARE(s.kind, QStringLiteral("url"));
            QCOMPARE(s.text, AppInfo::WebSite);
        }
        QVERIFY(AppInfo::WebSite.contains(QStringLiteral(".example")));
        QVERIFY(AppInfo::SupportEmail.endsWith(QStringLiteral(".example")));
    }
};

QTEST_MAIN(AppInfoTest)
#include "AppInfoTest.moc"
