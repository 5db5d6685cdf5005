#include "common/Skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "common/AppInfo.h"
#include "common/ErrorReport.h"
#include "common/PathHelpers.h"

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
        if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QGroupBox*>(w) || qobject_cast<QLabel*>(w))
            PaintButtonFace(w);
    }
}

QString ProgramFontFamily() {
    return QFontInfo(QFont(QStringLiteral("Arial"))).family();
}

QIcon ProgramIcon() {
    // The application icon's PNG sizes, built into the program; the same files are installed
    // into the desktop's icon theme for the menu entry.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/").arg(size) + AppInfo::DesktopId +
                         QStringLiteral(".png"),
                     QSize(size, size));
    return icon;
}
