#include "filelist/Samples.h"

#include <QStringList>

#include "common/AppInfo.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "filelist/AddFolder.h"
#include "filelist/FileList.h"
#include "platform/Dialogs.h"

namespace {
int KeyCode(const QString& key, qsizetype i) {
    return key.isEmpty() ? 0 : key[i % key.size()].unicode() & 0xFF;
}
}  // namespace

QString SampleFolder() {
    return ProgramFolder() + PathSeparator() + QStringLiteral("Samples");
}

void RegisterSamples() {
    const QString folder = SampleFolder() + PathSeparator();
    QStringList paths;
    for (const QString& name : ListFiles(SampleFolder(), QStringLiteral("*.*")))
        paths << folder + name;
    Settings::SetSampleSnapshot(ScrambleText(paths.join(QLatin1Char('|')), SampleKey));
}

void LoadSamples(FileList& list) {
    const QString text = UnscrambleText(Settings::SampleSnapshot(), SampleKey);
    for (const QString& part : text.split(QLatin1Char('|'))) {
        if (FileExists(part) && !list.IsInList(part)) list.Append(part);
    }
    const auto answer = AppDialogs().Message(
        QStringLiteral(
            "Would you like this software to open the folder where these sample files are stored "
            "(so that you can view them before working with them)?"),
        Dialogs::Buttons::YesNo);
    if (answer == Dialogs::Answer::Yes) AppDialogs().OpenFolder(SampleFolder() + PathSeparator());
}

QString ScrambleText(const QString& text, const QString& key) {
    const QByteArray bytes = text.toUtf8();
    QString out(bytes.size(), QChar());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        int v = static_cast<unsigned char>(bytes[i]) + KeyCode(key, i);
        if (v > 255) v -= 255;
        out[i] = QChar(v);
    }
    return out;
}

QString UnscrambleText(const QString& text, const QString& key) {
    QByteArray bytes(text.size(), '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        int v = (text[i].unicode() & 0xFF) - KeyCode(key, i);
        if (v < 1) v += 255;
        bytes[i] = static_cast<char>(v);
    }
    return QString::fromUtf8(bytes);
}
