#pragma once
#include <QString>

// The user's choices kept between runs. Every call reads or writes the per-user store at once
// (nothing is cached), under the keys and in the texts every earlier version used, so existing
// settings files keep working: yes/no choices are stored as "True" and "False".
//
// Reading a yes/no choice that holds some other text throws std::runtime_error; a write that
// cannot be saved throws too. Callers decide whether that is reported or ignored.
class Settings {
public:
    Settings() = delete;

    // The scrambled list of sample pictures; empty until the first start records it.
    static QString SampleSnapshot();
    static void SetSampleSnapshot(const QString& scrambled);

    // "Add All Image File(s) In Folder": the extension last typed (default "bmp") and the
    // folder last chosen (default empty).
    static QString FolderScanExtension();
    static void SetFolderScanExtension(const QString& extension);
    static QString FolderScanLastFolder();
    static void SetFolderScanLastFolder(const QString& folder);

    // The editor's marking tool: Box unless Polygon was chosen. Both are stored on every
    // choice, Polygon first.
    static bool PolygonToolChosen();
    static bool BoxToolChosen();
    static void SetToolChoice(bool polygon, bool box);

    // Where results go: into the output folder (the default) or beside the source. Both are
    // stored on every choice, the folder option first.
    static bool SaveToFolderChosen();
    static bool SaveBesideSourceChosen();
    static void SetSaveChoice(bool toFolder, bool besideSource);

    // The output folder (default: the desktop folder) and the folder last picked for it with
    // the folder chooser (default empty).
    static QString OutputFolder();
    static void SetOutputFolder(const QString& folder);
    static QString LastOutputFolderPicked();
    static void SetLastOutputFolderPicked(const QString& folder);

    // The editor's Block Size (default 4) and Scan Border (default 10) as last set. A stored
    // text that is not a whole number reads as the default; the sliders keep values in range.
    static int BlockSize();
    static void SetBlockSize(int value);
    static int ScanBorder();
    static void SetScanBorder(int value);
    // The editor's "Finer fill": off unless ticked.
    static bool FinerFillChosen();
    static void SetFinerFillChosen(bool chosen);
    // The editor's "Keep marks": off unless ticked.
    static bool KeepMarksChosen();
    static void SetKeepMarksChosen(bool chosen);
    // The editor's "Fit big pictures": off unless ticked.
    static bool FitBigPicturesChosen();
    static void SetFitBigPicturesChosen(bool chosen);
    // The editor's "Find the imprint on each picture" for its batch run: off unless chosen.
    static bool FindImprintEachChosen();
    static void SetFindImprintEachChosen(bool chosen);
    // The editor window's size as the user left it ("WIDTHxHEIGHT", empty: never resized), and
    // whether it was maximized.
    static QString EditorSize();
    static void SetEditorSize(const QString& size, bool maximized);
    static bool EditorMaximized();
};
