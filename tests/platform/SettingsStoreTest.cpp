#include <QtTest>

#include "platform/SettingsStore.h"

class SettingsStoreTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(dir_.path());
    }

    void AbsentKey_Should_ReadAsItsDefault() {
        QCOMPARE(GetSetting(QStringLiteral("Extension"), QStringLiteral("bmp")),
                 QStringLiteral("bmp"));
        QCOMPARE(GetSetting(QStringLiteral("LastFolder")), QString());
        QVERIFY(TextToBool(GetSetting(QStringLiteral("Option2"), BoolText(true))));
    }

    void FalseText_Should_OverrideAYesDefault() {
        SaveSetting(QStringLiteral("Option3"), BoolText(false));
        QCOMPARE(GetSetting(QStringLiteral("Option3"), BoolText(true)), QStringLiteral("False"));
        QVERIFY(!TextToBool(GetSetting(QStringLiteral("Option3"), BoolText(true))));
    }

    void Values_Should_LiveUnderMakerAndSection() {
        SaveSetting(QStringLiteral("Text1"), QStringLiteral("/home/u/Ürlaub/"));
        QSettings raw(dir_.filePath(QStringLiteral("Tarnwick/Brisvane.ini")), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Brisvane/Text1")).toString(),
                 QStringLiteral("/home/u/Ürlaub/"));
    }

    void EveryCharacterCode_Should_SurviveTheStore() {
        // The scrambled sample list holds characters 1..255, commas and quotes included.
        QString text;
        for (int c = 1; c <= 255; ++c) text += QChar(c);
        text += QStringLiteral(", \"x\"; =[a]");
        SaveSetting(QStringLiteral("Snapshot"), text);
        QCOMPARE(GetSetting(QStringLiteral("Snapshot")), text);
    }

    void HandEditedValueWithCommas_Should_ReadAsItsText() {
        {
            QSettings raw(dir_.filePath(QStringLiteral("Tarnwick/Brisvane.ini")),
                          QSettings::IniFormat);
            raw.setValue(QStringLiteral("Brisvane/LastFolder"),
                         QStringList{QStringLiteral("/a"), QStringLiteral("b")});
        }
        QCOMPARE(GetSetting(QStringLiteral("LastFolder")), QStringLiteral("/a, b"));
    }

    void TextToBool_Should_ReadTrueFalseAndNumbers() {
        QVERIFY(TextToBool(QStringLiteral("True")));
        QVERIFY(TextToBool(QStringLiteral("true")));
        QVERIFY(!TextToBool(QStringLiteral("FALSE")));
        QVERIFY(TextToBool(QStringLiteral("-1")));
        QVERIFY(!TextToBool(QStringLiteral("0")));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, TextToBool(QStringLiteral("yes")));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, TextToBool(QString()));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
