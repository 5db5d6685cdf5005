#include "editor/TypedSliderValue.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {
constexpr int kFieldWidth = 40;
// Digits only; a value outside the slider's range is brought into it on Enter.
constexpr int kMostDigits = 9999;
}  // namespace

TypedSliderValue::TypedSliderValue(QLabel* label, QScrollBar* slider)
    : QObject(label), label_(label), slider_(slider), field_(new QLineEdit(label->parentWidget())) {
    field_->setGeometry(label->x(), label->y() - 2, kFieldWidth, label->height() + 4);
    field_->setValidator(new QIntValidator(0, kMostDigits, field_));
    field_->setToolTip(QStringLiteral("Type a value from %1 to %2 and press Enter")
                           .arg(slider->minimum())
                           .arg(slider->maximum()));
    field_->hide();
    label->setCursor(Qt::IBeamCursor);
    label->setToolTip(QStringLiteral("Click to type a value"));
    label->installEventFilter(this);
    field_->installEventFilter(this);
    connect(field_, &QLineEdit::editingFinished, this, &TypedSliderValue::Apply);
}

void TypedSliderValue::Open() {
    if (!label_->isEnabled()) return;
    field_->setText(QString::number(slider_->value()));
    field_->show();
    field_->raise();
    field_->selectAll();
    field_->setFocus();
}

void TypedSliderValue::Apply() {
    if (field_->isHidden()) return;
    bool ok = false;
    const int value = field_->text().toInt(&ok);
    if (ok) slider_->setValue(qBound(slider_->minimum(), value, slider_->maximum()));
    Close();
}

void TypedSliderValue::Close() {
    field_->hide();
    slider_->setFocus();
}

bool TypedSliderValue::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label_ && event->type() == QEvent::MouseButtonPress) {
        Open();
        return true;
    }
    if (watched == field_ && event->type() == QEvent::FocusOut) Apply();
    if (watched == field_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Close();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
