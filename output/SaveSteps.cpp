#include "output/SaveSteps.h"

#include <QDir>

#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "output/OutputNaming.h"
#include "output/SaveOptionFrame.h"
#include "output/StepHost.h"
#include "picture/PictureFile.h"
#include "platform/Dialogs.h"

namespace SaveMessages {
QString FolderMissing() {
    return QStringLiteral("Folder does not exist. Please select another folder.");
}
QString NoSaveOption(const QString& itemText) {
    return QStringLiteral(
               "\"%1\" was not saved: no save option is chosen.\n\nPlease choose where to save the "
               "results under \"Save Option\".")
        .arg(QDir::toNativeSeparators(itemText));
}
QString NoWritableFormat(const QString& itemText) {
    return QStringLiteral(
               "\"%1\" was not saved: only BMP, JPEG, GIF and PNG pictures can be written.\n\n"
               "Use \"Do Not Save and Show Next Image\" to go on.")
        .arg(QDir::toNativeSeparators(itemText));
}
QString SaveFailed(const QString& target, const QString& reason) {
    return QStringLiteral(
               "The picture could not be saved as \"%1\": %2.\n\nNothing has been replaced, and "
               "the "
               "picture stays on show. You can choose another folder and save again.")
        .arg(QDir::toNativeSeparators(target), reason);
}
QString ReplacingLoses(const QString& target, const QStringList& lost) {
    return QStringLiteral(
               "Saving will replace \"%1\", and the result cannot keep %2: it is saved as one "
               "picture "
               "without transparency.\n\nReplace it anyway?")
        .arg(QDir::toNativeSeparators(target), lost.join(QStringLiteral(" and ")));
}
QString UnremovedMarks() {
    return QStringLiteral(
        "This picture still has marked areas that were not removed. Save it with the marks?");
}
QString SavedUnderNewName(const QString& saved, const QString& taken, const QString& takenFrom) {
    return QStringLiteral(
               "This picture was saved as \"%1\".\n\n\"%2\" already holds the result of "
               "another picture saved earlier, \"%3\", and was left as it is.")
        .arg(FileNameOf(saved), QDir::toNativeSeparators(taken),
             QDir::toNativeSeparators(takenFrom));
}
QString Done() {
    return QStringLiteral("Done.");
}
}  // namespace SaveMessages

namespace {
// Leading and trailing spaces removed (only spaces: other characters belong to the name).
QString TrimSpaces(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

void Tell(const QString& text) {
    AppDialogs().Message(text, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

// Saving marks that were never removed would burn them into the photo: only when the user says so.
bool SavingMarksAllowed() {
    return AppDialogs().Message(SaveMessages::UnremovedMarks(), Dialogs::Buttons::YesNoDefaultNo,
                                Dialogs::Icon::Question) == Dialogs::Answer::Yes;
}

// The default output folder, the Desktop, is made when it is missing; any other missing folder is
// the user's to choose again.
bool MadeDefaultFolder(const SaveChoice& choice) {
    const auto clean = [](const QString& path) {
        return QDir::cleanPath(QDir::fromNativeSeparators(path));
    };
    return choice.toFolder && !choice.folder.isEmpty() &&
           clean(choice.folder) == clean(DesktopFolderPath()) && QDir().mkpath(choice.folder);
}

// A file about to be replaced whose animation or transparency the result cannot keep is
// replaced only when the user agrees.
bool ReplacingAllowed(const QString& target) {
    if (target.isEmpty()) return true;
    const QStringList lost = ContentLostByReplacing(target);
    return lost.isEmpty() ||
           AppDialogs().Message(SaveMessages::ReplacingLoses(target, lost), Dialogs::Buttons::YesNo,
                                Dialogs::Icon::Question) == Dialogs::Answer::Yes;
}
}  // namespace

SaveSteps::SaveSteps(StepHost& host, const SaveOptionFrame& options)
    : host_(host), options_(options) {}

bool SaveSteps::MayAct() const {
    return !saveBusy_ && !host_.RemovalRunning();
}

void SaveSteps::PushButton5_Click() {
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("PushButton5_Click")));
    if (s.Test(100, [&] { return !MayAct(); })) return;
    saveBusy_ = true;
    if (SaveShownPicture(s)) s.Do(112, [&] { ShowNextPicture(); });
    saveBusy_ = false;
}

bool SaveSteps::SaveBeforeClosing() {
    if (!MayAct()) return false;
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("Form_QueryUnload")));
    saveBusy_ = true;
    const bool saved = SaveShownPicture(s);
    saveBusy_ = false;
    return saved;
}

bool SaveSteps::SaveShownPicture(ErrorSteps& s) {
    const SaveChoice choice = options_.Choice();
    if (s.Test(102, [&] {
            return !choice.besideSource && !FolderExists(choice.folder) &&
                   !MadeDefaultFolder(choice);
        })) {
        AppDialogs().Message(SaveMessages::FolderMissing());
        return false;
    }
    s.Do(104, [&] { host_.SetBusyPointer(true); });
    QString itemText, outputPath;
    s.Do(106, [&] {
        itemText = host_.ItemText(host_.CurrentFile());
        outputPath = BuildOutputPath(itemText, choice);
    });
    bool saved = false;
    s.Do(108, [&] { saved = SaveCurrentPicture(outputPath, itemText); });
    s.Do(110, [&] { host_.SetBusyPointer(false); });
    if (saved) host_.ResultSaved(host_.CurrentFile());
    return saved;
}

bool SaveSteps::SaveCurrentPicture(const QString& outputPath, const QString& itemText) {
    if (outputPath.isEmpty()) {
        Tell(SaveMessages::NoSaveOption(itemText));
        return false;
    }
    const QString source = TrimSpaces(itemText);
    ResultPlan plan = PlanResult(outputPath, source);
    if (plan.target.isEmpty()) {
        Tell(SaveMessages::NoWritableFormat(itemText));
        return false;
    }
    const QString named = plan.target;
    plan.target = written_.TargetFor(named, source);
    if (host_.HasUnremovedMarks() && !SavingMarksAllowed()) return false;
    if (!ReplacingAllowed(plan.target)) return false;
    const WriteOutcome outcome = WriteResult(host_.PersistentImage(), plan, converter);
    switch (outcome.status) {
        case WriteOutcome::Status::Written:
            written_.Record(plan.target, source);
            if (plan.target != named)
                AppDialogs().Message(
                    SaveMessages::SavedUnderNewName(plan.target, named, written_.SourceOf(named)),
                    Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            return true;
        case WriteOutcome::Status::NoFormat:
            Tell(SaveMessages::NoWritableFormat(itemText));
            return false;
        case WriteOutcome::Status::Failed:
            Tell(SaveMessages::SaveFailed(outcome.target, outcome.reason));
            return false;
    }
    return false;
}

void SaveSteps::PushButton1_Click() {
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("PushButton1_Click")));
    if (s.Test(100, [&] { return !MayAct(); })) return;
    s.Do(102, [&] { host_.SetBusyPointer(false); });
    s.Do(104, [&] { ShowNextPicture(); });
}

void SaveSteps::ShowNextPicture() {
    int& current = host_.CurrentFile();
    if (current < host_.ItemCount()) {
        ++current;
        host_.LoadNewPicture(TrimSpaces(host_.ItemText(current)));
        return;
    }
    AppDialogs().Message(SaveMessages::Done());
    host_.ShowListWindow();
}
