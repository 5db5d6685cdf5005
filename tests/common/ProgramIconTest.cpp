#include <QtTest>

#include "common/AppInfo.h"
#include "common/Skin.h"

// The windows' icon is the application icon installed for the menu entry, built into the program.
class ProgramIconTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ProgramIcon_Should_OfferEverySizeDrawnForTheTheme() {
        const QIcon icon = ProgramIcon();
        QVERIFY(!icon.isNull());
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size));
            QCOMPARE(pixmap.size(), QSize(size, size));
            QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        }
    }

    void ProgramIcon_Should_BeTheIconInstalledForTheMenuEntry() {
        const QString source = qEnvironmentVariable("BRISVANE_SOURCE_DIR");
        if (source.isEmpty()) QSKIP("BRISVANE_SOURCE_DIR is not set");
        const QImage installed(source +
                               QStringLiteral("/resources/desktop/icons/hicolor/48x48/apps/") +
                               AppInfo::DesktopId + QStringLiteral(".png"));
        QVERIFY(!installed.isNull());
        const QImage shown = ProgramIcon().pixmap(QSize(48, 48)).toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void DesktopEntry_Should_BeNamedAfterTheDesktopId() {
        const QString source = qEnvironmentVariable("BRISVANE_SOURCE_DIR");
        if (source.isEmpty()) QSKIP("BRISVANE_SOURCE_DIR is not set");
        const QString folder = source + QStringLiteral("/resources/desktop/");
        QFile entry(folder + AppInfo::DesktopId + QStringLiteral(".desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains(QStringLiteral("\nIcon=") + AppInfo::DesktopId + QLatin1Char('\n')));
        QVERIFY(text.contains(QStringLiteral("\nExec=brisvane %F\n")));
        QVERIFY(QFileInfo::exists(folder + AppInfo::DesktopId + QStringLiteral(".metainfo.xml")));
    }
};

QTEST_MAIN(ProgramIconTest)
#include "ProgramIconTest.moc"
