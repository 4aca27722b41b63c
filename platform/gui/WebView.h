// A view of a local HTML page (the reports are written as HTML files and shown here).
#pragma once

#include "gui/Controls.h"

class QTextBrowser;

class TWebView : public TWinControl {
    PLANTMON_CLASS(TWebView, TWinControl)
public:
    explicit TWebView(TComponent* owner);
    ~TWebView() override;
    // Shows the file (a path; "file:" URLs are accepted). The page is read afresh every time, with
    // its pictures, so a page or picture rewritten under the same name shows its new content.
    // False when the file cannot be read (the view is then empty).
    bool Navigate(const AnsiString& fileName);
    // Shows HTML text; relative pictures are looked up beside baseFile.
    void LoadHtml(const AnsiString& html, const AnsiString& baseFile = AnsiString());
    AnsiString LocationURL() const { return location_; }
    // The page as plain text (what a reader sees).
    AnsiString PlainText() const;
    bool Busy() const { return false; }

    TNotifyEvent OnDocumentComplete;

    // Platform side: the browser widget (printing draws its document).
    QTextBrowser* Browser() const { return browser_; }

protected:
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

private:
    QTextBrowser* browser_ = nullptr;
    class QTextDocument* document_ = nullptr;
    AnsiString location_;
};
