#pragma once
#include <QString>

class FileList;

// The sample pictures in the program folder's "Samples": recorded (scrambled) in the setting
// "Snapshot" on the first start, added to the list with the sample button.

// The key of the stored sample list; it must never change, or stored lists become unreadable.
inline const QString SampleKey = QStringLiteral("quillfen");

// The "Samples" folder beside the program.
QString SampleFolder();

// Records the full paths of the files in the sample folder, scrambled, in "Snapshot".
void RegisterSamples();

// Adds the recorded samples that exist and are not yet in `list`, then offers to open the
// sample folder in the file manager.
void LoadSamples(FileList& list);

// Adds each key letter's code to each byte of the text's UTF-8 form, wrapping at 255, so the
// result holds one character (code 1..255) per byte. Any text, in any language, round-trips.
QString ScrambleText(const QString& text, const QString& key);
QString UnscrambleText(const QString& text, const QString& key);
