#pragma once
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Every message, question, input and file/folder dialog of the program goes through this one
// seam, so tests can answer them from a script and read back every text shown.
class Dialogs {
public:
    // YesNoDefaultNo: for questions whose Yes may cost the user something. SaveDiscardCancel:
    // before closing over unsaved work; Escape answers Cancel.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo, SaveDiscardCancel };
    enum class Icon { None, Information, Warning, Question };
    enum class Answer { Ok, Yes, No, Save, Discard, Cancel };

    // The result of the multi-selection open dialog: one path, or the folder followed by the
    // chosen names, separated by NUL characters; empty when cancelled.
    struct OpenResult {
        QString text;
        bool overflow = false;  // the selection did not fit the result buffer
    };

    virtual ~Dialogs() = default;
    // An empty caption means the application title (QCoreApplication::applicationName()).
    virtual Answer Message(const QString& text, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None, const QString& caption = QString()) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> Input(const QString& prompt, const QString& initial,
                                         const QString& caption = QString()) = 0;
    virtual OpenResult OpenFiles(const QString& title, const QString& filter, int maxLength) = 0;
    // The chosen folder, or an empty text when cancelled.
    virtual QString BrowseForFolder(QWidget* owner, const QString& prompt,
                                    const QString& startFolder) = 0;
    // Opens an address in the user's browser, or a folder in the file manager.
    virtual void OpenUrl(const QString& url) = 0;
    virtual void OpenFolder(const QString& path) = 0;
};

// The program's dialogs; tests install ScriptedDialogs here.
Dialogs& AppDialogs();
void SetAppDialogs(Dialogs* dialogs);  // nullptr restores the real ones

// The real dialogs, on Qt.
class QtDialogs : public Dialogs {
public:
    Answer Message(const QString& text, Buttons buttons, Icon icon,
                   const QString& caption) override;
    std::optional<QString> Input(const QString& prompt, const QString& initial,
                                 const QString& caption) override;
    OpenResult OpenFiles(const QString& title, const QString& filter, int maxLength) override;
    QString BrowseForFolder(QWidget* owner, const QString& prompt,
                            const QString& startFolder) override;
    void OpenUrl(const QString& url) override;
    void OpenFolder(const QString& path) override;
};
