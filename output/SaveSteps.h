#pragma once
#include <QString>
#include <QStringList>

#include "output/OutputNaming.h"
#include "output/ResultWriter.h"

class ErrorSteps;
class SaveOptionFrame;
class StepHost;

// The two step buttons of the editor: "Save and Show Next Image" writes the picture as it
// now stands and moves on; "Do Not Save and Show Next Image" only moves on. After the last
// entry the user is told "Done." and taken back to the file list.
//
// A save that writes nothing (no save option, a name whose format cannot be written) or fails
// says so, naming the file, and stays on the picture with its edits so it can be saved again.
// Replacing a file whose later animation frames or transparency the result cannot keep asks
// first, naming what would be lost; so does saving marks that were never removed. A result is
// never written over one saved earlier in this run from another source: it takes the next free
// name, and the user is told (see WrittenTargets). A missing default output folder (the Desktop)
// is made by the first save.
class SaveSteps {
public:
    SaveSteps(StepHost& host, const SaveOptionFrame& options);

    void PushButton5_Click();  // save, then show the next picture
    void PushButton1_Click();  // show the next picture without saving
    // Saves the picture on show and stays on it (closing with an unsaved result); true when it
    // is in place.
    bool SaveBeforeClosing();
    void ShowNextPicture();

    bool SaveBusy() const { return saveBusy_; }
    // Neither a save nor a removal run is at work. Both run with clicks let through; meanwhile
    // nothing may step, go back or replace the picture on show.
    bool MayAct() const;

    // Where the converter is and how long it may run; tests point it elsewhere.
    ConverterSetup converter = InstalledConverter();

private:
    // The checks and the write of "Save and Show Next Image"; true when the picture is in place.
    bool SaveShownPicture(ErrorSteps& s);
    // Writes the picture on show; true when it is in place.
    bool SaveCurrentPicture(const QString& outputPath, const QString& itemText);

    StepHost& host_;
    const SaveOptionFrame& options_;
    bool saveBusy_ = false;
    WrittenTargets written_;
};

// The texts the save step shows.
namespace SaveMessages {
QString FolderMissing();
QString NoSaveOption(const QString& itemText);
QString NoWritableFormat(const QString& itemText);
QString SaveFailed(const QString& target, const QString& reason);
QString ReplacingLoses(const QString& target, const QStringList& lost);
QString UnremovedMarks();
QString SavedUnderNewName(const QString& saved, const QString& taken, const QString& takenFrom);
QString Done();
}  // namespace SaveMessages
