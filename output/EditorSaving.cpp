#include "output/EditorSaving.h"

#include <QObject>
#include <memory>

#include "editor/Form2.h"
#include "output/SaveOptionFrame.h"
#include "output/SaveSteps.h"
#include "output/StepHost.h"

namespace {

// The editor as the steps see it; lives as a child of the editor window.
class EditorStepHost : public QObject, public StepHost {
public:
    EditorStepHost(Form2& form, SaveOptionFrame& frame)
        : QObject(&form), form_(form), frame_(frame), steps_(*this, frame) {
        setObjectName(QStringLiteral("EditorSaving"));
    }

    FileList& List() override { return form_.List(); }
    int& CurrentFile() override { return form_.nCurrentFile; }
    QImage PersistentImage() const override { return form_.HasPicture() ? form_.PersistentImage() : QImage(); }
    void LoadNewPicture(const QString& path) override { form_.LoadNewPicture(path); }
    void SetBusyPointer(bool busy) override {
        form_.SetPointer(busy ? Form2::Pointer::Hourglass : Form2::Pointer::Default);
    }
    void ShowListWindow() override { form_.ShowListWindow(); }
    bool RemovalRunning() const override { return form_.IsRemoving(); }

    SaveOptionFrame& Frame() { return frame_; }
    SaveSteps& Steps() { return steps_; }

private:
    Form2& form_;
    SaveOptionFrame& frame_;
    SaveSteps steps_;
};

EditorStepHost* HostOf(Form2& form) {
    return form.findChild<EditorStepHost*>(QStringLiteral("EditorSaving"), Qt::FindDirectChildrenOnly);
}

SaveOptionFrame& PlaceFrame(Form2& form) {
    if (auto* frame = qobject_cast<SaveOptionFrame*>(form.Frame7)) return *frame;
    auto* frame = new SaveOptionFrame(&form);
    if (form.Frame7) {
        frame->setGeometry(form.Frame7->geometry());
        delete form.Frame7;
    } else {
        frame->setGeometry(536, 199, 520, 121);
    }
    form.Frame7 = frame;
    frame->show();
    return *frame;
}

}  // namespace

SaveSteps& InstallSaving(Form2& form) {
    EditorStepHost* host = HostOf(form);
    if (!host) {
        host = new EditorStepHost(form, PlaceFrame(form));
        SaveSteps& steps = host->Steps();
        form.SaveStep = [&steps] { steps.PushButton5_Click(); };
        form.SkipStep = [&steps] { steps.PushButton1_Click(); };
    }
    host->Frame().RestoreFromSettings();
    return host->Steps();
}

SaveOptionFrame* SaveOptionsOf(Form2& form) {
    EditorStepHost* host = HostOf(form);
    return host ? &host->Frame() : nullptr;
}

SaveSteps* SaveStepsOf(Form2& form) {
    EditorStepHost* host = HostOf(form);
    return host ? &host->Steps() : nullptr;
}
