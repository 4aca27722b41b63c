// Message boxes, escaped exceptions, the login dialog and the standard dialogs.
#include "gui/DBLogDlg.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(MessageBox, FlagsGiveButtonsDefaultAndEscape) {
    guitest::MessageBoxRecorder boxes;
    struct Case {
        UINT flags;
        std::vector<int> buttons;
        int def;
        int esc;
    };
    const Case cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, IDNO},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDYES, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        int r = MessageBox(nullptr, "Вы действительно хотите завершить работу с программой?", "Выход", c.flags);
        EXPECT_EQ(r, c.def);  // unanswered: the default button
        const TMessageBoxRequest& b = boxes.Last();
        EXPECT_EQ(b.Buttons, c.buttons);
        EXPECT_EQ(b.DefaultButton, c.def);
        EXPECT_EQ(b.CancelButton, c.esc);
        EXPECT_EQ(b.Caption, "Выход");
    }
    boxes.Answer(IDYES);
    EXPECT_EQ(Application->MessageBox("?", "Выход", MB_YESNO | MB_DEFBUTTON2), IDYES);
}

TEST(MessageBox, MessageDlgAndShowMessage) {
    guitest::MessageBoxRecorder boxes;
    Application->SetTitle("Plantmon");
    EXPECT_EQ(MessageDlg("Удалить запись?", mtConfirmation, mbOKCancel, 0), mrOk);
    EXPECT_EQ(boxes.Last().Caption, "Подтверждение");
    EXPECT_EQ(boxes.Last().Buttons, (std::vector<int>{mrOk, mrCancel}));
    EXPECT_EQ(boxes.Last().CancelButton, mrCancel);
    boxes.Answer(mrNo);
    EXPECT_EQ(MessageDlg("Сохранить?", mtWarning, TMsgDlgButtons() << mbYes << mbNo << mbAll, 0), mrNo);
    EXPECT_EQ(boxes.Last().CancelButton, mrNo);
    ShowMessage("Готово");
    EXPECT_EQ(boxes.Last().Caption, "Plantmon");
    EXPECT_EQ(boxes.Last().kind, TMessageBoxRequest::Kind::ShowMessage);
}

TEST(MessageBox, AWorkerThreadsBoxIsShownByTheGuiThread) {
    guitest::MessageBoxRecorder boxes;
    std::thread::id shownOn;
    boxes.OnBox = [&](const TMessageBoxRequest&) {
        shownOn = std::this_thread::get_id();
        return IDNO;
    };
    int answer = 0;
    std::thread worker([&] { answer = MessageBox(nullptr, "Нет связи", "Ошибка", MB_YESNO | MB_ICONERROR); });
    ASSERT_TRUE(guitest::WaitFor([&] { return boxes.Count() == 1; }));
    worker.join();
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    EXPECT_TRUE(boxes.Last().FromWorkerThread);
}

TEST(MessageBox, TimersKeepFiringWhileARealBoxIsUp) {
    // The real box, closed by the test once the timer has ticked.
    TMessageBoxSink saved = SetMessageBoxSink(nullptr);
    auto* f = new TForm(nullptr);
    auto* t = new TTimer(f);
    t->SetInterval(5);
    int ticks = 0;
    t->OnTimer = [&](TObject*) {
        if (++ticks < 3) return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->done(0);
    };
    int answer = MessageBox(nullptr, "Нет связи с контроллером", "Ошибка", MB_OK | MB_ICONERROR);
    SetMessageBoxSink(saved);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(answer, IDOK);
    f->Free();
}

TEST(Exceptions, AnExceptionInAClickShowsABoxAndTheNextEventIsHandled) {
    guitest::MessageBoxRecorder boxes;
    Application->SetTitle("Plantmon");
    auto* f = new TForm(nullptr);
    auto* b = new TButton(f);
    b->SetParent(f);
    int clicks = 0;
    b->OnClick = [&](TObject*) {
        if (++clicks == 1) throw EConvertError("'abc' is not a valid integer value");
    };
    auto* silent = new TButton(f);
    silent->SetParent(f);
    silent->SetTop(40);
    silent->OnClick = [](TObject*) { Abort(); };
    guitest::ShowForm(f);
    guitest::Click(b);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(boxes.Last().Caption, "Plantmon");
    EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONSTOP);
    guitest::Click(b);
    EXPECT_EQ(clicks, 2);
    guitest::Click(silent);  // EAbort: no box
    EXPECT_EQ(boxes.Count(), 1);
    f->Free();
}

TEST(Exceptions, OnExceptionReplacesTheBox) {
    guitest::MessageBoxRecorder boxes;
    AnsiString seen;
    Application->OnException = [&](TObject*, Exception* e) { seen = e->Message(); };
    auto* f = new TForm(nullptr);
    auto* t = new TTimer(f);
    t->SetInterval(1);
    t->OnTimer = [&](TObject*) {
        t->SetEnabled(false);
        throw std::runtime_error("std failure");
    };
    EXPECT_TRUE(guitest::WaitFor([&] { return !seen.IsEmpty(); }));
    Application->OnException = nullptr;
    EXPECT_EQ(seen, "std failure");
    EXPECT_EQ(boxes.Count(), 0);
    f->Free();
}

// A control whose paint fails.
class TBadPaint : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override { throw EZeroDivide("деление на ноль"); }
};

TEST(Exceptions, AnExceptionInAPaintBeeps) {
    guitest::MessageBoxRecorder boxes;
    auto* f = new TForm(nullptr);
    auto* p = new TBadPaint(f);
    p->SetParent(f);
    p->SetBounds(10, 10, 50, 20);
    guitest::ShowForm(f);
    ResetBeepCount();
    p->Repaint();
    EXPECT_GE(BeepCount(), 1);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_GE(p->PaintCount(), 1);
    f->Free();
}

TEST(LoginDialog, OkTakesTheTextsAndCancelKeepsThem) {
    guitest::ModalDriver driver;
    AnsiString user = "root", pass = "52806";
    driver.Then([](TCustomForm* f) {
        auto* d = static_cast<TLoginDialog*>(f);
        EXPECT_EQ(f->Caption(), "Database Login");
        EXPECT_EQ(d->DatabaseName->Caption(), "Vestra");
        // With a user name the focus starts in the password box.
        EXPECT_EQ(f->ActiveControl(), d->Password);
        EXPECT_EQ(d->Password->PasswordChar(), '*');
        guitest::Type("operator-with-a-very-long-password-text");
        d->UserName->SetText("oper");
        guitest::Key(VK_RETURN);
    });
    ASSERT_TRUE(LoginDialog("Vestra", user, pass));
    EXPECT_EQ(user, "oper");
    // At most 31 characters are taken, typed after the selected old password.
    EXPECT_EQ(pass.Length(), 31);
    EXPECT_EQ(pass, AnsiString("operator-with-a-very-long-passw"));
    driver.Then([](TCustomForm* f) {
        auto* d = static_cast<TLoginDialog*>(f);
        d->UserName->SetText("other");
        guitest::Key(VK_ESCAPE);
    });
    EXPECT_FALSE(LoginDialog("Vestra", user, pass));
    EXPECT_EQ(user, "oper");
    // An empty user name: the focus starts there.
    AnsiString none;
    driver.Then([](TCustomForm* f) {
        auto* d = static_cast<TLoginDialog*>(f);
        EXPECT_EQ(f->ActiveControl(), d->UserName);
        f->SetModalResult(mrCancel);
    });
    EXPECT_FALSE(LoginDialog("Vestra", none, pass));
    EXPECT_EQ(driver.Unexpected(), 0);
}

// The dialogs the toolkit draws itself (print, page set-up, preview, files, the standard buttons)
// speak the program's language.
TEST(StandardDialogs, TheToolkitsOwnTextsAreRussian) {
    const struct {
        const char* context;
        const char* text;
    } cases[] = {
        {"QPrintPreviewDialog", "Print Preview"},
        {"QPrintDialog", "Print"},
        {"QPageSetupWidget", "Portrait"},
        {"QPlatformTheme", "Cancel"},
    };
    for (const auto& c : cases) {
        const QString shown = QCoreApplication::translate(c.context, c.text);
        EXPECT_NE(shown, QString(c.text)) << c.context;
        EXPECT_TRUE(shown.contains(QRegularExpression("[А-Яа-я]"))) << c.context << ": " << shown.toStdString();
    }
}

TEST(StandardDialogs, ColourAndFontDialogsReturnTheChoice) {
    guitest::DialogDriver dialogs;
    auto* f = new TForm(nullptr);
    auto* cd = new TColorDialog(f);
    cd->SetColor(clRed);
    dialogs.Accept([](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(clTeal); });
    EXPECT_TRUE(cd->Execute());
    EXPECT_EQ(cd->Color(), clTeal);
    dialogs.Cancel();
    EXPECT_FALSE(cd->Execute());
    auto* fd = new TFontDialog(f);
    dialogs.Accept([](TCommonDialog* d) { static_cast<TFontDialog*>(d)->Font()->SetName("Times New Roman"); });
    EXPECT_TRUE(fd->Execute());
    EXPECT_EQ(fd->Font()->Name(), "Times New Roman");
    EXPECT_EQ(dialogs.DialogsShown(), 3);
    f->Free();
}

}  // namespace
