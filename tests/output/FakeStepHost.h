#pragma once
#include <QImage>
#include <QStringList>

#include "filelist/FileList.h"
#include "output/StepHost.h"
#include "picture/PictureFile.h"

// The editor as the save and skip steps see it, recording what they ask of it.
class FakeStepHost : public StepHost {
public:
    FileList list;
    int current = 1;
    QImage image;        // the picture on show
    QStringList loaded;  // paths passed to LoadNewPicture
    int listWindowShown = 0;
    bool busy = false;
    bool removalRunning = false;
    bool unremovedMarks = false;

    int ItemCount() const override { return list.Count(); }
    QString ItemText(int position) const override { return list.Item(position); }
    int& CurrentFile() override { return current; }
    QImage PersistentImage() const override { return image; }
    void LoadNewPicture(const QString& path) override {
        loaded << path;
        image = ReadPicture(path).image;
    }
    void SetBusyPointer(bool on) override { busy = on; }
    void ShowListWindow() override { ++listWindowShown; }
    bool RemovalRunning() const override { return removalRunning; }
    bool HasUnremovedMarks() const override { return unremovedMarks; }

    // Fills the list and shows its first entry, as "Next >" does.
    void Start(const QStringList& paths) {
        for (const QString& p : paths) list.Append(p);
        current = 1;
        image = ReadPicture(paths.value(0).trimmed()).image;
    }
};
