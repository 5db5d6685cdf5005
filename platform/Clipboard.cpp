#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

int ClipboardFormat() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return 0;
    if (data->hasUrls()) return clip::Link;
    if (data->hasText()) return clip::Text;
    if (data->hasImage()) return clip::Bitmap;
    return 0;
}

void ClipboardClear() {
    QGuiApplication::clipboard()->clear();
}

void ClipboardPutPicture(const QImage& picture, int /*format: one picture format here*/) {
    QGuiApplication::clipboard()->setImage(picture);
}

QImage ClipboardGetPicture(int /*format*/) {
    return QGuiApplication::clipboard()->image();
}
