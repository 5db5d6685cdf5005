#include "common/WindowPointer.h"

#include <QEvent>
#include <QWidget>

#include "common/AppInfo.h"
#include "common/PathHelpers.h"
#include "platform/Pointers.h"

namespace {
const char* const kWantedProperty = "brisvanePointer";
}

WindowPointer::WindowPointer(QWidget& window, std::function<void(Mode)> changed)
    : QObject(&window), window_(window), changed_(std::move(changed)) {}

void WindowPointer::LoadHand() {
    const QString file = ProgramFolder() + PathSeparator() + QStringLiteral("HAND-M.CUR");
    hand_ = FileExists(file) ? LoadPointer(file) : std::nullopt;
}

void WindowPointer::Set(Mode mode) {
    mode_ = mode;
    switch (mode) {
        case Mode::Default:
            window_.setCursor(Qt::ArrowCursor);
            break;
        case Mode::Busy:
            window_.setCursor(Qt::WaitCursor);
            break;
        case Mode::Custom:
            window_.setCursor(hand_ ? *hand_ : QCursor(Qt::ArrowCursor));
            break;
    }
    if (changed_) changed_(mode);
}

void WindowPointer::MovedOver(Mode wanted) {
    if (!IsBusy() && mode_ != wanted) Set(wanted);
}

void WindowPointer::Follow(QWidget* widget, Mode wanted) {
    widget->setMouseTracking(true);
    widget->setProperty(kWantedProperty, static_cast<int>(wanted));
    // A button leaves plain moves to its parent, whose own rule would take the hand away again.
    if (wanted == Mode::Custom) widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->installEventFilter(this);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)
        MovedOver(static_cast<Mode>(watched->property(kWantedProperty).toInt()));
    return false;
}
