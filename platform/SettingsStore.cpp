#include "platform/SettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

namespace {
const char* const kMaker = "Tarnwick";
const char* const kSection = "Brisvane";

}  // namespace

QString GetSetting(const QString& key, const QString& defaultValue) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, kMaker, kSection);
    store.beginGroup(kSection);
    const QVariant value = store.value(key);
    if (!value.isValid()) return defaultValue;
    // A hand-edited value with commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SaveSetting(const QString& key, const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, kMaker, kSection);
    store.beginGroup(kSection);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError)
        throw std::runtime_error("The settings could not be saved.");
}

QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool TextToBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok) throw std::runtime_error("Type mismatch");
    return number != 0.0;
}

QString SettingsFolderPath() {
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, kMaker, kSection);
    return QFileInfo(store.fileName()).absolutePath();
}

void UseSettingsFolder(const QString& folder) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}
