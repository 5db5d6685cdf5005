#pragma once
#include <QString>

// The program's constants and configuration values, in one place.
namespace AppInfo {
inline const QString ProductName = QStringLiteral("Brisvane");
inline const QString MakerName = QStringLiteral("Tarnwick");
inline const QString SupportEmail = QStringLiteral("support@brisvane.example");
inline const QString WebSite = QStringLiteral("https://www.brisvane.example/");
inline const QString ContactPage = QStringLiteral("https://www.brisvane.example/contact");
// The desktop's name for the program: its menu entry, icon and metainfo are named after it.
inline const QString DesktopId = QStringLiteral("example.brisvane.Brisvane");
}  // namespace AppInfo

// The application title: caption of every message and input box without one of its own.
QString AppTitle();
// Sets the application title from the product name (below).
void SetAppTitle();
// The product name cut back word by word (at least once) to at most 40 characters;
// a name without a space stays whole.
QString CutTitle(const QString& name);

// One start in a hundred opens the maker's web site in the browser (through the dialogs seam).
// The draw, seeded from the seconds since midnight, is made on every start.
void OpenSiteOccasionally();
// The same for a start at `secondsSinceMidnight`; true when the site was opened.
bool OpenSiteOccasionally(quint32 secondsSinceMidnight);
// The number 1..100 drawn for a seed; the site opens on 7.
int SiteVisitDraw(quint32 seed);
constexpr int SiteVisitNumber = 7;

// The folder the program reads its own files from (pointers, skin, samples): see ProgramFolderFor.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);  // for tests

// The program folder of a program started from `executableFolder`: that folder itself when it
// holds any of the program's own files (a build tree, or a copy run from one folder), else
// "../share/brisvane" beside it when that folder exists (an installation); failing both, the
// executable's folder. The result has no trailing separator.
QString ProgramFolderFor(const QString& executableFolder);

// The full path of the helper program `baseName` (".exe" added on Windows): beside the executable
// when it is there, else in the program folder; failing both, the path beside the executable (so
// a message about it names the place it belongs).
QString HelperProgramPath(const QString& baseName);
QString HelperProgramPathIn(const QString& executableFolder, const QString& programFolder,
                            const QString& baseName);
