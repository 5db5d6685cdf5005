#pragma once
#include <QIcon>
#include <QString>

class QWidget;

// The skin: the Qt style sheet "x/o.cjs" in the program folder. When it is there, the
// windows get the button-face background and the sheet, for the whole application; without
// it they keep their plain look.
QString SkinFilePath();
void ApplySkin(QWidget* window);

// Gives `window` and its option buttons, check boxes, frames and labels the system's
// button-face colour; other controls keep theirs.
void ApplyButtonFaceColour(QWidget* window);

// The one font family of both windows: the one the list window was laid out in (Arial, or the
// family with its metrics that the system puts in its place), so every caption fits.
QString ProgramFontFamily();

// The program's window icon.
QIcon ProgramIcon();
