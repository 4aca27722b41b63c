// The multi-level title tree: captions split at "|" into levels, neighbouring columns with the same
// first word gathered under a group node, and every node's height measured for the title row.
#include "gridlib/grid/DBGridGx.h"

#include <algorithm>

AnsiString CaptionWord(const AnsiString& caption, int n, int& position) {
    // In UTF-8 a "|" byte is always the character itself, never part of another one.
    const std::string& s = caption.str();
    int word = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == '|') ++i;
        if (i >= s.size()) break;
        std::size_t end = i;
        while (end < s.size() && s[end] != '|') ++end;
        if (++word == n) {
            position = static_cast<int>(i) + 1;
            return AnsiString(s.substr(i, end - i));
        }
        i = end;
    }
    position = 0;
    return AnsiString();
}

// ==== THeadTreeNode =====================================================================================

THeadTreeNode::THeadTreeNode() { NextSibling = this; }

THeadTreeNode::THeadTreeNode(const AnsiString& text, int height, int width) : THeadTreeNode() {
    NodeText = text;
    CellHeight = height;
    CellWidth = width;
}

THeadTreeNode::~THeadTreeNode() {
    if (!ParentNode) FreeAllChild();
}

void THeadTreeNode::checkInTree(THeadTreeNode* node) {
    if (!node || !Find(node)) throw Exception("Node not in Tree");
}

bool THeadTreeNode::Find(THeadTreeNode* node) {
    THeadTreeNode* n = this;
    do {
        if (n == node) return true;
        if (n->FirstChild && n->FirstChild->Find(node)) return true;
        n = n->NextSibling;
    } while (n && n != this);
    return false;
}

int THeadTreeNode::GetLevel() const {
    int level = 0;
    for (const THeadTreeNode* p = ParentNode; p; p = p->ParentNode) ++level;
    return level;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* after, const AnsiString& text, int height, int width) {
    checkInTree(after);
    auto* node = new THeadTreeNode(text, height, width);
    node->ParentNode = after->ParentNode;
    node->NextSibling = after->NextSibling;
    after->NextSibling = node;
    return node;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* parent, const AnsiString& text, int height, int width) {
    checkInTree(parent);
    auto* node = new THeadTreeNode(text, height, width);
    node->ParentNode = parent;
    if (!parent->FirstChild) {
        parent->FirstChild = node;
        node->NextSibling = node;
    } else {
        THeadTreeNode* last = parent->FirstChild;
        while (last->NextSibling != parent->FirstChild) last = last->NextSibling;
        last->NextSibling = node;
        node->NextSibling = parent->FirstChild;
    }
    return node;
}

void THeadTreeNode::FreeAllChild() {
    THeadTreeNode* first = FirstChild;
    if (!first) return;
    FirstChild = nullptr;
    THeadTreeNode* n = first;
    do {
        THeadTreeNode* next = n->NextSibling;
        n->FreeAllChild();
        delete n;
        n = next;
    } while (n != first);
}

void THeadTreeNode::Union(THeadTreeNode* from, THeadTreeNode* to, const AnsiString& text, int height) {
    checkInTree(from);
    THeadTreeNode* parent = from->ParentNode;
    THeadTreeNode* first = parent ? parent->FirstChild : from;
    if (from != to) {
        bool reached = false;
        for (THeadTreeNode* n = from->NextSibling; n != first && n != from; n = n->NextSibling)
            if (n == to) {
                reached = true;
                break;
            }
        if (!reached) throw Exception("ATo not in level");
    }
    THeadTreeNode* group = Add(to, text, height, 0);
    group->LineWidth = to->LineWidth;
    // The ring predecessor of from now leads to the group.
    THeadTreeNode* pred = from;
    while (pred->NextSibling != from) pred = pred->NextSibling;
    pred->NextSibling = group;
    group->FirstChild = from;
    if (parent && parent->FirstChild == from) parent->FirstChild = group;
    int width = 0;
    for (THeadTreeNode* n = from;; n = n->NextSibling) {
        width += n->CellWidth + group->LineWidth;
        n->CellHeight -= height;
        n->ParentNode = group;
        if (n == to) break;
    }
    if (group->LineWidth > 0) width -= group->LineWidth;
    to->NextSibling = from;
    group->CellWidth = width;
}

void THeadTreeNode::DoForAllNode(THeadTreeProc proc) {
    THeadTreeNode* first = FirstChild;
    if (!first) return;
    THeadTreeNode* n = first;
    do {
        proc(n);
        n->DoForAllNode(proc);
        n = n->NextSibling;
    } while (n != first);
}

void THeadTreeNode::CreateFieldTree(TCustomDBGridGx* grid) {
    FreeAllChild();
    TDBGridColumnsGx* cols = grid->Columns();
    std::vector<TLeafCol>& leaves = grid->LeafFieldArr();
    leaves.resize(static_cast<std::size_t>(cols->Count()));
    const bool colLines = (grid->Options() & dgColLines) != 0;
    for (int i = 0; i < cols->Count(); ++i) {
        TColumnGx* c = cols->Items(i);
        const int width = c->Visible() ? c->Width() : (colLines ? -1 : 0);
        THeadTreeNode* leaf = AddChild(this, c->Title()->Caption(), grid->TitleRowHeight(), width);
        leaf->LeafColumn = c;
        leaf->MarkerIndent = c->Title()->SortMarker() != smNoneGx ? 16 : 0;
        leaf->LineWidth = colLines ? 1 : 0;
        leaves[static_cast<std::size_t>(i)] = TLeafCol{leaf, c};
    }
    const int n = cols->Count();
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 0; i < n; ++i) {
            THeadTreeNode* firstLeaf = leaves[static_cast<std::size_t>(i)].FLeaf;
            int pos = 0;
            CaptionWord(firstLeaf->NodeText, 2, pos);
            if (pos == 0) continue;
            int firstPos = 0;
            const AnsiString word = CaptionWord(firstLeaf->NodeText, 1, firstPos);
            // A run extends only over leaves under the first member's parent: a leaf already
            // grouped elsewhere keeps its caption whole.
            int j = i;
            auto cut = [pos](THeadTreeNode* node) { node->NodeText = node->NodeText.SubString(pos, node->NodeText.Length()); };
            while (j < n - 1) {
                THeadTreeNode* next = leaves[static_cast<std::size_t>(j + 1)].FLeaf;
                int p = 0;
                if (next->ParentNode != firstLeaf->ParentNode || CaptionWord(next->NodeText, 1, p) != word) break;
                cut(leaves[static_cast<std::size_t>(j)].FLeaf);
                ++j;
            }
            THeadTreeNode* lastLeaf = leaves[static_cast<std::size_t>(j)].FLeaf;
            cut(lastLeaf);
            changed = true;
            // Each member climbs to its topmost node under the common parent.
            THeadTreeNode* from = firstLeaf;
            THeadTreeNode* to = lastLeaf;
            if (from->GetLevel() == to->GetLevel()) {
                Union(from, to, word, 20);
                break;
            }
        }
    }
}

// ==== Measuring ========================================================================================

int TCustomDBGridGx::SetChildTreeHeight(THeadTreeNode* node) {
    if (!node->FirstChild) return 0;
    TCanvas* canvas = Canvas();
    int a = 0;
    std::vector<std::pair<THeadTreeNode*, int>> own;
    THeadTreeNode* first = node->FirstChild;
    THeadTreeNode* c = first;
    do {
        const int s = c->FirstChild ? SetChildTreeHeight(c) : 0;
        TFont saved;
        saved.Assign(canvas->Font());
        canvas->Font()->Assign(c->LeafColumn ? c->LeafColumn->Title()->Font() : TitleFont());
        const AnsiString text = c->NodeText.IsEmpty() ? AnsiString(" ") : c->NodeText;
        int h = 0;
        if (c->LeafColumn && c->LeafColumn->Title()->Orientation() == tohVertical) {
            // A vertical caption is as tall as its text is long.
            h = c->CellWidth <= 0 ? 0 : canvas->TextWidth(text) + 6;
        } else if (c->CellWidth > 0) {
            TRect box(0, 0, std::max(1, c->CellWidth - c->MarkerIndent - 4), 0);
            h = DrawTextGx(canvas->Handle(), text, -1, box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX) + vTitleMargin_;
        } else {
            h = vTitleMargin_;
        }
        canvas->Font()->Assign(&saved);
        own.emplace_back(c, s);
        a = std::max(a, s + std::max(h, 0));
        c = c->NextSibling;
    } while (c != first);
    for (auto& [child, s] : own) child->CellHeight = child->FirstChild ? a - s : a;
    node->CellHeight = a;
    return a;
}
