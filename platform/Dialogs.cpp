#include "platform/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace {
Dialogs* g_override = nullptr;

// Start-up names the application after its title.
QString CaptionOr(const QString& caption) {
    return caption.isEmpty() ? QCoreApplication::applicationName() : caption;
}

// The program's texts break lines with CR LF or CR alone; Qt's labels want LF.
QString ForDisplay(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::Icon ToQt(Dialogs::Icon icon) {
    switch (icon) {
        case Dialogs::Icon::Information:
            return QMessageBox::Information;
        case Dialogs::Icon::Warning:
            return QMessageBox::Warning;
        case Dialogs::Icon::Question:
            return QMessageBox::Question;
        case Dialogs::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// "Description|*.a;*.b|" (the original dialog's filter form) as a Qt name filter.
QString QtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        filters << parts[i] + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}
}  // namespace

Dialogs& AppDialogs() {
    static QtDialogs real;
    return g_override ? *g_override : real;
}

void SetAppDialogs(Dialogs* dialogs) {
    g_override = dialogs;
}

namespace {
QMessageBox::StandardButtons QtButtons(Dialogs::Buttons buttons) {
    switch (buttons) {
        case Dialogs::Buttons::Ok:
            return QMessageBox::Ok;
        case Dialogs::Buttons::SaveDiscardCancel:
            return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        case Dialogs::Buttons::YesNo:
        case Dialogs::Buttons::YesNoDefaultNo:
            break;
    }
    return QMessageBox::Yes | QMessageBox::No;
}

Dialogs::Answer FromQt(int result, Dialogs::Buttons buttons) {
    switch (result) {
        case QMessageBox::Yes:
            return Dialogs::Answer::Yes;
        case QMessageBox::Save:
            return Dialogs::Answer::Save;
        case QMessageBox::Discard:
            return Dialogs::Answer::Discard;
        case QMessageBox::Cancel:
            return Dialogs::Answer::Cancel;
        default:
            break;
    }
    if (buttons == Dialogs::Buttons::Ok) return Dialogs::Answer::Ok;
    return buttons == Dialogs::Buttons::SaveDiscardCancel ? Dialogs::Answer::Cancel
                                                          : Dialogs::Answer::No;
}
}  // namespace

Dialogs::Answer QtDialogs::Message(const QString& text, Buttons buttons, Icon icon,
                                   const QString& caption) {
    QMessageBox box(ToQt(icon), CaptionOr(caption), ForDisplay(text), QtButtons(buttons),
                    QApplication::activeWindow());
    if (buttons == Buttons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    if (buttons == Buttons::SaveDiscardCancel) {
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setTextFormat(Qt::PlainText);  // a path may hold "<" or "&"
    return FromQt(box.exec(), buttons);
}

std::optional<QString> QtDialogs::Input(const QString& prompt, const QString& initial,
                                        const QString& caption) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), CaptionOr(caption),
                                               ForDisplay(prompt), QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

Dialogs::OpenResult QtDialogs::OpenFiles(const QString& title, const QString& filter,
                                         int maxLength) {
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);    // its name filters ignore letter case
    dialog.setOption(QFileDialog::HideNameFilterDetails);  // shows each description as written
    dialog.setNameFilter(QtNameFilter(filter));
    OpenResult result;
    if (dialog.exec() != QDialog::Accepted) return result;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return result;
    if (files.size() == 1) {
        result.text = files.first();
    } else {
        // Folder, then each name, NUL-separated, as the multi-selection result is defined.
        const QString folder = QFileInfo(files.first()).absolutePath();
        QStringList parts{folder};
        for (const QString& f : files) parts << QFileInfo(f).fileName();
        result.text = parts.join(QChar(0));
    }
    if (result.text.size() > maxLength) {
        result.text.clear();
        result.overflow = true;
    }
    return result;
}

QString QtDialogs::BrowseForFolder(QWidget* owner, const QString& prompt,
                                   const QString& startFolder) {
    return QFileDialog::getExistingDirectory(owner, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

void QtDialogs::OpenUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

void QtDialogs::OpenFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
