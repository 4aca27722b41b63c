#include "gui/Dialogs.h"

#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace plantmon::gui;

namespace {
std::mutex g_sinkMutex;
TMessageBoxSink g_sink;
TCommonDialogHook g_dialogHook;

// The real box: a Qt message box in its own loop (timers keep firing while it is up).
int showQtBox(const TMessageBoxRequest& r) {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(r.Caption.str()));
    box.setText(QString::fromStdString(r.Text.str()));
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (r.kind == TMessageBoxRequest::Kind::MessageDlg) {
        switch (r.DlgType) {
        case mtWarning: icon = QMessageBox::Warning; break;
        case mtError: icon = QMessageBox::Critical; break;
        case mtInformation: icon = QMessageBox::Information; break;
        case mtConfirmation: icon = QMessageBox::Question; break;
        default: break;
        }
    } else {
        switch (r.Flags & MB_ICONMASK) {
        case MB_ICONERROR: icon = QMessageBox::Critical; break;
        case MB_ICONQUESTION: icon = QMessageBox::Question; break;
        case MB_ICONWARNING: icon = QMessageBox::Warning; break;
        case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
        default: break;
        }
    }
    box.setIcon(icon);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (int answer : r.Buttons) {
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        if (answer == IDCANCEL || answer == IDNO || answer == mrNoToAll) role = QMessageBox::RejectRole;
        QPushButton* b = box.addButton(QString::fromStdString(MsgDlgButtonCaption(answer).str()), role);
        buttons.emplace_back(b, answer);
        if (answer == r.DefaultButton) box.setDefaultButton(b);
        if (answer == r.CancelButton) box.setEscapeButton(b);
    }
    ModalFocusGuard focus;
    if (Application) Application->BeginModal();
    box.exec();
    if (Application) Application->EndModal();
    QAbstractButton* clicked = box.clickedButton();
    for (auto& [b, answer] : buttons)
        if (b == clicked) return answer;
    return r.CancelButton;
}

int callSink(const TMessageBoxRequest& r) {
    TMessageBoxSink sink;
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        sink = g_sink;
    }
    if (sink) return sink(r);
    return showQtBox(r);
}

bool onGuiThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

std::vector<int> buttonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}
}  // namespace

TMessageBoxSink SetMessageBoxSink(TMessageBoxSink sink) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    TMessageBoxSink old = std::move(g_sink);
    g_sink = std::move(sink);
    return old;
}

int RunMessageBox(TMessageBoxRequest request) {
    if (onGuiThread()) return callSink(request);
    // A worker thread: the GUI thread shows the box; this thread waits for the answer. When the
    // application is going down, nobody will answer: the box counts as cancelled.
    request.FromWorkerThread = true;
    struct Shared {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        int answer = 0;
    };
    auto shared = std::make_shared<Shared>();
    shared->answer = request.CancelButton;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [shared, request] {
            int a = request.CancelButton;
            try {
                a = callSink(request);
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(shared->m);
            shared->answer = a;
            shared->done = true;
            shared->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(shared->m);
    while (!shared->done) {
        shared->cv.wait_for(lock, std::chrono::milliseconds(100));
        if (!shared->done && Application && Application->Terminated()) return request.CancelButton;
    }
    return shared->answer;
}

AnsiString MsgDlgTypeCaption(TMsgDlgType t) {
    switch (t) {
    case mtWarning: return "Предупреждение";
    case mtError: return "Ошибка";
    case mtInformation: return "Информация";
    case mtConfirmation: return "Подтверждение";
    default: return Application ? Application->Title() : AnsiString();
    }
}

AnsiString MsgDlgButtonCaption(int answer) {
    switch (answer) {
    case mrOk: return "OK";
    case mrCancel: return "Отмена";
    case mrAbort: return "&Прервать";
    case mrRetry: return "&Повтор";
    case mrIgnore: return "Пр&опустить";
    case mrYes: return "&Да";
    case mrNo: return "&Нет";
    case mrAll: return "&Все";
    case mrNoToAll: return "Н&ет для всех";
    case mrYesToAll: return "Да для &всех";
    case mrClose: return "&Закрыть";
    default: return "&Справка";
    }
}

int MessageBox(HWND, const AnsiString& text, const AnsiString& caption, UINT flags) {
    TMessageBoxRequest r;
    r.kind = TMessageBoxRequest::Kind::MessageBox;
    r.Text = text;
    r.Caption = caption;
    r.Flags = flags;
    r.Buttons = buttonsOf(flags);
    std::size_t def = (flags & MB_DEFMASK) >> 8;
    r.DefaultButton = r.Buttons[def < r.Buttons.size() ? def : 0];
    // Escape gives Cancel when there is one, else the only button of an OK box, else nothing.
    r.CancelButton = 0;
    for (int b : r.Buttons)
        if (b == IDCANCEL) r.CancelButton = IDCANCEL;
    if (r.CancelButton == 0 && r.Buttons.size() == 1) r.CancelButton = r.Buttons[0];
    if (r.CancelButton == 0 && (flags & MB_TYPEMASK) == MB_YESNO) r.CancelButton = IDNO;
    return RunMessageBox(r);
}

static int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int defaultAnswer) {
    TMessageBoxRequest r;
    r.kind = TMessageBoxRequest::Kind::MessageDlg;
    r.Text = msg;
    r.Caption = MsgDlgTypeCaption(type);
    r.DlgType = type;
    static const std::pair<TMsgDlgBtn, int> order[] = {
        {mbYes, mrYes},     {mbNo, mrNo},         {mbOK, mrOk},           {mbCancel, mrCancel},
        {mbAbort, mrAbort}, {mbRetry, mrRetry},   {mbIgnore, mrIgnore},   {mbAll, mrAll},
        {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll}, {mbHelp, 0}};
    for (auto [b, answer] : order)
        if (buttons.Contains(b) && b != mbHelp) r.Buttons.push_back(answer);
    if (r.Buttons.empty()) r.Buttons.push_back(mrOk);
    // The default is OK or Yes when present, else the first button; Escape gives Cancel, No or OK.
    r.DefaultButton = r.Buttons[0];
    for (int a : r.Buttons)
        if (a == mrOk || a == mrYes) {
            r.DefaultButton = a;
            break;
        }
    if (defaultAnswer != 0)
        for (int a : r.Buttons)
            if (a == defaultAnswer) r.DefaultButton = a;
    r.CancelButton = mrCancel;
    bool hasCancel = false;
    for (int a : r.Buttons) hasCancel |= a == mrCancel;
    if (!hasCancel) {
        r.CancelButton = mrNone;
        for (int a : r.Buttons)
            if (a == mrNo || a == mrOk) r.CancelButton = a;
    }
    return RunMessageBox(r);
}

int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    return messageDlg(msg, type, buttons, 0);
}

int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int, TMsgDlgBtn defaultButton) {
    static const int answers[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll, 0};
    return messageDlg(msg, type, buttons, answers[defaultButton]);
}

void ShowMessage(const AnsiString& msg) {
    TMessageBoxRequest r;
    r.kind = TMessageBoxRequest::Kind::ShowMessage;
    r.Text = msg;
    r.Caption = Application ? Application->Title() : AnsiString();
    r.Buttons = {mrOk};
    r.DefaultButton = mrOk;
    r.CancelButton = mrOk;
    RunMessageBox(r);
}

// ---- Standard dialogs ----------------------------------------------------------------------------

TCommonDialogHook SetCommonDialogHook(TCommonDialogHook hook) {
    TCommonDialogHook old = std::move(g_dialogHook);
    g_dialogHook = std::move(hook);
    return old;
}

bool TCommonDialog::Execute() {
    OnShow(this);
    bool r = false;
    if (g_dialogHook) {
        r = g_dialogHook(this);
    } else {
        ModalFocusGuard focus;
        if (Application) Application->BeginModal();
        try {
            r = DoExecute();
        } catch (...) {
            if (Application) Application->EndModal();
            throw;
        }
        if (Application) Application->EndModal();
    }
    OnClose(this);
    return r;
}

bool TColorDialog::DoExecute() {
    QColorDialog dlg;
    dlg.setCurrentColor(ToQColor(color_));
    if (dlg.exec() != QDialog::Accepted) return false;
    color_ = FromQColor(dlg.currentColor());
    return true;
}

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::DoExecute() {
    QFontDialog dlg;
    dlg.setCurrentFont(ToQFont(*font_));
    if (dlg.exec() != QDialog::Accepted) return false;
    QFont f = dlg.currentFont();
    font_->SetName(AnsiString(f.family().toStdString()));
    if (f.pixelSize() > 0) font_->SetHeight(-f.pixelSize());
    else font_->SetSize(static_cast<int>(f.pointSizeF() + 0.5));
    TFontStyles st;
    if (f.bold()) st.Include(fsBold);
    if (f.italic()) st.Include(fsItalic);
    if (f.underline()) st.Include(fsUnderline);
    if (f.strikeOut()) st.Include(fsStrikeOut);
    font_->SetStyle(st);
    return true;
}
