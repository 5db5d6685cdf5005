#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "common/PathHelpers.h"
#include "output/SaveOptionFrame.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

class SaveOptionFrameTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> settings_;

private Q_SLOTS:
    void init() {
        settings_ = std::make_unique<QTemporaryDir>();
        UseSettingsFolder(settings_->path());
    }

    void Restore_Should_UseTheDefaults_When_NothingIsStored() {
        SaveOptionFrame frame;
        frame.RestoreFromSettings();
        QCOMPARE(frame.Text1->text(), DesktopFolderPath());
        QVERIFY(frame.Option3->isChecked());
        QVERIFY(!frame.Option4->isChecked());
        QVERIFY(frame.Frame6->isEnabled());
        QCOMPARE(frame.title(), QStringLiteral("Save Option"));
    }

    void Restore_Should_ShowTheStoredChoice() {
        SaveSetting(QStringLiteral("Text1"), QStringLiteral("/data/out/"));
        SaveSetting(QStringLiteral("Option3"), QStringLiteral("False"));
        SaveSetting(QStringLiteral("Option4"), QStringLiteral("True"));
        SaveOptionFrame frame;
        frame.RestoreFromSettings();
        QCOMPARE(frame.Text1->text(), QStringLiteral("/data/out/"));
        QVERIFY(frame.Option4->isChecked());
        QVERIFY(!frame.Option3->isChecked());
        QVERIFY(!frame.Frame6->isEnabled());
    }

    void Restore_Should_AllowNeitherOption_When_TheStoreWasEdited() {
        SaveSetting(QStringLiteral("Option3"), QStringLiteral("0"));
        SaveSetting(QStringLiteral("Option4"), QStringLiteral("False"));
        SaveOptionFrame frame;
        frame.RestoreFromSettings();
        QVERIFY(!frame.Option3->isChecked());
        QVERIFY(!frame.Option4->isChecked());
        QCOMPARE(frame.OutputPathFor(QStringLiteral("/p/a.jpg")), QString());
    }

    void Restore_Should_Throw_When_AStoredChoiceIsNotYesOrNo() {
        SaveSetting(QStringLiteral("Option3"), QStringLiteral("maybe"));
        SaveOptionFrame frame;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, frame.RestoreFromSettings());
    }

    void OptionClick_Should_StoreBothOptionsAndEnableTheFolder() {
        SaveOptionFrame frame;
        frame.RestoreFromSettings();
        frame.Option4->click();
        QCOMPARE(GetSetting(QStringLiteral("Option3")), QStringLiteral("False"));
        QCOMPARE(GetSetting(QStringLiteral("Option4")), QStringLiteral("True"));
        QVERIFY(!frame.Frame6->isEnabled());
        frame.Option3->click();
        QCOMPARE(GetSetting(QStringLiteral("Option3")), QStringLiteral("True"));
        QCOMPARE(GetSetting(QStringLiteral("Option4")), QStringLiteral("False"));
        QVERIFY(frame.Frame6->isEnabled());
    }

    void TextChange_Should_BeStored() {
        SaveOptionFrame frame;
        frame.Text1->setText(QStringLiteral("/typed"));
        QCOMPARE(GetSetting(QStringLiteral("Text1")), QStringLiteral("/typed"));
        QCOMPARE(frame.OutputPathFor(QStringLiteral("/p/a.jpg")), QString());  // no option yet
        frame.Option3->click();
        QCOMPARE(frame.OutputPathFor(QStringLiteral("/p/a.jpg")), QStringLiteral("/typed/a.jpg"));
    }

    void ChoosingAFolder_Should_AddTheSeparatorAndRememberIt() {
        ScriptedDialogs dialogs;
        SaveSetting(QStringLiteral("LastFolderDot"), QStringLiteral("/start"));
        dialogs.folders << QStringLiteral("/data/Photos") << QStringLiteral("/");
        SaveOptionFrame frame;
        frame.PushButton4->click();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].kind, QStringLiteral("folder"));
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Please select folder:"));
        QCOMPARE(dialogs.shown[0].initial, QStringLiteral("/start"));
        QCOMPARE(frame.Text1->text(), QStringLiteral("/data/Photos/"));
        QCOMPARE(GetSetting(QStringLiteral("LastFolderDot")), QStringLiteral("/data/Photos"));
        QCOMPARE(GetSetting(QStringLiteral("Text1")), QStringLiteral("/data/Photos/"));
        frame.PushButton4->click();
        QCOMPARE(frame.Text1->text(), QStringLiteral("/"));  // a root stays as it is
    }

    void CancellingTheChooser_Should_ChangeNothing() {
        ScriptedDialogs dialogs;  // no folder queued: cancelled
        SaveSetting(QStringLiteral("LastFolderDot"), QStringLiteral("/start"));
        SaveOptionFrame frame;
        frame.Text1->setText(QStringLiteral("/kept/"));
        frame.PushButton4_Click();
        QCOMPARE(frame.Text1->text(), QStringLiteral("/kept/"));
        QCOMPARE(GetSetting(QStringLiteral("LastFolderDot")), QStringLiteral("/start"));
    }
};

QTEST_MAIN(SaveOptionFrameTest)
#include "SaveOptionFrameTest.moc"
