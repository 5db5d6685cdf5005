#include <QtTest>

#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/Form1.h"
#include "filelist/KeptList.h"
#include "filelist/Samples.h"
#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

using namespace TestFiles;

namespace {
const QString kBadName =
    QStringLiteral("\r\rwas not added because it has bad characters in the filename.");
const QString kTooMany = QStringLiteral(
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
const QString kExtensionPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc "
    "files, etc.)");

QPushButton* Button(Form1& form, const char* name) {
    auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
    if (!button) qFatal("no button %s", name);
    return button;
}

QStringList Entries(Form1& form) {
    return form.List().Paths();
}

// Presses entry `from` and drags it over each of `over`, as the list's events arrive.
void Drag(Form1& form, int from, const QList<int>& over, int screenY = 330) {
    form.ListView1_MouseDown();
    form.ListView1()->setCurrentIndex(form.List().index(from - 1));
    form.ListView1_ItemClick();
    for (int hit : over) form.ListView1_MouseMove(hit, screenY);
    form.ListView1_MouseUp();
}
}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
    QTemporaryDir settings_;
    QTemporaryDir program_;
    QTemporaryDir files_;

    QString File(const QString& name) { return files_.path() + QLatin1Char('/') + name; }

private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(settings_.path());
        const QDir shipped(qEnvironmentVariable("BRISVANE_PROGRAM_DIR"));
        for (const char* f : {"HAND-M.CUR", "drag.ico"})
            QVERIFY(QFile::copy(shipped.filePath(QLatin1String(f)),
                                program_.filePath(QLatin1String(f))));
        SetProgramFolder(program_.path());
        for (const char* f : {"a.jpg", "b.JPG", "c.bmp", "Ürlaub 写真.gif"})
            Touch(File(QString::fromUtf8(f)));
    }

    void init() {
        SaveSetting(QStringLiteral("Snapshot"), QStringLiteral("kept"));
        qApp->setStyleSheet(QString());
    }

    // ---- the window --------------------------------------------------------------------

    void Layout_Should_FollowTheTwipGridWithFixedSize() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QCOMPARE(form.size(), QSize(536, 342));  // grown by the line under the buttons
        QCOMPARE(form.ListNote()->geometry(), QRect(8, 316, 520, 20));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.windowTitle(), QStringLiteral("Brisvane"));
        QVERIFY(!form.windowIcon().isNull());
        const struct {
            const char* name;
            QRect rect;
            const char* text;
        } buttons[] = {
            {"PushButton5", {8, 8, 520, 27}, "Help"},
            {"PushButton1", {8, 216, 256, 27}, "Add Image File(s)"},
            {"PushButton4", {272, 216, 256, 27}, "Add All Image File(s) In Folder"},
            {"PushButton8", {8, 250, 256, 27}, "Clear List"},
            {"PushButton9", {272, 250, 256, 27}, "Load Sample/Example Image"},
            {"PushButton2", {8, 284, 520, 27}, "Next >"},
        };
        for (const auto& b : buttons) {
            QCOMPARE(Button(form, b.name)->geometry(), b.rect);
            QCOMPARE(Button(form, b.name)->text(), QString::fromLatin1(b.text));
            QCOMPARE(Button(form, b.name)->font().pointSizeF(), 11.25);
            QVERIFY(Button(form, b.name)->font().bold());
            // One family in both windows: the editor's.
            QCOMPARE(Button(form, b.name)->fontInfo().family(),
                     Form2(form.List(), &form).fontInfo().family());
        }
        QTreeView* list = form.ListView1();
        QCOMPARE(list->geometry(), QRect(8, 42, 520, 169));
        QCOMPARE(list->font().pointSizeF(), 9.0);
        QVERIFY(list->font().bold());
        QCOMPARE(list->model()->columnCount(), 1);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Image File(s)"));
        QCOMPARE(list->columnWidth(0), 466);
        QCOMPARE(list->toolTip(),
                 QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | "
                                "line to right and out of window to reveal full names."));
        QCOMPARE(dialogs.Messages(), QStringList());
    }

    void Load_Should_RegisterSamplesOnlyWhileSnapshotIsEmpty() {
        ScriptedDialogs dialogs;
        Touch(program_.path() + QStringLiteral("/Samples/s.jpg"));
        { Form1 form(MakeEditor); }
        QCOMPARE(GetSetting(QStringLiteral("Snapshot")), QStringLiteral("kept"));
        SaveSetting(QStringLiteral("Snapshot"), QString());
        { Form1 form(MakeEditor); }
        QCOMPARE(UnscrambleText(GetSetting(QStringLiteral("Snapshot")), SampleKey),
                 program_.path() + QStringLiteral("/Samples/s.jpg"));
        QDir(program_.path() + QStringLiteral("/Samples")).removeRecursively();
    }

    void Skin_Should_ApplyOnlyWhenTheFileIsThere() {
        ScriptedDialogs dialogs;
        { Form1 form(MakeEditor); }
        QVERIFY(qApp->styleSheet().isEmpty());
        Touch(program_.path() + QStringLiteral("/x/o.cjs"), "QPushButton { color: #123456; }");
        { Form1 form(MakeEditor); }
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QPushButton { color: #123456; }"));
        QFile::remove(program_.path() + QStringLiteral("/x/o.cjs"));
        qApp->setStyleSheet(QString());
    }

    void ShippedSkin_Should_BeAValidStyleSheet() {
        QFile skin(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") + QStringLiteral("/x/o.cjs"));
        QVERIFY(skin.open(QIODevice::ReadOnly));
        static QStringList warnings;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
        QPushButton probe(QStringLiteral("x"));
        probe.ensurePolished();  // a parse error prints "Could not parse application stylesheet"
        qInstallMessageHandler(previous);
        qApp->setStyleSheet(QString());
        QCOMPARE(warnings, QStringList());
    }

    void Pointer_Should_FollowButtonsAndBackgroundUnlessBusy() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QVERIFY(form.HasHandPointer());
        form.Button_MouseMove();
        QCOMPARE(form.MousePointer(), Form1::PointerMode::Custom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        form.Form_MouseMove();
        QCOMPARE(form.MousePointer(), Form1::PointerMode::Default);
        form.SetMousePointer(Form1::PointerMode::Busy);
        form.Button_MouseMove();
        form.Form_MouseMove();
        form.ListView1_MouseMove(0, 330);
        QCOMPARE(form.MousePointer(), Form1::PointerMode::Busy);
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    }

    void MissingPointerFiles_Should_LeaveTheArrowWithoutAMessage() {
        QTemporaryDir empty;
        SetProgramFolder(empty.path());
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QVERIFY(!form.HasHandPointer());
        form.Button_MouseMove();
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        form.List().Append(File("a.jpg"));
        Drag(form, 1, {1});
        QCOMPARE(dialogs.Messages(), QStringList());
        SetProgramFolder(program_.path());
    }

    // ---- buttons -----------------------------------------------------------------------

    void Help_Should_NameTheContactPage() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        Button(form, "PushButton5")->click();
        QCOMPARE(dialogs.Messages(),
                 QStringList{QStringLiteral("Questions? Please contact Team Tarnwick at ") +
                             AppInfo::ContactPage});
        QVERIFY(dialogs.shown.last().caption.isEmpty());
    }

    void Next_OnAnEmptyList_Should_SayNoFilesAdded() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        Button(form, "PushButton2")->click();
        QCOMPARE(dialogs.Messages(), QStringList{QStringLiteral("No files added.")});
        QVERIFY(form.Editor() == nullptr);
        QVERIFY(form.isVisible());
    }

    void Next_Should_ShowOneEditorAndHideTheList() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.List().Append(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") +
                           QStringLiteral("/Samples/Coffee.jpg"));
        form.show();
        Button(form, "PushButton2")->click();
        auto* editor = dynamic_cast<Form2*>(form.Editor());
        QVERIFY(editor != nullptr);
        QVERIFY(editor->isVisible());
        QVERIFY(!form.isVisible());
        QCOMPARE(editor->nCurrentFile, 1);
        form.show();
        editor->hide();
        Button(form, "PushButton2")->click();
        QCOMPARE(form.Editor(), static_cast<ListEditor*>(editor));
        editor->hide();
    }

    void Next_Should_MakeTheEditorOnceThroughItsFactory() {
        struct StandIn : ListEditor {
            int& shown;
            explicit StandIn(int& counter) : shown(counter) {}
            void ShowFromList() override { ++shown; }
        };
        ScriptedDialogs dialogs;
        int made = 0, shown = 0;
        FileList* givenList = nullptr;
        QWidget* givenWindow = nullptr;
        Form1 form([&](FileList& list, QWidget* window) {
            ++made;
            givenList = &list;
            givenWindow = window;
            return std::make_unique<StandIn>(shown);
        });
        form.show();
        Button(form, "PushButton2")->click();  // an empty list makes no editor
        QCOMPARE(made, 0);
        form.List().Append(QStringLiteral("a.jpg"));
        Button(form, "PushButton2")->click();
        form.show();
        Button(form, "PushButton2")->click();
        QCOMPARE(made, 1);
        QCOMPARE(shown, 2);
        QCOMPARE(givenList, &form.List());
        QCOMPARE(givenWindow, static_cast<QWidget*>(&form));
        QVERIFY(!form.isVisible());
    }

    void ClearList_Should_EmptyTheListUnlessBusy() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.List().Append(File("a.jpg"));
        form.SetMousePointer(Form1::PointerMode::Busy);
        Button(form, "PushButton8")->click();
        QCOMPARE(form.List().Count(), 1);
        form.SetMousePointer(Form1::PointerMode::Default);
        Button(form, "PushButton8")->click();
        QCOMPARE(form.List().Count(), 0);
    }

    void ClearList_Should_AskFirstAboutMoreThan20() {
        ScriptedDialogs dialogs;  // answers No
        Form1 form(MakeEditor);
        for (int i = 0; i < 21; ++i) form.List().Append(File("a.jpg"));
        Button(form, "PushButton8")->click();
        QCOMPARE(dialogs.Messages(),
                 QStringList{QStringLiteral("Clear all 21 pictures from the list?")});
        QCOMPARE(form.List().Count(), 21);
        form.List().RemoveAt(1);
        Button(form, "PushButton8")->click();  // 20: no question
        QCOMPARE(form.List().Count() + dialogs.Messages().size(), 1);
    }

    // The last run's unfinished list is offered, and comes back with its check-marks and
    // without the files that are gone, told in one line (the file itself: KeptListTest).
    void LastList_Should_BeOfferedAndRestoredWithoutGoneFiles() {
        ScriptedDialogs dialogs;
        QVERIFY(WriteKeptList(
            KeptListFile(),
            {{File("a.jpg"), true}, {File("moved away.jpg"), false}, {File("c.bmp"), false}}));
        Form1 form(MakeEditor);
        QVERIFY(form.ListNote()->text().contains(
            QStringLiteral("Restore the last list (3 pictures, 1 saved)")));
        form.RestoreLastList();
        QCOMPARE(Entries(form), (QStringList{File("a.jpg"), File("c.bmp")}));
        QVERIFY(form.List().IsSaved(1) && !form.List().IsSaved(2));
        QVERIFY(form.ListNote()->text().endsWith(
            QStringLiteral("1 picture was left out: its file is no longer there.")));
        QVERIFY(dialogs.shown.isEmpty());
        QFile::remove(KeptListFile());
    }

    void SampleButton_Should_AskAboutTheSampleFolder() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        Button(form, "PushButton9")->click();
        QCOMPARE(dialogs.Messages().size(), 1);
        QVERIFY(dialogs.Messages().first().startsWith(
            QStringLiteral("Would you like this software to open")));
    }

    // ---- removal and reordering --------------------------------------------------------

    void DeleteAndDoubleClick_Should_RemoveTheSelectedEntry() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const char* f : {"a.jpg", "b.JPG", "c.bmp"})
            form.List().Append(File(QString::fromLatin1(f)));
        QTreeView* list = form.ListView1();
        QTest::keyClick(list, Qt::Key_Delete);  // nothing selected
        QCOMPARE(form.List().Count(), 3);

        list->setCurrentIndex(form.List().index(1));
        QTest::keyClick(list, Qt::Key_Backspace);  // no other key removes
        QCOMPARE(form.List().Count(), 3);
        form.SetMousePointer(Form1::PointerMode::Busy);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(form.List().Count(), 3);
        form.SetMousePointer(Form1::PointerMode::Default);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(Entries(form), (QStringList{File("a.jpg"), File("c.bmp")}));

        const QPoint second = list->visualRect(form.List().index(1)).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(Entries(form), QStringList{File("a.jpg")});
        form.List().Clear();
        form.ListView1_DblClick();
        form.ListView1_KeyDown(Qt::Key_Delete);
        QCOMPARE(form.List().Count(), 0);
    }

    void Dragging_Should_MoveTheEntryOneSwapPerEntryCrossed() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        for (const char* f : {"1", "2", "3", "4"}) form.List().Append(QString::fromLatin1(f));
        Drag(form, 1, {1, 2, 2, 3, 4});
        QCOMPARE(Entries(form), (QStringList{"2", "3", "4", "1"}));
        QCOMPARE(form.SelectedPosition(), 4);
        QCOMPARE(form.DragItem(), 4);
        QVERIFY(!form.DragActive());
        Drag(form, 4, {2});  // jumping over entries swaps only the two
        QCOMPARE(Entries(form), (QStringList{"2", "1", "4", "3"}));
    }

    void Dragging_Should_NeverSwapEqualTexts() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        for (const char* f : {"a", "a", "b"}) form.List().Append(QString::fromLatin1(f));
        Drag(form, 1, {2, 3});
        QCOMPARE(Entries(form), (QStringList{"b", "a", "a"}));
    }

    void PressOutsideTheEntries_Should_DragNothing() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        for (const char* f : {"a", "b", "c"}) form.List().Append(QString::fromLatin1(f));
        Drag(form, 1, {2});
        form.ListView1_MouseDown();  // below the last entry: no item click
        form.ListView1_MouseMove(1, 330);
        form.ListView1_MouseMove(3, 330);
        form.ListView1_MouseUp();
        QCOMPARE(Entries(form), (QStringList{"b", "a", "c"}));
    }

    void Dragging_Should_ScrollOnlyAboveRow305OrBelowRow364() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 1; i <= 60; ++i) form.List().Append(QString::number(i));
        QScrollBar* bar = form.ListView1()->verticalScrollBar();
        int lastVisible = 1;  // the last entry shown whole
        while (form.ListView1()->visualRect(form.List().index(lastVisible)).bottom() <
               form.ListView1()->viewport()->height())
            ++lastVisible;
        QVERIFY(lastVisible > 2 && lastVisible < 60);

        Drag(form, lastVisible - 1, {lastVisible}, 305);
        Drag(form, lastVisible, {lastVisible - 1}, 364);
        QCOMPARE(bar->value(), 0);
        Drag(form, lastVisible - 1, {lastVisible},
             365);  // below 364: the next entry comes into view
        QVERIFY(bar->value() > 0);
        const int scrolled = bar->value();
        const int firstVisible = form.ListView1()->indexAt(QPoint(5, 2)).row() + 1;
        Drag(form, firstVisible + 1, {firstVisible},
             304);  // above 305: the entry above comes into view
        QVERIFY(bar->value() < scrolled);
    }

    void RealMouseDrag_Should_ReorderTheList() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const char* f : {"a", "b", "c"}) form.List().Append(QString::fromLatin1(f));
        QWidget* viewport = form.ListView1()->viewport();
        const auto centre = [&](int row) {
            return form.ListView1()->visualRect(form.List().index(row)).center();
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(0));
        QCOMPARE(viewport->cursor().shape(), Qt::BitmapCursor);  // the drag pointer
        for (int row : {1, 2}) {
            QMouseEvent move(QEvent::MouseMove, centre(row), viewport->mapToGlobal(centre(row)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(2));
        QCOMPARE(Entries(form), (QStringList{"b", "c", "a"}));
        QCOMPARE(form.SelectedPosition(), 3);
        QVERIFY(!viewport->testAttribute(Qt::WA_SetCursor));
    }

    // ---- "Add Image File(s)" -----------------------------------------------------------

    void AddFiles_Should_AskWithTheExactTitleAndFilter_AndAddNothingOnCancel() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        Button(form, "PushButton1")->click();
        QCOMPARE(dialogs.shown.last().kind, QStringLiteral("open"));
        QCOMPARE(dialogs.shown.last().text,
                 QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(dialogs.shown.last().initial,
                 QStringLiteral("Supported Pictures (*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png)|"
                                "*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png|"));
        QCOMPARE(form.List().Count(), 0);
        QCOMPARE(dialogs.Messages(), QStringList());
    }

    void AddFiles_Should_AddOnePathUnchangedOrRefuseABadOne() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        const QString doubled = files_.path() + QStringLiteral("//Ürlaub 写真.gif");
        dialogs.openResults.enqueue({doubled});
        dialogs.openResults.enqueue({File("missing.jpg")});
        Button(form, "PushButton1")->click();
        Button(form, "PushButton1")->click();
        QCOMPARE(Entries(form), QStringList{doubled});
        QCOMPARE(dialogs.Messages(), QStringList{File("missing.jpg") + kBadName});
    }

    void AddFiles_Should_JoinFolderAndNames_ReportingBadOnesInOrder() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QStringList seenAtMessage;
        dialogs.onShow = [&](const ScriptedDialogs::Shown&) { seenAtMessage = Entries(form); };
        const QChar nul(0);
        dialogs.openResults.enqueue({files_.path() + QLatin1Char('/') + nul + "a.jpg" + nul +
                                     "missing.jpg" + nul + QStringLiteral("Ürlaub 写真.gif")});
        Button(form, "PushButton1")->click();
        QCOMPARE(Entries(form),
                 (QStringList{File("a.jpg"), File(QStringLiteral("Ürlaub 写真.gif"))}));
        QCOMPARE(dialogs.Messages(), QStringList{File("missing.jpg") + kBadName});
        QCOMPARE(seenAtMessage, QStringList{File("a.jpg")});
    }

    void AddFiles_Should_RefuseASelectionOver30000Characters() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QString text = files_.path();
        while (text.size() <= 30000) text += QChar(0) + QStringLiteral("a.jpg");
        dialogs.openResults.enqueue({text});
        Button(form, "PushButton1")->click();
        QCOMPARE(form.List().Count(), 0);
        QCOMPARE(dialogs.Messages(), QStringList{kTooMany});
    }

    // ---- dropping ----------------------------------------------------------------------

    void DroppedFolderAndFile_Should_AddTheTreeThenTheFile() {
        QTemporaryDir tree;
        const QString r = tree.path();
        for (const char* f :
             {"b.txt", ".hidden.jpg", "~skip.jpg", "sub/c.JPG", "sub/deeper/d.bmp", "a2/e.gif"})
            Touch(r + QLatin1Char('/') + QLatin1String(f));
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.ListView1_OLEDragDrop({r, File("a.jpg"), File("not there.jpg")});
        QCOMPARE(Entries(form),
                 (QStringList{r + "/.hidden.jpg", r + "/b.txt", r + "/a2/e.gif", r + "/sub/c.JPG",
                              r + "/sub/deeper/d.bmp", File("a.jpg"), File("not there.jpg")}));
        QCOMPARE(dialogs.Messages(), QStringList());
    }

    void DraggedData_Should_BeAcceptedOnlyWithLocalFiles() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* viewport = form.ListView1()->viewport();
        const auto accepted = [&](QMimeData* data) {
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(viewport, &enter);
            return enter.isAccepted();
        };
        QMimeData text, web, files;
        text.setText(File("a.jpg"));
        web.setUrls({QUrl(QStringLiteral("https://www.brisvane.example/a.jpg"))});
        files.setUrls({QUrl::fromLocalFile(File("a.jpg"))});
        QVERIFY(!accepted(&text));
        QVERIFY(!accepted(&web));
        QVERIFY(accepted(&files));

        QMimeData mixed;
        mixed.setUrls({QUrl(QStringLiteral("https://www.brisvane.example/a.jpg")),
                       QUrl::fromLocalFile(File("c.bmp"))});
        QCOMPARE(Form1::DroppedPaths(&mixed), QStringList{File("c.bmp")});
        QCOMPARE(Form1::DroppedPaths(&text), QStringList());
    }

    // ---- "Add All Image File(s) In Folder" ----------------------------------------------

    void AddAll_Should_EndWithoutAFolderWhenNoExtensionIsGiven() {
        SaveSetting(QStringLiteral("Extension"), QStringLiteral("gif"));
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        dialogs.inputs.enqueue(std::nullopt);
        dialogs.inputs.enqueue(QString());
        Button(form, "PushButton4")->click();
        Button(form, "PushButton4")->click();
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].kind, QStringLiteral("input"));
        QCOMPARE(dialogs.shown[0].text, kExtensionPrompt);
        QCOMPARE(dialogs.shown[0].initial, QStringLiteral("gif"));
        QCOMPARE(GetSetting(QStringLiteral("Extension")), QStringLiteral("gif"));
    }

    void AddAll_Should_KeepTheExtensionButNotTheFolderWhenTheChooserIsCancelled() {
        QSettings(settings_.path() + QStringLiteral("/Tarnwick/Brisvane.ini"), QSettings::IniFormat)
            .remove(QStringLiteral("Brisvane/Extension"));
        SaveSetting(QStringLiteral("LastFolder"), QStringLiteral("/old"));
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        dialogs.inputs.enqueue(QStringLiteral("jpg"));
        Button(form, "PushButton4")->click();
        QCOMPARE(dialogs.shown[0].initial, QStringLiteral("bmp"));  // the default
        QCOMPARE(dialogs.shown[1].kind, QStringLiteral("folder"));
        QCOMPARE(dialogs.shown[1].text, QStringLiteral("Please select folder:"));
        QCOMPARE(dialogs.shown[1].initial, QStringLiteral("/old"));
        QCOMPARE(GetSetting(QStringLiteral("Extension")), QStringLiteral("jpg"));
        QCOMPARE(GetSetting(QStringLiteral("LastFolder")), QStringLiteral("/old"));
        QCOMPARE(form.List().Count(), 0);
    }

    void AddAll_Should_AddMatchingFilesBreadthFirstWithItsFilters() {
        QTemporaryDir tree;
        const QString r = tree.path();
        for (const char* f :
             {"b.jpg", "A.JPG", "~tilde.jpg", ".hidden.jpg", ".readonly.jpg", "x.bmp", "sub/c.Jpg",
              "sub/deeper/d.jpg", "a2/e.jpg", "Ürlaub/写真.jpg"})
            Touch(r + QLatin1Char('/') + QString::fromUtf8(f));
        QFile::setPermissions(r + "/.readonly.jpg", QFile::ReadOwner);
        MakeDir(r + "/folder.jpg");
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        dialogs.inputs.enqueue(QStringLiteral("JPG"));
        dialogs.folders.enqueue(r +
                                QLatin1Char('/'));  // a trailing separator doubles, then collapses
        bool busySeen = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] { busySeen |= form.IsBusy(); });
        probe.start(0);
        Button(form, "PushButton4")->click();
        QCOMPARE(Entries(form),
                 (QStringList{r + "/.readonly.jpg", r + "/A.JPG", r + "/b.jpg", r + "/a2/e.jpg",
                              r + "/sub/c.Jpg", r + QStringLiteral("/Ürlaub/写真.jpg"),
                              r + "/sub/deeper/d.jpg"}));
        QVERIFY(busySeen);
        QCOMPARE(form.MousePointer(), Form1::PointerMode::Default);
        QCOMPARE(GetSetting(QStringLiteral("LastFolder")), r + QLatin1Char('/'));
        QCOMPARE(dialogs.Messages(), QStringList());

        dialogs.inputs.enqueue(QStringLiteral("*"));
        dialogs.folders.enqueue(r + "/a2");
        Button(form, "PushButton4")->click();
        QCOMPARE(form.List().Count(), 8);
        QCOMPARE(dialogs.shown.last().initial,
                 r + QLatin1Char('/'));  // the chooser starts at the last folder
    }

    void AddAll_Should_StayResponsiveOnALargeTree_AndIgnoreClearListMeanwhile() {
        // BRISVANE_LARGE_TESTS=1 scans 100,000 files instead of 10,000.
        const int folders = qEnvironmentVariableIntValue("BRISVANE_LARGE_TESTS") ? 1000 : 100;
        QTemporaryDir tree(ManyFilesTemplate());
        for (int d = 0; d < folders; ++d) {
            const QString folder =
                MakeDir(tree.path() + QStringLiteral("/d%1/e%2").arg(d % 10).arg(d));
            for (int f = 0; f < 100; ++f)
                QFile(folder + QStringLiteral("/f%1.jpg").arg(f)).open(QIODevice::WriteOnly);
        }
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.show();
        dialogs.inputs.enqueue(QStringLiteral("jpg"));
        dialogs.folders.enqueue(tree.path());
        int ticks = 0;
        qint64 longestGap = 0;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            ++ticks;
            longestGap = qMax(longestGap, sinceTick.restart());
            Button(form, "PushButton8")->click();  // "Clear List" does nothing while busy
            form.ListView1()->setCurrentIndex(form.List().index(0));
            form.ListView1_KeyDown(Qt::Key_Delete);
        });
        user.start(0);
        QElapsedTimer clock;
        clock.start();
        Button(form, "PushButton4")->click();
        user.stop();
        QCOMPARE(form.List().Count(), folders * 100);
        QVERIFY(ticks > 10);
        qInfo("%d files in %lld ms, %d event rounds, longest wait for events %lld ms",
              folders * 100, clock.elapsed(), ticks, longestGap);
    }

    // Runs last: closing the window ends every scan for the rest of the program.
    // Closing the list window asks the editor first: an unsaved removal result is not lost.
    void Close_Should_AskAboutTheEditorsUnsavedResult() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        QVERIFY(picture.save(File("unsaved.bmp")));
        form.List().Append(File("unsaved.bmp"));
        Button(form, "PushButton2")->click();
        auto* editor = dynamic_cast<Form2*>(form.Editor());
        QTest::mouseClick(editor->PicOrg, Qt::LeftButton, {}, QPoint(5, 5));
        editor->PushButton3->click();  // the real engine, on one pixel
        editor->PushButton2->click();  // "< Back"
        dialogs.answers.enqueue(Dialogs::Answer::Cancel);
        QVERIFY(!form.close());
        QCOMPARE(dialogs.Messages().last(),
                 QStringLiteral("Save changes to unsaved.bmp before closing?"));
    }

    void Close_Should_EndTheProgramAlsoWithTheEditorHidden() {
        ScriptedDialogs dialogs;
        Form1 form(MakeEditor);
        form.List().Append(qEnvironmentVariable("BRISVANE_PROGRAM_DIR") +
                           QStringLiteral("/Samples/Coffee.jpg"));
        form.show();
        Button(form, "PushButton2")->click();
        form.show();
        dynamic_cast<Form2*>(form.Editor())->hide();
        QTimer::singleShot(0, &form, [&] { form.close(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
