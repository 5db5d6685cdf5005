#pragma once
#include <QString>

// The per-user settings store: text values under application "Tarnwick", section "Brisvane".
// Values are read where they are used and written the moment they change.
QString GetSetting(const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& key, const QString& value);

// "True"/"False" as the store keeps yes/no choices.
QString BoolText(bool value);
// The text-to-Boolean rule: "True" and "False" (any letter case), or a number, 0 being false.
// Any other text fails with std::runtime_error, like a failed conversion.
bool TextToBool(const QString& text);

// The folder that holds the store; files kept beside the settings go there.
QString SettingsFolderPath();

// Tests keep their settings apart from the user's: everything goes below `folder`.
void UseSettingsFolder(const QString& folder);
