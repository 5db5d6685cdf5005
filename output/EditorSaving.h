#pragma once

class Form2;
class SaveOptionFrame;
class SaveSteps;

// Connects the editor window to saving: the "Save Option" frame in the editor's Frame7 place
// (used as it is when Frame7 already is one, otherwise put in place of the placeholder), the
// choice restored from the settings, and the two step buttons running the save and skip steps.
// Call once, from the editor's load. Everything is in place before the restore, which throws
// (std::runtime_error) on a stored choice that is not a yes/no text, for the load's error report.
SaveSteps& InstallSaving(Form2& form);

// The frame and the steps installed on `form`, or nullptr before InstallSaving.
SaveOptionFrame* SaveOptionsOf(Form2& form);
SaveSteps* SaveStepsOf(Form2& form);
