#include "gui/WebView.h"

#include "gui/QtControlsInternal.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

using namespace plantmon::gui;

TWebView::TWebView(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QTextBrowser>(this);
    browser_ = w;
    AttachHost(w);
    w->setOpenLinks(false);
    w->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    SetBounds(0, 0, 300, 150);
}

TWebView::~TWebView() { Destroying_(); }

void TWebView::LoadHtml(const AnsiString& html, const AnsiString& baseFile) {
    // A fresh document each time: nothing of the last page (its pictures) is kept.
    QTextDocument* previous = document_;
    auto* doc = new QTextDocument(browser_);
    if (!baseFile.IsEmpty()) doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(baseFile.str())).absoluteFilePath()));
    browser_->setDocument(doc);
    delete previous;
    document_ = doc;
    doc->setHtml(QString::fromStdString(html.str()));
    OnDocumentComplete(this);
}

bool TWebView::Navigate(const AnsiString& fileName) {
    QString path = QString::fromStdString(fileName.str());
    if (path.startsWith("file:", Qt::CaseInsensitive)) path = QUrl(path).toLocalFile();
    location_ = AnsiString(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString().toStdString());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        LoadHtml(AnsiString(), AnsiString());
        return false;
    }
    QByteArray bytes = f.readAll();
    // The pages are UTF-8; an old page in Windows-1251 is converted.
    std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!IsValidUtf8(text)) text = Cp1251ToUtf8(text);
    LoadHtml(AnsiString(text), AnsiString(path.toStdString()));
    return true;
}

AnsiString TWebView::PlainText() const { return AnsiString(browser_->document()->toPlainText().toStdString()); }
