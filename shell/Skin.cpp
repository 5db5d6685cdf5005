#include "shell/Skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>

#include "shell/AppInfo.h"
#include "shell/ErrorReport.h"
#include "shell/PathHelpers.h"

namespace {
void PaintButtonFace(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}
}  // namespace

QString SkinFilePath() {
    const QChar sep = PathSeparator();
    return ProgramFolder() + sep + QStringLiteral("x") + sep + QStringLiteral("o.cjs");
}

void ApplySkin(QWidget* window) {
    const QString path = SkinFilePath();
    if (!QFileInfo(path).isFile()) return;
    ApplyButtonFaceColour(window);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("The skin file could not be read: ") + file.errorString());
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
}

void ApplyButtonFaceColour(QWidget* window) {
    if (!window) return;
    PaintButtonFace(window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QGroupBox*>(w) ||
            qobject_cast<QLabel*>(w))
            PaintButtonFace(w);
    }
}

QIcon ProgramIcon() {
    // A photo with a green mark over its corner.
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        QPainterPath frame;
        frame.addRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s / 8, s / 8);
        QLinearGradient sky(0, 0, 0, s);
        sky.setColorAt(0, QColor(0x4a, 0x90, 0xd9));
        sky.setColorAt(1, QColor(0xa8, 0xd0, 0xf0));
        p.fillPath(frame, sky);
        p.setClipPath(frame);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3b, 0x6e, 0x3b));
        p.drawPolygon(QPolygonF{{0, s * 0.75}, {s * 0.4, s * 0.4}, {s * 0.7, s * 0.65}, {s, s * 0.5}, {s, s}, {0, s}});
        p.setBrush(QColor(0, 255, 0));
        p.drawRect(QRectF(s * 0.52, s * 0.74, s * 0.4, s * 0.18));
        p.setClipping(false);
        p.setPen(QPen(QColor(0x20, 0x30, 0x40), qMax(1.0, s / 24)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(frame);
        icon.addPixmap(pixmap);
    }
    return icon;
}
