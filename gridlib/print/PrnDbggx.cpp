#include "gridlib/print/PrnDbggx.h"

#include "rtl/FileUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>

void TPageParams::Assign(TPersistent* source) {
    if (auto* p = dynamic_cast<TPageParams*>(source)) {
        TopMargin = p->TopMargin;
        BottomMargin = p->BottomMargin;
        LeftMargin = p->LeftMargin;
        RightMargin = p->RightMargin;
        return;
    }
    TPersistent::Assign(source);
}

TRichEditStrings::TRichEditStrings() : doc_(std::make_unique<TRichTextDocument>()) {}

TRichEditStrings::~TRichEditStrings() = default;

int TRichEditStrings::Count() const {
    const int n = doc_->LineCount();
    return n > 0 && doc_->LineLength(n - 1) == 0 ? n - 1 : n;
}

AnsiString TRichEditStrings::Get(int index) const { return doc_->Line(index); }

void TRichEditStrings::Put(int index, const AnsiString& s) {
    if (index < 0) return;
    const int start = doc_->LineStart(index);
    if (start < 0) return;
    doc_->SetSelection(start, start + doc_->LineLength(index));
    doc_->ReplaceSelection(s);
}

namespace {
// Characters the document counts for text: a line break of any kind is one.
int documentLength(const AnsiString& text) {
    int n = 0;
    const std::string& s = text.str();
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        if ((c & 0xC0) != 0x80) n += c >= 0xF0 ? 2 : 1;  // UTF-16 units, as the document counts
    }
    return n;
}
}  // namespace

void TRichEditStrings::Insert(int index, const AnsiString& s) {
    if (index < 0) return;
    int at = doc_->LineStart(index);
    AnsiString text;
    if (at >= 0) {
        text = s + "\r\n";
    } else {
        const int before = doc_->LineStart(index - 1);
        if (before < 0 || doc_->LineLength(index - 1) == 0) return;
        at = before + doc_->LineLength(index - 1);
        text = "\r\n" + s;
    }
    doc_->SetSelection(at, at);
    doc_->ReplaceSelection(text);
    if (doc_->SelEnd() != at + documentLength(text)) throw EOutOfResources("RichEdit line insertion error");
}

void TRichEditStrings::Delete(int index) {
    if (index < 0) return;
    const int start = doc_->LineStart(index);
    if (start < 0) return;
    const int next = doc_->LineStart(index + 1);
    doc_->SetSelection(start, next >= 0 ? next : start + doc_->LineLength(index));
    doc_->ReplaceSelection(AnsiString());
}

void TRichEditStrings::Clear() { doc_->Clear(); }

void TRichEditStrings::SetUpdateState(bool) {
    // The document has no window to redraw.
}

void TRichEditStrings::SetTextStr(const AnsiString& text) { doc_->SetText(text); }

void TRichEditStrings::AddStrings(const TStrings* other) { TStrings::AddStrings(other); }

namespace {

AnsiString readAll(TStream* stream) {
    std::string bytes;
    char buf[4096];
    long long n;
    while ((n = stream->Read(buf, sizeof buf)) > 0) bytes.append(buf, static_cast<std::size_t>(n));
    return AnsiString(bytes);
}

// A plain-text stream: UTF-8, or Windows-1251 when it is not valid UTF-8; line breaks of any kind.
bool loadPlain(TRichTextDocument& doc, const AnsiString& bytes) {
    std::string s = bytes.str();
    if (!IsValidUtf8(s)) s = Cp1251ToUtf8(s);
    doc.SetText(AnsiString(s));
    return true;
}

}  // namespace

void TRichEditStrings::LoadFromStream(TStream* stream) {
    const long long start = stream->Position();
    bool loaded = false;
    try {
        const AnsiString bytes = readAll(stream);
        loaded = PlainText ? loadPlain(*doc_, bytes) : doc_->LoadRtf(bytes);
        if (!loaded) {
            // The other format, from where the load began.
            stream->SetPosition(start);
            const AnsiString again = readAll(stream);
            loaded = PlainText ? doc_->LoadRtf(again) : loadPlain(*doc_, again);
        }
    } catch (const EOutOfResources&) {
        throw;
    } catch (const Exception&) {
        loaded = false;
    }
    if (!loaded) throw EOutOfResources("Failed to Load Stream");
}

void TRichEditStrings::SaveToStream(TStream* stream) const {
    const AnsiString data = PlainText ? doc_->Text() : doc_->SaveRtf();
    try {
        stream->WriteBuffer(data.data(), static_cast<long long>(data.size()));
    } catch (const Exception&) {
        throw EOutOfResources("Failed to Save Stream");
    }
}

void TRichEditStrings::LoadFromFile(const AnsiString& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(&f);
}

void TRichEditStrings::SaveToFile(const AnsiString& fileName) const {
    TFileStream f(fileName, fmCreate);
    SaveToStream(&f);
}

int GridTextReplace(TRichEditStrings* strings, const AnsiString& findText, const AnsiString& replaceText, int start,
                    int length, int options, bool replaceAll) {
    if (!strings || findText.IsEmpty()) return 0;
    TRichTextDocument& doc = strings->Document();
    const bool matchCase = (options & gstMatchCaseGx) != 0;
    int from = std::max(0, start);
    // The end of the searched range moves with the text the replacements change.
    int end = length < 0 ? -1 : from + length;
    int count = 0;
    for (;;) {
        const int at = doc.Find(findText, from, end, matchCase);
        if (at < 0) break;
        const int before = doc.Length();
        doc.SetSelection(at, at + documentLength(findText));
        doc.ReplaceSelection(replaceText);
        ++count;
        // Go on after the inserted text: a replacement holding its own search text is not
        // searched again.
        from = doc.SelEnd();
        if (end >= 0) end += doc.Length() - before;
        if (!replaceAll) break;
    }
    return count;
}
