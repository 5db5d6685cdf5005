#pragma once
#include <QObject>

class QEvent;
class QLabel;
class QLineEdit;
class QScrollBar;

// Lets the user type a slider's value: a click on the number beside the slider opens a field in
// its place. Enter or leaving the field sets the slider (kept within its range); Escape leaves
// the slider as it was.
class TypedSliderValue : public QObject {
public:
    TypedSliderValue(QLabel* label, QScrollBar* slider);

    QLineEdit* Field() const { return field_; }
    void Open();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply();
    void Close();

    QLabel* label_;
    QScrollBar* slider_;
    QLineEdit* field_;
};
