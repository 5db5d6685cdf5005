#pragma once
#include <QList>
#include <QQueue>
#include <functional>

#include "platform/Dialogs.h"

// Answers dialogs from a script and records everything shown, for tests.
// Installs itself as the program's dialogs while it lives.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;     // "message", "input", "open", "folder", "url", "openfolder"
        QString text;     // message text, prompt, title, address or path
        QString caption;  // caption as given (empty = application title)
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString initial;  // input's initial text, folder chooser's start folder
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Queued answers, taken in order; when a queue is empty: Ok/Yes for messages
    // (No for Yes/No questions, Cancel for Save/Discard/Cancel), cancel for inputs and choosers.
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> inputs;
    QQueue<OpenResult> openResults;
    QQueue<QString> folders;
    // Runs while a message is "on screen", e.g. to act as the user would meanwhile.
    std::function<void(const Shown&)> onShow;

    QList<Shown> shown;
    QStringList Messages() const;  // texts of the message boxes, in order

    Answer Message(const QString& text, Buttons buttons, Icon icon,
                   const QString& caption) override;
    std::optional<QString> Input(const QString& prompt, const QString& initial,
                                 const QString& caption) override;
    OpenResult OpenFiles(const QString& title, const QString& filter, int maxLength) override;
    QString BrowseForFolder(QWidget* owner, const QString& prompt,
                            const QString& startFolder) override;
    void OpenUrl(const QString& url) override;
    void OpenFolder(const QString& path) override;

private:
    void Record(Shown s);
};
