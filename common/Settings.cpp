#include "common/Settings.h"

#include "common/PathHelpers.h"
#include "platform/SettingsStore.h"

namespace {
// The store's keys. They name the controls of the first version and must never change.
const QString kSnapshot = QStringLiteral("Snapshot");
const QString kExtension = QStringLiteral("Extension");
const QString kLastFolder = QStringLiteral("LastFolder");
const QString kPolygonTool = QStringLiteral("Option1");
const QString kBoxTool = QStringLiteral("Option2");
const QString kSaveToFolder = QStringLiteral("Option3");
const QString kSaveBesideSource = QStringLiteral("Option4");
const QString kOutputFolder = QStringLiteral("Text1");
const QString kLastFolderDot = QStringLiteral("LastFolderDot");
const QString kBlockSize = QStringLiteral("BlockSize");
const QString kScanBorder = QStringLiteral("ScanBorder");
// Choices added since.
const QString kFinerFill = QStringLiteral("FinerFill");
const QString kKeepMarks = QStringLiteral("KeepMarks");
const QString kFindImprintEach = QStringLiteral("FindImprintEach");
const QString kFitBigPictures = QStringLiteral("FitBigPictures");
const QString kEditorSize = QStringLiteral("EditorSize");
const QString kEditorMaximized = QStringLiteral("EditorMaximized");

bool ReadChoice(const QString& key, bool absent) {
    return TextToBool(GetSetting(key, BoolText(absent)));
}

int ReadNumber(const QString& key, int absent) {
    bool ok = false;
    const int value = GetSetting(key).trimmed().toInt(&ok);
    return ok ? value : absent;
}
}  // namespace

QString Settings::SampleSnapshot() {
    return GetSetting(kSnapshot);
}

void Settings::SetSampleSnapshot(const QString& scrambled) {
    SaveSetting(kSnapshot, scrambled);
}

QString Settings::FolderScanExtension() {
    return GetSetting(kExtension, QStringLiteral("bmp"));
}

void Settings::SetFolderScanExtension(const QString& extension) {
    SaveSetting(kExtension, extension);
}

QString Settings::FolderScanLastFolder() {
    return GetSetting(kLastFolder);
}

void Settings::SetFolderScanLastFolder(const QString& folder) {
    SaveSetting(kLastFolder, folder);
}

bool Settings::PolygonToolChosen() {
    return ReadChoice(kPolygonTool, false);
}

bool Settings::BoxToolChosen() {
    return ReadChoice(kBoxTool, true);
}

void Settings::SetToolChoice(bool polygon, bool box) {
    SaveSetting(kPolygonTool, BoolText(polygon));
    SaveSetting(kBoxTool, BoolText(box));
}

bool Settings::SaveToFolderChosen() {
    return ReadChoice(kSaveToFolder, true);
}

bool Settings::SaveBesideSourceChosen() {
    return ReadChoice(kSaveBesideSource, false);
}

void Settings::SetSaveChoice(bool toFolder, bool besideSource) {
    SaveSetting(kSaveToFolder, BoolText(toFolder));
    SaveSetting(kSaveBesideSource, BoolText(besideSource));
}

QString Settings::OutputFolder() {
    return GetSetting(kOutputFolder, DesktopFolderPath());
}

void Settings::SetOutputFolder(const QString& folder) {
    SaveSetting(kOutputFolder, folder);
}

QString Settings::LastOutputFolderPicked() {
    return GetSetting(kLastFolderDot);
}

void Settings::SetLastOutputFolderPicked(const QString& folder) {
    SaveSetting(kLastFolderDot, folder);
}

int Settings::BlockSize() {
    return ReadNumber(kBlockSize, 4);
}

void Settings::SetBlockSize(int value) {
    SaveSetting(kBlockSize, QString::number(value));
}

int Settings::ScanBorder() {
    return ReadNumber(kScanBorder, 10);
}

void Settings::SetScanBorder(int value) {
    SaveSetting(kScanBorder, QString::number(value));
}

bool Settings::FinerFillChosen() {
    return ReadChoice(kFinerFill, false);
}

void Settings::SetFinerFillChosen(bool chosen) {
    SaveSetting(kFinerFill, BoolText(chosen));
}

bool Settings::KeepMarksChosen() {
    return ReadChoice(kKeepMarks, false);
}

void Settings::SetKeepMarksChosen(bool chosen) {
    SaveSetting(kKeepMarks, BoolText(chosen));
}

bool Settings::FitBigPicturesChosen() {
    return ReadChoice(kFitBigPictures, false);
}

void Settings::SetFitBigPicturesChosen(bool chosen) {
    SaveSetting(kFitBigPictures, BoolText(chosen));
}

bool Settings::FindImprintEachChosen() {
    return ReadChoice(kFindImprintEach, false);
}

void Settings::SetFindImprintEachChosen(bool chosen) {
    SaveSetting(kFindImprintEach, BoolText(chosen));
}

QString Settings::EditorSize() {
    return GetSetting(kEditorSize);
}

bool Settings::EditorMaximized() {
    return ReadChoice(kEditorMaximized, false);
}

void Settings::SetEditorSize(const QString& size, bool maximized) {
    SaveSetting(kEditorSize, size);
    SaveSetting(kEditorMaximized, BoolText(maximized));
}
