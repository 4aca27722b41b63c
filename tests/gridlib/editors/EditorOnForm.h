// An editor on a shown form, with a plain edit below it to take the focus away.
#pragma once

#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace editortest {

template <class Editor>
struct EditorOnForm : ::testing::Test {
    TForm* form = nullptr;
    Editor* edit = nullptr;
    TEdit* other = nullptr;

    // The form's height and where the other edit stands; the editor's width.
    EditorOnForm(int formHeight, int otherTop, int editWidth)
        : formHeight_(formHeight), otherTop_(otherTop), editWidth_(editWidth) {}

    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(320, formHeight_);
        edit = new Editor(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, editWidth_, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, otherTop_, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }

private:
    int formHeight_, otherTop_, editWidth_;
};

}  // namespace editortest
