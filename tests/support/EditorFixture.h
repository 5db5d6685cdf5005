#pragma once
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "common/AppInfo.h"
#include "editor/Form2.h"
#include "filelist/FileList.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

// One editor window over a list of pictures made in a temporary folder, with settings and
// dialogs of its own: what the editor's tests start from.
struct EditorFixture {
    static constexpr QRgb Grey = 0xFF808080u;

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FileList list;
    QWidget listWindow;
    std::unique_ptr<Form2> form;

    EditorFixture() {
        UseSettingsFolder(dir.path() + QStringLiteral("/settings"));
        SetProgramFolder(dir.path());
        form = std::make_unique<Form2>(list, &listWindow);
    }

    // A picture file of one colour in the folder.
    QString Picture(const QString& name, int w, int h, QRgb colour = Grey) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(name);
        if (!image.save(path)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Lists the pictures and shows the editor on the first one.
    void Open(const QStringList& paths) {
        for (const QString& p : paths) list.Append(p);
        form->ShowFromList();
    }
};
