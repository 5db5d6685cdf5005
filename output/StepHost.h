#pragma once
#include <QImage>
#include <QString>

// What the save and skip steps need of the editor window.
class StepHost {
public:
    virtual ~StepHost() = default;

    // The file list's entries, positions from 1; ItemText throws AppError outside 1..ItemCount().
    virtual int ItemCount() const = 0;
    virtual QString ItemText(int position) const = 0;
    virtual int& CurrentFile() = 0;  // nCurrentFile: 1-based position of the picture on show
    // The persistent image of the picture on show (the picture plus the marks painted since);
    // null when no picture of the entry nCurrentFile is loaded.
    // It is what the save writes, at the size handed over: the source's full size keeps the
    // source's untouched blocks, any other size is encoded whole.
    virtual QImage PersistentImage() const = 0;
    // True when marks painted on the picture on show were never removed: marker-coloured pixels
    // in the persistent image that its picture (as loaded, pasted or left by a removal) lacks.
    virtual bool HasUnremovedMarks() const = 0;
    virtual void LoadNewPicture(const QString& path) = 0;
    virtual void SetBusyPointer(bool busy) = 0;  // hourglass on, or back to the default
    virtual void ShowListWindow() = 0;           // shows the file list and hides the editor
    virtual bool RemovalRunning() const = 0;     // "Start Removing" is at work
    // The picture of entry `position` has just been saved.
    virtual void ResultSaved(int /*position*/) {}
};
