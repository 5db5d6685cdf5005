#pragma once
#include <QCursor>
#include <QObject>
#include <functional>
#include <optional>

class QWidget;

// The mouse pointer of one window: the arrow, the hourglass or the hand. The hourglass doubles
// as the window's busy flag: while it is on, moving over the window changes nothing. Otherwise
// the pointer follows what it moves over: the hand over buttons, the arrow over the window's
// background and its frames.
class WindowPointer : public QObject {
public:
    enum class Mode { Default, Busy, Custom };

    // `changed` runs after every change of mode, for what else the window shows with it.
    explicit WindowPointer(QWidget& window, std::function<void(Mode)> changed = {});

    // Loads the hand from "HAND-M.CUR" in the program folder; without that file (or with one
    // that cannot be read) the hand looks like the arrow.
    void LoadHand();
    bool HasHand() const { return hand_.has_value(); }

    Mode Current() const { return mode_; }
    bool IsBusy() const { return mode_ == Mode::Busy; }
    void Set(Mode mode);

    // The pointer moved over something that shows `wanted`: it does, unless the window is busy.
    void MovedOver(Mode wanted);
    // Moves over `widget` show `wanted` from now on.
    void Follow(QWidget* widget, Mode wanted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::function<void(Mode)> changed_;
    std::optional<QCursor> hand_;
    Mode mode_ = Mode::Default;
};
