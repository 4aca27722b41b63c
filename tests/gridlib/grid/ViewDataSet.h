// A client dataset that offers the grid its whole record view (view row i is record i + 1) and,
// when tree is set, shows it as a tree whose node levels a list gives. Another row is read in place
// through a link of its own whose window holds every record, so the fields, RecNo and Bookmark answer
// for that row while the user's current record stays; reads nest.
#pragma once

#include "gridlib/editors/ToolCtrlsGx.h"

#include "data/DBClient.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace gridtest {

class ViewDataSet : public TClientDataSet, public IMemTableGx {
public:
    ViewDataSet() : TClientDataSet(nullptr) {
        source_.SetDataSet(this);
        link_.SetDataSource(&source_);
    }

    // The tree: row i has node level levels[i] (1 at the top; rows past the list are level 1), is
    // collapsed when listed in collapsed, and has children when the row after it lies deeper.
    bool tree = false;
    std::vector<int> levels;
    std::vector<int> collapsed;
    // Expansions asked for (view row, expanded), and the record number each answers.
    std::vector<std::pair<int, bool>> toggles;
    int toggleAnswer = 0;
    std::vector<int> gotos;

    int FetchRecords(int) override { return 0; }
    int GetViewRowIndex() override {
        if (!Active() || IsEmpty()) return -1;
        return reads_.empty() ? RecNo() - 1 : cursorRow_;
    }
    bool GetTreeNodeExpanded() override { return !isCollapsed(row()); }
    bool GetTreeNodeHasChildren() override { return levelAt(row() + 1) > levelAt(row()) && row() + 1 < RecordCount(); }
    int GetTreeNodeLevel() override { return levelAt(row()); }
    int GetTreeNodeLevelLimit() override { return levelAt(row()); }
    // The separator under a row lies at the level of the row after it (none after the last).
    int GetTreeLineLevel() override { return row() + 1 < RecordCount() ? levelAt(row() + 1) : -1; }
    int GetCurrentRecordNumber() override { return RecNo(); }
    int BookmarkToViewRow(const TBookmarkStr& bookmark) override {
        for (int r = 0; r < RecordCount(); ++r) {
            InstantReadEnter(r);
            const bool found = TBookmarkStr(Bookmark()) == bookmark;
            InstantReadLeave();
            if (found) return r;
        }
        return -1;
    }
    int GetViewRecordCount() override { return Active() ? RecordCount() : 0; }
    bool GetTreeViewActive() override { return tree; }
    // The ancestor at level has a following sibling: the first later row not deeper than it is
    // on that very level.
    bool GetTreeNodeHasNextSibling(int level) override {
        for (int r = row() + 1; r < RecordCount(); ++r)
            if (levelAt(r) <= level) return levelAt(r) == level;
        return false;
    }
    void GotoRecordNumber(int number) override {
        gotos.push_back(number);
        SetRecNo(number);
    }
    int SetTreeNodeExpanded(int viewRow, bool expanded) override {
        toggles.emplace_back(viewRow, expanded);
        std::erase(collapsed, viewRow);
        if (!expanded) collapsed.push_back(viewRow);
        return toggleAnswer;
    }
    int MoveViewRecords(TStrings*, int, int, bool) override { return 0; }
    void InstantReadEnter(int viewRow) override {
        if (reads_.empty()) {
            cursorRow_ = RecNo() - 1;
            link_.SetBufferCount(std::max(1, RecordCount()));
            top_ = cursorRow_ - link_.ActiveRecord();  // the view row of the window's first row
        }
        if (viewRow < top_ || viewRow >= top_ + link_.RecordCount()) throw std::logic_error("row outside the window");
        reads_.push_back({viewRow, link_.ActiveRecord()});
        link_.SetActiveRecord(viewRow - top_);
    }
    void InstantReadLeave() override {
        if (reads_.empty()) throw std::logic_error("a read left twice");
        link_.SetActiveRecord(reads_.back().second);
        reads_.pop_back();
    }
    // Reads begun and not yet ended.
    int OpenReads() const { return static_cast<int>(reads_.size()); }

private:
    int row() { return reads_.empty() ? RecNo() - 1 : reads_.back().first; }
    int levelAt(int r) const { return r >= 0 && r < static_cast<int>(levels.size()) ? levels[r] : 1; }
    bool isCollapsed(int r) const { return std::find(collapsed.begin(), collapsed.end(), r) != collapsed.end(); }

    TDataSource source_{nullptr};
    TDataLink link_;
    std::vector<std::pair<int, int>> reads_;  // (view row, the link's row before)
    int cursorRow_ = -1;
    int top_ = 0;
};

}  // namespace gridtest
