#include "support/ScriptedDialogs.h"

ScriptedDialogs::ScriptedDialogs() {
    SetAppDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    SetAppDialogs(nullptr);
}

QStringList ScriptedDialogs::Messages() const {
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message")) texts << s.text;
    return texts;
}

void ScriptedDialogs::Record(Shown s) {
    shown << s;
    if (onShow) onShow(s);
}

Dialogs::Answer ScriptedDialogs::Message(const QString& text, Buttons buttons, Icon icon,
                                         const QString& caption) {
    Record({QStringLiteral("message"), text, caption, buttons, icon, {}});
    if (!answers.isEmpty()) return answers.dequeue();
    if (buttons == Buttons::SaveDiscardCancel) return Answer::Cancel;
    return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
}

std::optional<QString> ScriptedDialogs::Input(const QString& prompt, const QString& initial,
                                              const QString& caption) {
    Record({QStringLiteral("input"), prompt, caption, Buttons::Ok, Icon::None, initial});
    if (!inputs.isEmpty()) return inputs.dequeue();
    return std::nullopt;
}

Dialogs::OpenResult ScriptedDialogs::OpenFiles(const QString& title, const QString& filter,
                                               int maxLength) {
    Record({QStringLiteral("open"), title, {}, Buttons::Ok, Icon::None, filter});
    if (openResults.isEmpty()) return {};
    OpenResult r = openResults.dequeue();
    if (r.text.size() > maxLength) return {QString(), true};
    return r;
}

QString ScriptedDialogs::BrowseForFolder(QWidget*, const QString& prompt,
                                         const QString& startFolder) {
    Record({QStringLiteral("folder"), prompt, {}, Buttons::Ok, Icon::None, startFolder});
    if (!folders.isEmpty()) return folders.dequeue();
    return QString();
}

void ScriptedDialogs::OpenUrl(const QString& url) {
    Record({QStringLiteral("url"), url, {}, Buttons::Ok, Icon::None, {}});
}

void ScriptedDialogs::OpenFolder(const QString& path) {
    Record({QStringLiteral("openfolder"), path, {}, Buttons::Ok, Icon::None, {}});
}
