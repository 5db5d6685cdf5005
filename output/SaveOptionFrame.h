#pragma once
#include <QGroupBox>

#include "output/OutputNaming.h"

class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The editor's "Save Option" frame: write each result beside its source (replacing it) or
// into one chosen folder. The choice and the folder live in the settings store.
class SaveOptionFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit SaveOptionFrame(QWidget* parent = nullptr);

    // Sets Text1, Option3 and Option4 from the settings, in that order, and enables Frame6
    // exactly when Option3 is set. Part of the editor's load: a stored value that is not a
    // yes/no text throws (std::runtime_error), for the caller's error report.
    void RestoreFromSettings();

    SaveChoice Choice() const;
    // The output path for a list entry under the present choice (empty when none is set).
    QString OutputPathFor(const QString& itemText) const;

    // Handlers, public so the window and tests can drive them as a click would.
    void Option_Click();       // Option3 or Option4 clicked
    void Text1_Change();       // every change of Text1's text
    void PushButton4_Click();  // "..."

    QRadioButton* Option4;
    QRadioButton* Option3;
    QFrame* Frame6;
    QLineEdit* Text1;
    QPushButton* PushButton4;

private:
    void SetOptions(bool option3, bool option4);
};
