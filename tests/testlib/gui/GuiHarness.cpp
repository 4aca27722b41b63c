#include "testlib/gui/GuiHarness.h"

#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace plantmon::gui;

namespace guitest {

void EnsureApp() {
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "plantmon-test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    Application->Initialize();
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
    } while (t.elapsed() < ms);
}

void Settle() {
    // A timer that fires at once again and again would keep the queue busy for ever: the rounds are
    // bounded, far above what any test's events need.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int round = 0; round < 10000; ++round) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher || !dispatcher->processEvents(QEventLoop::AllEvents)) return;
    }
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(1);
    }
    return true;
}

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void ShowForm(TCustomForm* form) {
    form->Show();
    QWidget* w = form->SubWindow() ? form->SubWindow()->window() : form->Widget();
    (void)QTest::qWaitForWindowExposed(w, 2000);
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w, 2000);
    Pump();
}

namespace {
// The widget under p of the control (the deepest child there) and p in its coordinates.
QWidget* targetAt(TControl* c, TPoint& p) {
    QWidget* w = c->Widget();
    if (auto* wc = dynamic_cast<TWinControl*>(c)) w = wc->ClientWidget();
    if (p.x < 0 && p.y < 0) p = TPoint(c->ClientWidth() / 2, c->ClientHeight() / 2);
    QPoint qp(p.x, p.y);
    if (QWidget* child = w->childAt(qp)) {
        // Only inner parts of the same control, not child controls.
        if (ControlOf(child) == c) {
            QPoint cp = child->mapFrom(w, qp);
            p = TPoint(cp.x(), cp.y());
            return child;
        }
    }
    return w;
}

Qt::MouseButton qtButton(TMouseButton b) {
    return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}
}  // namespace

void Click(TControl* c, TPoint p, TMouseButton b, TShiftState shift) {
    QWidget* w = targetAt(c, p);
    QTest::mouseClick(w, qtButton(b), QtModifiersFromShift(shift), QPoint(p.x, p.y));
    Pump();
}

void DblClick(TControl* c, TPoint p, TShiftState shift) {
    QWidget* w = targetAt(c, p);
    QTest::mouseDClick(w, Qt::LeftButton, QtModifiersFromShift(shift), QPoint(p.x, p.y));
    Pump();
}

void MouseDown(TControl* c, TPoint p, TMouseButton b, TShiftState shift) {
    QWidget* w = targetAt(c, p);
    QTest::mousePress(w, qtButton(b), QtModifiersFromShift(shift), QPoint(p.x, p.y));
    Pump();
}

void MouseUp(TControl* c, TPoint p, TMouseButton b, TShiftState shift) {
    QWidget* w = targetAt(c, p);
    QTest::mouseRelease(w, qtButton(b), QtModifiersFromShift(shift), QPoint(p.x, p.y));
    Pump();
}

void MouseMove(TControl* c, TPoint p, TShiftState) {
    QWidget* w = targetAt(c, p);
    QTest::mouseMove(w, QPoint(p.x, p.y));
    Pump();
}

void Wheel(TControl* c, TPoint p, int delta, TShiftState shift) {
    QWidget* w = targetAt(c, p);
    QPointF local(p.x, p.y);
    QWheelEvent e(local, w->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, QtModifiersFromShift(shift),
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
    Pump();
}

static QWidget* keyTarget(TWinControl* c) {
    if (c) {
        QWidget* w = c->Widget();
        if (w->focusProxy()) w = w->focusProxy();
        return w;
    }
    QWidget* f = QApplication::focusWidget();
    if (f) return f;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return QApplication::activeModalWidget();
}

void KeyText(WORD vk, TShiftState shift, const AnsiString& text, TWinControl* c) {
    QWidget* w = keyTarget(c);
    if (!w) {
        ADD_FAILURE() << "no widget to send the key to";
        return;
    }
    auto key = static_cast<Qt::Key>(VKToQtKey(vk));
    QTest::sendKeyEvent(QTest::Press, w, key, QString::fromStdString(text.str()), QtModifiersFromShift(shift));
    if (QWidget* w2 = keyTarget(c)) QTest::sendKeyEvent(QTest::Release, w2, key, QString::fromStdString(text.str()),
                                                        QtModifiersFromShift(shift));
    Pump();
}

void Key(WORD vk, TShiftState shift, TWinControl* c) {
    AnsiString text;
    if (!(shift & (ssCtrl | ssAlt))) {
        if (vk >= 'A' && vk <= 'Z') text = AnsiString(static_cast<char>((shift & ssShift) ? vk : vk + 32));
        else if (vk >= '0' && vk <= '9') text = AnsiString(static_cast<char>(vk));
        else if (vk == VK_SPACE) text = " ";
        else if (vk == VK_RETURN) text = "\r";
        else if (vk == VK_ESCAPE) text = "\x1b";
        else if (vk == VK_BACK) text = "\b";
        else if (vk == VK_TAB) text = "\t";
    } else if ((shift & ssCtrl) && vk >= 'A' && vk <= 'Z') {
        text = AnsiString(static_cast<char>(vk - 'A' + 1));
    }
    KeyText(vk, shift, text, c);
}

void Type(const AnsiString& text, TWinControl* c) {
    QString s = QString::fromStdString(text.str());
    for (char32_t cp : s.toUcs4()) {
        QString one = QString::fromUcs4(&cp, 1);
        QWidget* w = keyTarget(c);
        if (!w) return;
        Qt::Key key = Qt::Key_unknown;
        if (cp < 128 && std::isalnum(static_cast<int>(cp))) key = static_cast<Qt::Key>(QChar(cp).toUpper().unicode());
        else if (cp == ' ') key = Qt::Key_Space;
        else if (cp >= 0x0400 && cp <= 0x04FF) key = static_cast<Qt::Key>(QChar(cp).toUpper().unicode());
        else if (cp < 128) key = static_cast<Qt::Key>(cp);
        Qt::KeyboardModifiers mods = (QChar(cp).isUpper()) ? Qt::ShiftModifier : Qt::NoModifier;
        QTest::sendKeyEvent(QTest::Press, w, key, one, mods);
        if (QWidget* w2 = keyTarget(c)) QTest::sendKeyEvent(QTest::Release, w2, key, one, mods);
    }
    Pump();
}

QImage Grab(TControl* c) {
    Pump();
    QWidget* w = c->Widget();
    if (auto* f = dynamic_cast<TCustomForm*>(c)) w = f->ClientWidget();
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool SavePng(TControl* c, const AnsiString& fileName) { return Grab(c).save(QString::fromStdString(fileName.str()), "PNG"); }

TColor PixelOf(const QImage& img, int x, int y) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return CLR_INVALID;
    return FromQColor(img.pixelColor(x, y));
}

TColor Pixel(TControl* c, int x, int y) { return PixelOf(Grab(c), x, y); }

// ---- MessageBoxRecorder --------------------------------------------------------------------------

MessageBoxRecorder::MessageBoxRecorder() {
    previous_ = SetMessageBoxSink([this](const TMessageBoxRequest& r) {
        boxes_.push_back(r);
        if (OnBox) {
            int a = OnBox(r);
            if (a != 0) return a;
        }
        if (!answers_.empty()) {
            int a = answers_.front();
            answers_.pop_front();
            return a;
        }
        return r.DefaultButton;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxSink(previous_); }

// ---- ModalDriver ---------------------------------------------------------------------------------

ModalDriver::ModalDriver() {
    previous_ = SetModalHook([this](TCustomForm* f) {
        ++shown_;
        if (actions_.empty()) {
            ++unexpected_;
            f->SetModalResult(mrCancel);
            return;
        }
        auto a = std::move(actions_.front());
        actions_.pop_front();
        // The dialog is up and active before the action acts on it, as a user would see it.
        QWidget* w = f->Widget();
        (void)QTest::qWaitForWindowExposed(w, 2000);
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w, 2000);
        a(f);
    });
}

ModalDriver::~ModalDriver() { SetModalHook(previous_); }

void ModalDriver::ThenClose(TModalResult r) {
    Then([r](TCustomForm* f) { f->SetModalResult(r); });
}

// ---- DialogDriver --------------------------------------------------------------------------------

DialogDriver::DialogDriver() {
    previousPopup_ = SetPopupMenuHook([this](TPopupMenu* m, int x, int y) -> TMenuItem* {
        ++popups_;
        lastPopupPos_ = TPoint(x, y);
        if (popupChoices_.empty()) return nullptr;
        AnsiString want = popupChoices_.front();
        popupChoices_.pop_front();
        if (want.IsEmpty()) return nullptr;
        return m->Items()->Find(want);
    });
    previousDialog_ = SetCommonDialogHook([this](TCommonDialog* d) {
        ++dialogs_;
        if (dialogActions_.empty()) return false;
        auto [accept, action] = std::move(dialogActions_.front());
        dialogActions_.pop_front();
        if (accept && action) action(d);
        return accept;
    });
}

DialogDriver::~DialogDriver() {
    SetPopupMenuHook(previousPopup_);
    SetCommonDialogHook(previousDialog_);
}

}  // namespace guitest
