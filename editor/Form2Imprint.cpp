// "Suggest Box": the camera's date imprint found on the picture on show and marked as the Box
// tool marks it, for the user to check before removing.
#include <QPushButton>

#include "common/ErrorReport.h"
#include "editor/Form2.h"
#include "platform/Dialogs.h"
#include "platform/PictureBox.h"

namespace {
const QString kNothingFound = QStringLiteral("No date imprint found.");
}  // namespace

void Form2::BuildSuggestBox() {
    SuggestBox = new QPushButton(QStringLiteral("Suggest Box"), this);
    SuggestBox->setAutoDefault(false);
    SuggestBox->setToolTip(QStringLiteral(
        "Find the camera's date imprint and mark a box around it; check it, then remove it"));
    connect(SuggestBox, &QPushButton::clicked, this, &Form2::SuggestBox_Click);
    SuggestBox->setEnabled(false);  // until a picture is shown
    connect(PicOrg, &PictureBox::PictureReplaced, SuggestBox,
            [this] { SuggestBox->setEnabled(PicOrg->HasPicture() && !removing_); });
    AddToNewControlsRow(SuggestBox, NewControl::SuggestBox);
}

// The boxes found, in the picture area's pixels. A big picture shown reduced is searched at its
// full size, and each box found becomes the view's box that covers all of it.
QList<QRect> Form2::SuggestedViewBoxes() const {
    if (!full_.Active()) return FindImprintBoxes(PicOrg->Picture(), Finder);
    QList<QRect> boxes;
    for (const QRect& found : FindImprintBoxes(full_.Working(), Finder))
        boxes.append(full_.Mapping().ViewOf(found));
    return boxes;
}

// Each box is painted and remembered like a box drawn by hand, so Ctrl+Z takes it back; the
// marks already painted stay, and the undo copy of the last removal is not touched.
void Form2::SuggestBox_Click() {
    if (!MayAct() || !PicOrg->HasPicture()) return;
    ErrorSteps s(ErrorLocation(QStringLiteral("Form2"), QStringLiteral("SuggestBox_Click")));
    QList<QRect> boxes;
    bool searched = false;
    SetPointer(PointerMode::Busy);  // a big picture takes a moment
    s.Do(100, [&] {
        boxes = SuggestedViewBoxes();
        searched = true;
    });
    SetPointer(PointerMode::Default);
    if (!searched) return;  // reported
    if (boxes.isEmpty()) {
        AppDialogs().Message(kNothingFound, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return;
    }
    tools_->ChooseTool(tools_->CurrentTool());  // a box or outline under way is dropped
    for (const QRect& box : boxes) surface_->PaintBox(box.topLeft(), box.bottomRight());
}
