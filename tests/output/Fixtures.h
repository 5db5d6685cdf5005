#pragma once
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "output/FakeStepHost.h"
#include "output/OutputTestSupport.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

// Set-ups shared by the output tests; each test keeps its own members and calls these from
// init() and cleanup().
namespace OutputTest {

// The real editor window on a fresh list, settings in `dir`, the built programs beside it.
inline void OpenEditor(std::unique_ptr<QTemporaryDir>& dir,
                       std::unique_ptr<ScriptedDialogs>& dialogs, std::unique_ptr<FileList>& list,
                       std::unique_ptr<QWidget>& listWindow, std::unique_ptr<Form2>& form) {
    dir = std::make_unique<QTemporaryDir>();
    UseSettingsFolder(dir->filePath(QStringLiteral("settings")));
    SetProgramFolder(ProgramDir());
    dialogs = std::make_unique<ScriptedDialogs>();
    list = std::make_unique<FileList>();
    listWindow = std::make_unique<QWidget>();
    form = std::make_unique<Form2>(*list, listWindow.get());
}

inline void CloseEditor(std::unique_ptr<ScriptedDialogs>& dialogs, std::unique_ptr<FileList>& list,
                        std::unique_ptr<QWidget>& listWindow, std::unique_ptr<Form2>& form) {
    form.reset();
    listWindow.reset();
    list.reset();
    dialogs.reset();
    SetProgramFolder(QString());
}

// The save and skip steps on a fake editor, with the real converter.
inline void OpenSteps(const QString& settingsFolder, std::unique_ptr<ScriptedDialogs>& dialogs,
                      std::unique_ptr<SaveOptionFrame>& options,
                      std::unique_ptr<FakeStepHost>& host, std::unique_ptr<SaveSteps>& steps) {
    UseSettingsFolder(settingsFolder);
    dialogs = std::make_unique<ScriptedDialogs>();
    options = std::make_unique<SaveOptionFrame>();
    options->RestoreFromSettings();
    host = std::make_unique<FakeStepHost>();
    steps = std::make_unique<SaveSteps>(*host, *options);
    steps->converter = ConverterSetup{RealConverter(), 60000};
}

inline void CloseSteps(std::unique_ptr<ScriptedDialogs>& dialogs,
                       std::unique_ptr<SaveOptionFrame>& options,
                       std::unique_ptr<FakeStepHost>& host, std::unique_ptr<SaveSteps>& steps) {
    steps.reset();
    host.reset();
    options.reset();
    dialogs.reset();
}

// Presses the left button on `box` at `from`, moves to `to` and releases there: one box mark.
inline void DragOnPicture(QWidget* box, QPoint from, QPoint to) {
    QTest::mousePress(box, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), box->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &move);
    QTest::mouseRelease(box, Qt::LeftButton, {}, to);
}

}  // namespace OutputTest
