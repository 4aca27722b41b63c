#include "gui/Spin.h"

#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QLineEdit>
#include <QSpinBox>

#include <climits>

using namespace plantmon::gui;

TSpinEdit::TSpinEdit(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QSpinBox>(this);
    spin_ = w;
    AttachHost(w);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setKeyboardTracking(true);
    QObject::connect(w, &QSpinBox::textChanged, [this](const QString&) { SafeCall(this, [this] { OnChange(this); }); });
    applyRange();
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 22);
}

TSpinEdit::~TSpinEdit() {
    Destroying_();
    QObject::disconnect(spin_, nullptr, nullptr, nullptr);
}

void TSpinEdit::applyRange() {
    bool unlimited = minValue_ == 0 && maxValue_ == 0;
    spin_->setRange(unlimited ? INT_MIN : minValue_, unlimited ? INT_MAX : std::max(minValue_, maxValue_));
}

void TSpinEdit::SetMinValue(int v) {
    minValue_ = v;
    applyRange();
}

void TSpinEdit::SetMaxValue(int v) {
    maxValue_ = v;
    applyRange();
}

int TSpinEdit::Value() const {
    // The text as typed counts, within the limits; text that is no number gives MinValue.
    int v = 0;
    AnsiString t(spin_->text().toStdString());
    if (!TryStrToInt(Trim(t), v)) return minValue_;
    if (!(minValue_ == 0 && maxValue_ == 0)) v = std::clamp(v, minValue_, std::max(minValue_, maxValue_));
    return v;
}

void TSpinEdit::SetValue(int v) { spin_->setValue(v); }

void TSpinEdit::SetIncrement(int v) {
    increment_ = v;
    spin_->setSingleStep(v);
}

void TSpinEdit::SetEditorEnabled(bool b) {
    editorEnabled_ = b;
    if (QLineEdit* le = spin_->findChild<QLineEdit*>()) le->setReadOnly(!b || readOnly_);
}

void TSpinEdit::SetReadOnly(bool b) {
    readOnly_ = b;
    spin_->setReadOnly(b);
}

void TSpinEdit::SelectAll() { spin_->selectAll(); }

AnsiString TSpinEdit::GetText() const { return AnsiString(spin_->text().toStdString()); }

void TSpinEdit::TextChanged() {
    int v = 0;
    if (TryStrToInt(Trim(text_), v)) spin_->setValue(v);
}

void TSpinEdit::ColorChanged() {
    TWinControl::ColorChanged();
    QPalette pal = spin_->palette();
    pal.setColor(QPalette::Base, ToQColor(Color()));
    spin_->setPalette(pal);
}
