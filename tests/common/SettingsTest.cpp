#include <QtTest>
#include <functional>

#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "platform/SettingsStore.h"

// The typed settings must keep the keys and texts of the settings files users already have.
class SettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString IniFile() const { return dir_.filePath(QStringLiteral("Tarnwick/Brisvane.ini")); }
    QVariant Stored(const QString& key) const {
        return QSettings(IniFile(), QSettings::IniFormat).value(QStringLiteral("Brisvane/") + key);
    }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(dir_.path());
    }
    void init() { QFile::remove(IniFile()); }

    void EmptyStore_Should_GiveEveryDefault() {
        QCOMPARE(Settings::SampleSnapshot(), QString());
        QCOMPARE(Settings::FolderScanExtension(), QStringLiteral("bmp"));
        QCOMPARE(Settings::FolderScanLastFolder(), QString());
        QCOMPARE(Settings::PolygonToolChosen(), false);
        QCOMPARE(Settings::BoxToolChosen(), true);
        QCOMPARE(Settings::SaveToFolderChosen(), true);
        QCOMPARE(Settings::SaveBesideSourceChosen(), false);
        QCOMPARE(Settings::OutputFolder(), DesktopFolderPath());
        QCOMPARE(Settings::LastOutputFolderPicked(), QString());
        QCOMPARE(Settings::BlockSize(), 4);
        QCOMPARE(Settings::ScanBorder(), 10);
        QVERIFY(!QFile::exists(IniFile()));  // reading writes nothing
    }

    void Writes_Should_UseTheOldKeysAndTexts_data() {
        QTest::addColumn<std::function<void()>>("write");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* name, std::function<void()> write, QStringList keys,
                            QStringList texts) { QTest::newRow(name) << write << keys << texts; };
        row("snapshot", [] { Settings::SetSampleSnapshot(QStringLiteral("\x01q|z")); },
            {QStringLiteral("Snapshot")}, {QStringLiteral("\x01q|z")});
        row("extension", [] { Settings::SetFolderScanExtension(QStringLiteral("jpg")); },
            {QStringLiteral("Extension")}, {QStringLiteral("jpg")});
        row("scan folder", [] { Settings::SetFolderScanLastFolder(QStringLiteral("/p/a, b")); },
            {QStringLiteral("LastFolder")}, {QStringLiteral("/p/a, b")});
        row("polygon", [] { Settings::SetToolChoice(true, false); },
            {QStringLiteral("Option1"), QStringLiteral("Option2")},
            {QStringLiteral("True"), QStringLiteral("False")});
        row("box", [] { Settings::SetToolChoice(false, true); },
            {QStringLiteral("Option1"), QStringLiteral("Option2")},
            {QStringLiteral("False"), QStringLiteral("True")});
        row("beside source", [] { Settings::SetSaveChoice(false, true); },
            {QStringLiteral("Option3"), QStringLiteral("Option4")},
            {QStringLiteral("False"), QStringLiteral("True")});
        row("to folder", [] { Settings::SetSaveChoice(true, false); },
            {QStringLiteral("Option3"), QStringLiteral("Option4")},
            {QStringLiteral("True"), QStringLiteral("False")});
        row("output folder", [] { Settings::SetOutputFolder(QStringLiteral("/home/u/Ürlaub/")); },
            {QStringLiteral("Text1")}, {QStringLiteral("/home/u/Ürlaub/")});
        row("picked folder", [] { Settings::SetLastOutputFolderPicked(QStringLiteral("/d")); },
            {QStringLiteral("LastFolderDot")}, {QStringLiteral("/d")});
        row("block size", [] { Settings::SetBlockSize(12); }, {QStringLiteral("BlockSize")},
            {QStringLiteral("12")});
        row("scan border", [] { Settings::SetScanBorder(40); }, {QStringLiteral("ScanBorder")},
            {QStringLiteral("40")});
    }
    void Writes_Should_UseTheOldKeysAndTexts() {
        QFETCH(std::function<void()>, write);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, texts);
        write();
        for (qsizetype i = 0; i < keys.size(); ++i) QCOMPARE(Stored(keys[i]).toString(), texts[i]);
        QSettings raw(IniFile(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys().size(), keys.size());  // nothing else is touched
    }

    // Texts an earlier version or a hand edit left behind read as they always did.
    void StoredChoices_Should_ReadAsYesNo_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::function<bool()>>("read");
        QTest::addColumn<bool>("expected");
        const std::function<bool()> polygon = &Settings::PolygonToolChosen;
        const std::function<bool()> box = &Settings::BoxToolChosen;
        const std::function<bool()> toFolder = &Settings::SaveToFolderChosen;
        const std::function<bool()> beside = &Settings::SaveBesideSourceChosen;
        QTest::newRow("Option1 True") << "Option1"
                                      << "True" << polygon << true;
        QTest::newRow("Option2 False") << "Option2"
                                       << "False" << box << false;
        QTest::newRow("Option2 false") << "Option2"
                                       << "false" << box << false;
        QTest::newRow("Option3 0") << "Option3"
                                   << "0" << toFolder << false;
        QTest::newRow("Option3 1") << "Option3"
                                   << "1" << toFolder << true;
        QTest::newRow("Option4 -1") << "Option4"
                                    << "-1" << beside << true;
        QTest::newRow("Option4 FALSE") << "Option4"
                                       << "FALSE" << beside << false;
    }
    void StoredChoices_Should_ReadAsYesNo() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(std::function<bool()>, read);
        QFETCH(bool, expected);
        SaveSetting(key, text);
        QCOMPARE(read(), expected);
    }

    void ChoiceThatIsNoYesNoText_Should_Throw() {
        SaveSetting(QStringLiteral("Option2"), QStringLiteral("maybe"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, Settings::BoxToolChosen());
    }

    void EveryRead_Should_SeeTheStoreAsItIsNow() {
        QCOMPARE(Settings::OutputFolder(), DesktopFolderPath());
        SaveSetting(QStringLiteral("Text1"), QStringLiteral("/out/"));
        QCOMPARE(Settings::OutputFolder(), QStringLiteral("/out/"));
        SaveSetting(QStringLiteral("Option1"), QStringLiteral("True"));
        QVERIFY(Settings::PolygonToolChosen());
        SaveSetting(QStringLiteral("Option1"), QStringLiteral("False"));
        QVERIFY(!Settings::PolygonToolChosen());
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
