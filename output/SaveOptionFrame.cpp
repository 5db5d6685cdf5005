#include "output/SaveOptionFrame.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

#include "common/ErrorReport.h"
#include "common/PathHelpers.h"
#include "common/Settings.h"
#include "platform/Dialogs.h"

namespace {
// The option and text handlers have no error report of their own: when the store cannot be
// written the choice on screen stays as the user set it.
template <class F>
void IgnoringStoreFailure(F&& store) {
    try {
        store();
    } catch (const std::exception&) {
    }
}
}  // namespace

SaveOptionFrame::SaveOptionFrame(QWidget* parent)
    : QGroupBox(QStringLiteral("Save Option"), parent) {
    setObjectName(QStringLiteral("Frame7"));
    resize(520, 121);

    Option4 = new QRadioButton(QStringLiteral("Save results in folder of original file"), this);
    Option4->setObjectName(QStringLiteral("Option4"));
    Option4->setGeometry(12, 22, 496, 22);
    Option3 = new QRadioButton(QStringLiteral("Save results to this folder:"), this);
    Option3->setObjectName(QStringLiteral("Option3"));
    Option3->setGeometry(12, 46, 496, 22);

    Frame6 = new QFrame(this);
    Frame6->setObjectName(QStringLiteral("Frame6"));
    Frame6->setGeometry(12, 72, 496, 40);
    Text1 = new QLineEdit(Frame6);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(0, 7, 454, 26);
    PushButton4 = new QPushButton(QStringLiteral("..."), Frame6);
    PushButton4->setObjectName(QStringLiteral("PushButton4"));
    PushButton4->setGeometry(460, 6, 36, 28);

    connect(Option3, &QRadioButton::clicked, this, &SaveOptionFrame::Option_Click);
    connect(Option4, &QRadioButton::clicked, this, &SaveOptionFrame::Option_Click);
    connect(Text1, &QLineEdit::textChanged, this, &SaveOptionFrame::Text1_Change);
    connect(PushButton4, &QPushButton::clicked, this, &SaveOptionFrame::PushButton4_Click);
}

void SaveOptionFrame::SetOptions(bool option3, bool option4) {
    // Auto-exclusive buttons cannot be cleared one by one; a store edited by hand may hold neither.
    Option3->setAutoExclusive(false);
    Option4->setAutoExclusive(false);
    Option3->setChecked(option3 && !option4);  // setting Option4 clears Option3, as a click would
    Option4->setChecked(option4);
    Option3->setAutoExclusive(true);
    Option4->setAutoExclusive(true);
    Frame6->setEnabled(Option3->isChecked());
}

void SaveOptionFrame::RestoreFromSettings() {
    Text1->setText(Settings::OutputFolder());
    const bool option3 = Settings::SaveToFolderChosen();
    SetOptions(option3, false);
    const bool option4 = Settings::SaveBesideSourceChosen();
    SetOptions(option3, option4);
}

SaveChoice SaveOptionFrame::Choice() const {
    return SaveChoice{Option3->isChecked(), Option4->isChecked(), Text1->text()};
}

QString SaveOptionFrame::OutputPathFor(const QString& itemText) const {
    return BuildOutputPath(itemText, Choice());
}

void SaveOptionFrame::Option_Click() {
    IgnoringStoreFailure(
        [&] { Settings::SetSaveChoice(Option3->isChecked(), Option4->isChecked()); });
    Frame6->setEnabled(Option3->isChecked());
}

void SaveOptionFrame::Text1_Change() {
    IgnoringStoreFailure([&] { Settings::SetOutputFolder(Text1->text()); });
}

void SaveOptionFrame::PushButton4_Click() {
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("PushButton4_Click")));
    QString last;
    s.Do(100, [&] { last = Settings::LastOutputFolderPicked(); });
    QString chosen;
    s.Do(102, [&] {
        chosen =
            AppDialogs().BrowseForFolder(window(), QStringLiteral("Please select folder:"), last);
    });
    if (chosen.isEmpty()) return;
    s.Do(104, [&] { Settings::SetLastOutputFolderPicked(chosen); });
    s.Do(106, [&] {
        Text1->setText(chosen.endsWith(PathSeparator()) ? chosen : chosen + PathSeparator());
    });
}
