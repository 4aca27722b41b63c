// Incremental search: what the user types into the grid moves the dataset to the first record whose
// text in the current column begins with it, in any case; window timer 2 ends the search after its
// time-out.
#include "gridlib/grid/DBGridGx.h"

#include "gridlib/editors/GridLibPlatform.h"
#include "gui/WinApi.h"

namespace {

// The first count characters (code points) of a UTF-8 text.
std::string prefixChars(const std::string& s, std::size_t count) {
    std::size_t i = 0;
    while (i < s.size() && count > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        --count;
    }
    return s.substr(0, i);
}

std::size_t charCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

bool TCustomDBGridGx::InplaceEditorVisible() { return InplaceEditor() && InplaceEditor()->Visible(); }

void TCustomDBGridGx::StartInplaceSearch(const AnsiString& ss, int timeOut, TInpsDirectionGx direction) {
    if (!dataLink_->Active()) return;
    TDataSet* ds = dataLink_->DataSet();
    std::string candidate = inplaceSearchText_.str() + ss.str();
    const AnsiString oldText = inplaceSearchText_;
    bool found = false;
    const int dataCol = SelectedIndex();
    TColumnGx* column = dataCol >= 0 && dataCol < columns_->Count() ? columns_->Items(dataCol) : nullptr;
    const std::size_t length = charCount(candidate);
    const AnsiString wanted = NlsUpperCase(AnsiString(candidate));
    // The current record's text cut to the candidate's length, when it matches.
    auto match = [&](std::string& own) {
        own = prefixChars(column ? column->DisplayText().str() : std::string(), length);
        return NlsUpperCase(AnsiString(own)) == wanted;
    };
    if (!candidate.empty()) {
        std::string own;
        if (!match(own) || direction != inpsFromFirstGx) {
            ds->DisableControls();
            auto enable = [&] {
                // The record change this causes is the search's own.
                inplaceSearchingInProcess_ = true;
                try {
                    ds->EnableControls();
                } catch (...) {
                    inplaceSearchingInProcess_ = false;
                    throw;
                }
                inplaceSearchingInProcess_ = false;
            };
            try {
                SaveBookmark();
                if (direction == inpsFromFirstGx) ds->First();
                else if (direction == inpsToPriorGx) ds->Prior();
                else ds->Next();
                const bool back = direction == inpsToPriorGx;
                while (!(back ? ds->Bof() : ds->Eof())) {
                    if (match(own)) {
                        candidate = own;
                        found = true;
                        break;
                    }
                    if (back) ds->Prior();
                    else ds->Next();
                }
                if (!found) RestoreBookmark();
            } catch (...) {
                enable();
                throw;
            }
            enable();
        } else {
            candidate = own;
            found = true;
        }
    }
    HideEditor();
    inplaceSearching_ = true;
    // A character that leads nowhere is dropped.
    inplaceSearchText_ = found ? AnsiString(candidate) : oldText;
    InvalidateRow(Row());
    inplaceSearchTimeOut_ = timeOut;
    StartInplaceSearchTimer();
}

void TCustomDBGridGx::StopInplaceSearch() {
    StopInplaceSearchTimer();
    inplaceSearching_ = false;
    inplaceSearchText_ = AnsiString();
    InvalidateRow(Row());
    if ((options_ & dgAlwaysShowEditor) && CanEditorMode()) ShowEditor();
}

void TCustomDBGridGx::StartInplaceSearchTimer() {
    StopInplaceSearchTimer();
    if (inplaceSearchTimeOut_ < 0) return;
    SetTimer(Handle(), InplaceSearchTimerId, static_cast<UINT>(inplaceSearchTimeOut_));
    inplaceSearchTimerActive_ = true;
}

void TCustomDBGridGx::StopInplaceSearchTimer() {
    if (!inplaceSearchTimerActive_) return;
    KillTimer(Handle(), InplaceSearchTimerId);
    inplaceSearchTimerActive_ = false;
}
