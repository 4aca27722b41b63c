// The main() of GUI test binaries: an off-screen QApplication, and a guard against boxes and
// modal dialogs no test asked for (answered at once and reported as failures, never left hanging).
#include "testlib/gui/GuiHarness.h"

#include <QApplication>

#include <gtest/gtest.h>

// ThreadSanitizer reads these when a GUI test binary runs under it. Qt's own worker threads (the raster
// engine splits large fills across a thread pool when a form is shown) synchronise through futex-based
// mutexes that the sanitizer cannot see, so it reports their shared buffers as races. Only reports whose
// stacks run through the Qt libraries are dropped; the program's own code reaches Qt only through the
// platform layer, and never from a link thread.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Application->Initialize();
    ::testing::InitGoogleTest(&argc, argv);
    SetMessageBoxSink([](const TMessageBoxRequest& r) {
        ADD_FAILURE() << "unexpected message box: \"" << r.Text << "\" (" << r.Caption << ")";
        return r.DefaultButton;
    });
    SetModalHook([](TCustomForm* f) {
        ADD_FAILURE() << "unexpected modal form " << f->Name();
        f->SetModalResult(mrCancel);
    });
    SetCommonDialogHook([](TCommonDialog* d) {
        ADD_FAILURE() << "unexpected dialog " << d->ClassName();
        return false;
    });
    SetPopupMenuHook([](TPopupMenu* m, int, int) -> TMenuItem* {
        ADD_FAILURE() << "unexpected popup menu " << m->Name();
        return nullptr;
    });
    return RUN_ALL_TESTS();
}
