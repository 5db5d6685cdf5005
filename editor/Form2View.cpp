// The editor's picture area beyond the fixed window: zoom, pan, scrolling at the edges during a
// drag, and the window's growth. Positions on the picture go through the picture box's mapping.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "common/Settings.h"
#include "editor/Form2.h"
#include "platform/PictureBox.h"

namespace {
constexpr double kMaxZoom = 8.0;
constexpr double kWheelZoomStep = 1.25;                      // one notch of Ctrl + wheel
constexpr double kZoomSteps[] = {0.25, 0.5, 1.0, 2.0, 4.0};  // "+" and "-"
constexpr int kWheelScrollPixels = 60;                       // one notch of the wheel
constexpr int kEdgeMargin = 16;   // a drag this close to the view's edge scrolls it
constexpr int kEdgeMaxStep = 40;  // pixels per tick, the further out the faster
constexpr int kEdgeTickMs = 30;
}  // namespace

double Form2::Zoom() const {
    return PicOrg->Zoom();
}

double Form2::MinZoom() const {
    return ViewMapping::FitZoom(PicOrg->Image().size(), ViewRoom());
}

// The viewport less its frame: what a fitted picture may fill.
QSize Form2::ViewRoom() const {
    return PicScroll->size() - QSize(2, 2);
}

// Zooms keeping the picture point under `anchor` (viewport coordinates) where it is.
void Form2::ZoomTo(double zoom, QPointF anchor) {
    ZoomTo(zoom, anchor, (anchor - QPointF(PicOrg->pos())) / PicOrg->Zoom());
}

// Brings the picture point `onPicture` under `anchor` as far as the scrolling allows.
void Form2::ZoomTo(double zoom, QPointF anchor, QPointF onPicture) {
    if (!PicOrg->HasPicture()) return;
    zoom = std::clamp(zoom, MinZoom(), kMaxZoom);
    PicOrg->SetZoom(zoom);
    tools_->SetViewScale(zoom);
    FitBars();
    const QPointF offset = onPicture * zoom - anchor;
    ScrollTo(QPoint(int(std::lround(offset.x())), int(std::lround(offset.y()))));
    ShowZoom();
}

void Form2::ZoomAboutCentre(double zoom) {
    ZoomTo(zoom, QPointF(ViewRoom().width() / 2.0, ViewRoom().height() / 2.0));
}

void Form2::ZoomToFit() {
    ZoomTo(MinZoom(), QPointF());
    ScrollTo(QPoint());
}

// "+" or "-": the next of the fixed steps beyond the zoom on show.
void Form2::ZoomStep(int direction) {
    const double now = Zoom();
    double next = now;
    if (direction > 0) {
        for (double step : kZoomSteps)
            if (step > now * 1.0001) {
                next = step;
                break;
            }
    } else {
        for (double step : kZoomSteps)
            if (step < now * 0.9999) next = step;
    }
    if (next != now) ZoomAboutCentre(next);
}

void Form2::ScrollTo(QPoint offset) {
    HscrPic->setValue(offset.x());
    VscrPic->setValue(offset.y());
    PicOrg->move(-HscrPic->value(), -VscrPic->value());
}

void Form2::ScrollBy(QPoint delta) {
    ScrollTo(QPoint(HscrPic->value(), VscrPic->value()) + delta);
}

void Form2::ShowZoom() {
    ZoomLabel->setText(QStringLiteral("%1 %").arg(std::lround(Zoom() * 100)));
    ZoomLabel->adjustSize();
    const int bottom = HscrPic->isVisible() ? HscrPic->y() : ViewRoom().height();
    ZoomLabel->move(4, std::max(0, bottom - ZoomLabel->height() - 4));
    ZoomLabel->setVisible(PicOrg->HasPicture());
    ZoomLabel->raise();
}

// A new picture: 100 % at the top-left corner, or fitted when it is big and the user asked.
void Form2::ResetZoom() {
    PicOrg->SetZoom(1.0);
    tools_->SetViewScale(1.0);
}

bool Form2::OpensFitted() const {
    return FitBigPictures->isChecked();
}

// ---------------------------------------------------------------------------------------------
// Wheel, keys and panning

bool Form2::PictureAreaEvent(QObject* watched, QEvent* event) {
    if (watched != PicOrg) return false;
    switch (event->type()) {
        case QEvent::Wheel:
            PictureWheel(*static_cast<QWheelEvent*>(event));
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return StartPan(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return FollowPointer(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            return EndPan(*static_cast<QMouseEvent*>(event));
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto& key = *static_cast<QKeyEvent*>(event);
            if (key.key() == Qt::Key_Space && !key.isAutoRepeat())
                spaceHeld_ = event->type() == QEvent::KeyPress;
            return key.key() == Qt::Key_Space;
        }
        case QEvent::FocusOut:
            spaceHeld_ = false;
            return false;
        default:
            return false;
    }
}

void Form2::PictureWheel(const QWheelEvent& wheel) {
    PicOrg->setFocus(Qt::MouseFocusReason);
    const QPoint steps = wheel.angleDelta();
    if (wheel.modifiers() & Qt::ControlModifier) {
        if (steps.y() == 0) return;
        const double notches = steps.y() / 120.0;
        const QPointF anchor = PicOrg->mapTo(PicScroll, wheel.position());
        // Turns with the pointer still zoom towards the point first aimed at, even where the
        // edge of the picture kept it from the pointer on the way.
        if (anchor != wheelAnchor_) {
            wheelAnchor_ = anchor;
            wheelTarget_ = (anchor - QPointF(PicOrg->pos())) / Zoom();
        }
        ZoomTo(Zoom() * std::pow(kWheelZoomStep, notches), anchor, wheelTarget_);
        return;
    }
    // Shift turns the wheel sideways; some systems already hand it over as a sideways turn.
    const bool sideways = (wheel.modifiers() & Qt::ShiftModifier) || steps.y() == 0;
    const int turn = steps.y() != 0 ? steps.y() : steps.x();
    const int pixels = -turn * kWheelScrollPixels / 120;
    ScrollBy(sideways ? QPoint(pixels, 0) : QPoint(0, pixels));
}

bool Form2::StartPan(const QMouseEvent& mouse) {
    // Only with Space held: the middle button keeps its meaning for the Box tool (an anchor).
    if (mouse.button() != Qt::LeftButton || !spaceHeld_) return false;
    panButton_ = mouse.button();
    panFrom_ = mouse.globalPosition().toPoint();
    return true;
}

bool Form2::FollowPointer(const QMouseEvent& mouse) {
    if (panButton_ != Qt::NoButton) {
        const QPoint now = mouse.globalPosition().toPoint();
        ScrollBy(panFrom_ - now);
        panFrom_ = now;
        return true;
    }
    lastPointer_ = PicOrg->mapTo(PicScroll, mouse.position().toPoint());
    ScrollAtEdge();
    return false;
}

bool Form2::EndPan(const QMouseEvent& mouse) {
    if (panButton_ == Qt::NoButton || mouse.button() != panButton_) return false;
    panButton_ = Qt::NoButton;
    return true;
}

// While a box or an outline is under way, the pointer near or beyond the view's edge scrolls
// it, and keeps scrolling while it stays there.
void Form2::ScrollAtEdge() {
    if (tools_->PendingPoints().empty() || removing_) {
        edgeTimer_->stop();
        return;
    }
    const QRect view(QPoint(),
                     QSize(HscrPic->isVisible() ? HscrPic->width() : ViewRoom().width(),
                           VscrPic->isVisible() ? VscrPic->height() : ViewRoom().height()));
    auto step = [](int at, int low, int high) {
        if (at < low + kEdgeMargin) return -std::min(kEdgeMaxStep, low + kEdgeMargin - at);
        if (at > high - kEdgeMargin) return std::min(kEdgeMaxStep, at - (high - kEdgeMargin));
        return 0;
    };
    const QPoint delta(step(lastPointer_.x(), view.left(), view.right()),
                       step(lastPointer_.y(), view.top(), view.bottom()));
    const QPoint before(HscrPic->value(), VscrPic->value());
    if (!delta.isNull()) ScrollBy(delta);
    const QPoint moved = QPoint(HscrPic->value(), VscrPic->value()) - before;
    if (moved.isNull()) {
        edgeTimer_->stop();
        return;
    }
    // The picture slid under a pointer that stayed: the rubber band follows it.
    tools_->Move(PicOrg->PicturePosition(QPointF(lastPointer_ - PicOrg->pos())));
    if (!edgeTimer_->isActive()) edgeTimer_->start(kEdgeTickMs);
}

// The zoom keys, only while the picture area has the focus.
bool Form2::ZoomKey(const QKeyEvent& key) {
    if (QApplication::focusWidget() != PicOrg) return false;
    const bool control = key.modifiers() & Qt::ControlModifier;
    if (control && key.key() == Qt::Key_0)
        ZoomToFit();
    else if (control && key.key() == Qt::Key_1)
        ZoomAboutCentre(1.0);
    else if (key.key() == Qt::Key_Plus || key.key() == Qt::Key_Equal)
        ZoomStep(+1);
    else if (key.key() == Qt::Key_Minus)
        ZoomStep(-1);
    else
        return false;
    return true;
}

// Focus on the picture after a load, so the zoom keys work at once, unless the user is typing.
void Form2::FocusPicture() {
    if (!qobject_cast<QLineEdit*>(QApplication::focusWidget())) PicOrg->setFocus();
}
