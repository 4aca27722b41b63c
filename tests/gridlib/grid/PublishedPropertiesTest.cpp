// Published properties of the grid and the editors as the property storage reaches them: each one
// written by its path from one form and read back into another, and an edit mask that a form keeps
// only when the editor was given one.
#include "GridTestSupport.h"

#include "gridlib/editors/DBCtrlsGxDateTime.h"
#include "gridlib/editors/DBCtrlsGxNumber.h"
#include "gridlib/editors/PropFilerGx.h"
#include "gui/ImgList.h"
#include "gui/StdCtrls.h"

#include <functional>
#include <string>

namespace {

// A form with a grid and an external scroll bar, the four editors, a data source and an image list.
struct StoredForm {
    TForm* form;
    TDBGridGx* grid;
    TScrollBar* bar;
    TDataSource* source;
    TImageList* images;
    TDBEditGx* edit;
    TDBComboBoxGx* combo;
    TDBDateTimeEditGx* date;
    TDBNumberEditGx* number;

    explicit StoredForm(const char* name) {
        guitest::EnsureApp();
        form = NewForm<TForm>(nullptr);
        form->SetName(name);
        grid = place(new TDBGridGx(form), "Grid1");
        bar = place(new TScrollBar(form), "Bar1");
        source = new TDataSource(form);
        source->SetName("Source1");
        images = new TImageList(form);
        images->SetName("Images1");
        edit = place(new TDBEditGx(form), "Edit1");
        combo = place(new TDBComboBoxGx(form), "Combo1");
        date = place(new TDBDateTimeEditGx(form), "Date1");
        number = place(new TDBNumberEditGx(form), "Number1");
    }
    ~StoredForm() { form->Free(); }
    template <class C>
    C* place(C* control, const char* name) {
        control->SetName(name);
        control->SetParent(form);
        return control;
    }
};

AnsiString nameOf(TComponent* c) { return c ? c->Name() : AnsiString("(none)"); }
AnsiString text(bool b) { return b ? "True" : "False"; }
AnsiString text(int i) { return IntToStr(i); }

TEST(PublishedProperties, EachReachedByItsPathThroughThePropertyStorage) {
    using F = StoredForm;
    struct Case {
        const char* path;
        std::function<void(F&)> set;
        std::function<AnsiString(F&)> get;
    } cases[] = {
        {"Grid1.<P>.Color", [](F& f) { f.grid->SetColor(clYellow); }, [](F& f) { return text(f.grid->Color()); }},
        {"Grid1.<P>.FixedColor", [](F& f) { f.grid->SetFixedColor(clGray); },
         [](F& f) { return text(f.grid->FixedColor()); }},
        {"Grid1.<P>.DefaultDrawing", [](F& f) { f.grid->SetDefaultDrawing(false); },
         [](F& f) { return text(f.grid->DefaultDrawing()); }},
        {"Grid1.<P>.BorderStyle", [](F& f) { f.grid->SetBorderStyle(bsNone); },
         [](F& f) { return text(static_cast<int>(f.grid->BorderStyle())); }},
        {"Grid1.<P>.HorzScrollBar.ExtScrollBar", [](F& f) { f.grid->HorzScrollBar()->SetExtScrollBar(f.bar); },
         [](F& f) { return nameOf(f.grid->HorzScrollBar()->ExtScrollBar()); }},
        {"Grid1.<P>.HorzScrollBar.Tracking", [](F& f) { f.grid->HorzScrollBar()->SetTracking(true); },
         [](F& f) { return text(f.grid->HorzScrollBar()->Tracking()); }},
        {"Grid1.<P>.HorzScrollBar.Visible", [](F& f) { f.grid->HorzScrollBar()->SetVisible(false); },
         [](F& f) { return text(f.grid->HorzScrollBar()->Visible()); }},
        {"Grid1.<P>.VertScrollBar.VisibleMode", [](F& f) { f.grid->VertScrollBar()->SetVisibleMode(sbAlwaysShowGx); },
         [](F& f) { return text(static_cast<int>(f.grid->VertScrollBar()->VisibleMode())); }},
        {"Grid1.<P>.VertScrollBar.Tracking", [](F& f) { f.grid->VertScrollBar()->SetTracking(true); },
         [](F& f) { return text(f.grid->VertScrollBar()->Tracking()); }},
        {"Grid1.<P>.SumList.VirtualRecords", [](F& f) { f.grid->SumList()->SetVirtualRecords(true); },
         [](F& f) { return text(f.grid->SumList()->VirtualRecords()); }},
        {"Combo1.<P>.DataSource", [](F& f) { f.combo->SetDataSource(f.source); },
         [](F& f) { return nameOf(f.combo->GetDataSource()); }},
        {"Combo1.<P>.DataField", [](F& f) { f.combo->SetDataField("Name"); }, [](F& f) { return f.combo->GetDataField(); }},
        {"Combo1.<P>.DropDownBox.Rows", [](F& f) { f.combo->DropDownBox()->SetRows(12); },
         [](F& f) { return text(f.combo->DropDownBox()->Rows()); }},
        {"Combo1.<P>.Items", [](F& f) { f.combo->Items()->SetCommaText("Уголь,Порода"); },
         [](F& f) { return f.combo->Items()->CommaText(); }},
        {"Combo1.<P>.KeyItems", [](F& f) { f.combo->KeyItems()->SetCommaText("1,2"); },
         [](F& f) { return f.combo->KeyItems()->CommaText(); }},
        {"Combo1.<P>.EditButton.Width", [](F& f) { f.combo->EditButton()->SetWidth(21); },
         [](F& f) { return text(f.combo->EditButton()->Width()); }},
        {"Date1.<P>.DataSource", [](F& f) { f.date->SetDataSource(f.source); },
         [](F& f) { return nameOf(f.date->GetDataSource()); }},
        {"Date1.<P>.DataField", [](F& f) { f.date->SetDataField("Day"); }, [](F& f) { return f.date->GetDataField(); }},
        {"Number1.<P>.DataSource", [](F& f) { f.number->SetDataSource(f.source); },
         [](F& f) { return nameOf(f.number->GetDataSource()); }},
        {"Number1.<P>.DataField", [](F& f) { f.number->SetDataField("Amount"); },
         [](F& f) { return f.number->GetDataField(); }},
        {"Edit1.<P>.Images", [](F& f) { f.edit->SetImages(f.images); }, [](F& f) { return nameOf(f.edit->GetImages()); }},
        {"Edit1.<P>.EditMask", [](F& f) { f.edit->SetEditMask("000;1;_"); }, [](F& f) { return f.edit->EditMask(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        StoredForm from("FormA");
        StoredForm to("FormB");
        c.set(from);
        ASSERT_NE(c.get(from), c.get(to)) << "the value differs from the default";
        TStringList paths;
        paths.Add(c.path);
        TMemoryStream stream;
        TPropWriterGx writer(&stream);
        ASSERT_NO_THROW(writer.WriteOwnerProperties(from.form, &paths));
        stream.SetPosition(0);
        TPropReaderGx reader(&stream);
        reader.ReadOwnerProperties(to.form);
        EXPECT_EQ(c.get(to), c.get(from));
    }
}

TEST(PublishedProperties, AnEditMaskIsKeptOnlyWhenGiven) {
    StoredForm f("FormA");
    auto written = [&](TComponent* c) {
        TMemoryStream stream;
        stream.WriteComponent(c);
        const std::string bytes(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
        return bytes.find("EditMask") != std::string::npos;
    };
    EXPECT_FALSE(written(f.edit)) << "an editor that follows its field keeps no mask";
    EXPECT_FALSE(written(f.combo));
    f.edit->SetEditMask("000;1;_");
    EXPECT_TRUE(written(f.edit));

    TMemoryStream stream;
    stream.WriteComponent(f.edit);
    stream.SetPosition(0);
    StoredForm g("FormB");
    stream.ReadComponent(g.edit);
    EXPECT_TRUE(g.edit->IsEditMaskAssigned());
    EXPECT_EQ(g.edit->EditMask(), "000;1;_");
}

}  // namespace
