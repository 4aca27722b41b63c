// Property storage: a small tree of components written by paths and read back into another tree,
// collection items by path with an interceptor of their own, a maximized form's normal bounds, the
// bounds scaled for another screen, names that no longer exist, the writer's refusals and the
// interceptor registry.
#include "gridlib/editors/PropFilerGx.h"

#include "gui/ExtCtrls.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

enum TShadeT { shLight, shMedium, shDark };

class TTestColumn : public TCollectionItem {
    PLANTMON_CLASS(TTestColumn, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& c) { caption_ = c; }
    // What a width read through the test interceptor sets instead of Width.
    int initialWidth = 0;

private:
    int width_ = 64;
    AnsiString caption_;
};

class TTestFont : public TPersistent {
    PLANTMON_CLASS(TTestFont, TPersistent)
public:
    AnsiString Name() const { return name_; }
    void SetName(const AnsiString& n) { name_ = n; }
    int Size() const { return size_; }
    void SetSize(int s) { size_ = s; }

private:
    AnsiString name_ = "Arial";
    int size_ = 8;
};

class TTestGrid : public TWinControl {
    PLANTMON_CLASS(TTestGrid, TWinControl)
public:
    explicit TTestGrid(TComponent* owner) : TWinControl(owner) {}
    TCollection* Columns() const { return columns_.get(); }
    TTestFont* Font() const { return font_.get(); }
    long long Colour() const { return color_; }
    void SetColour(long long c) { color_ = c; }
    TShadeT Shade() const { return shade_; }
    void SetShade(TShadeT s) { shade_ = s; }
    long long Options() const { return options_; }
    void SetOptions(long long o) { options_ = o; }
    double Ratio() const { return ratio_; }
    void SetRatio(double r) { ratio_ = r; }
    TComponent* Buddy() const { return buddy_; }
    void SetBuddy(TComponent* c) { buddy_ = c; }
    AnsiString note;  // a property the grid defines itself

protected:
    void DefineProperties(TFiler* filer) override {
        filer->DefineProperty(
            "Note", [this](TReader* r) { note = r->ReadString(); }, [this](TWriter* w) { w->WriteString(note); },
            !note.IsEmpty());
    }

private:
    std::unique_ptr<TCollection> columns_ = std::make_unique<TCollection>(CollectionItemClassOf<TTestColumn>());
    std::unique_ptr<TTestFont> font_ = std::make_unique<TTestFont>();
    long long color_ = 0;
    TShadeT shade_ = shLight;
    long long options_ = 0;
    double ratio_ = 0;
    TComponent* buddy_ = nullptr;
};

class TTestStore : public TComponent {
    PLANTMON_CLASS(TTestStore, TComponent)
public:
    using TComponent::TComponent;
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& t) { text_ = t; }
    int Count() const { return count_; }
    void SetCount(int c) { count_ = c; }

private:
    AnsiString text_;
    int count_ = 0;
};

// A store of another class, which has no Count: a stored Count names nothing there.
class TOtherStore : public TComponent {
    PLANTMON_CLASS(TOtherStore, TComponent)
public:
    using TComponent::TComponent;
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& t) { text_ = t; }

private:
    AnsiString text_;
};

// Reads a column's stored width into its initial width, as a grid that fits its columns needs.
class TColumnWidthInterceptor : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TColumnWidthInterceptor, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
    void SetWidth(int w) { width_ = w; }
    void Readed() override {
        if (width_ >= 0) static_cast<TTestColumn*>(Target())->initialWidth = width_;
    }

private:
    int width_ = -1;
};

// Remembers the columns it applied its width to.
std::vector<TObject*> appliedTo;
class TRecordingWidthInterceptor : public TColumnWidthInterceptor {
    PLANTMON_CLASS(TRecordingWidthInterceptor, TColumnWidthInterceptor)
public:
    using TColumnWidthInterceptor::TColumnWidthInterceptor;
    void Readed() override {
        appliedTo.push_back(Target());
        TColumnWidthInterceptor::Readed();
    }
};

// Options is a set of the shades.
const TTypeInfo kShadeSet{tkSet, "TShadeSetT", nullptr, {"shLight", "shMedium", "shDark"}};

const bool registered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    RegisterPublishedProperties(TTestColumn::StaticClass(),
                                {MakeProperty<TTestColumn>("Caption", text, &TTestColumn::Caption, &TTestColumn::SetCaption),
                                 MakeProperty<TTestColumn>("Width", integer, &TTestColumn::Width, &TTestColumn::SetWidth)});
    RegisterPublishedProperties(TTestFont::StaticClass(),
                                {MakeProperty<TTestFont>("Name", text, &TTestFont::Name, &TTestFont::SetName),
                                 MakeProperty<TTestFont>("Size", integer, &TTestFont::Size, &TTestFont::SetSize)});
    TPropInfo onClick;
    onClick.Name = "OnClick";
    onClick.PropType = TypeInfoOf(tkMethod, "TNotifyEvent");
    RegisterPublishedProperties(
        TTestGrid::StaticClass(),
        {MakeProperty<TTestGrid>("Columns", ClassTypeInfo(TCollection::StaticClass()), &TTestGrid::Columns),
         MakeProperty<TTestGrid>("Font", ClassTypeInfo(TTestFont::StaticClass()), &TTestGrid::Font),
         MakeProperty<TTestGrid>("Color", TypeInfoOf(tkInteger, "TColor"), &TTestGrid::Colour, &TTestGrid::SetColour),
         MakeProperty<TTestGrid>("Shade", EnumTypeInfo("TShadeT", {"shLight", "shMedium", "shDark"}), &TTestGrid::Shade,
                                 &TTestGrid::SetShade),
         MakeProperty<TTestGrid>("Options", &kShadeSet, &TTestGrid::Options, &TTestGrid::SetOptions),
         MakeProperty<TTestGrid>("Ratio", TypeInfoOf(tkFloat, "Double"), &TTestGrid::Ratio, &TTestGrid::SetRatio),
         MakeProperty<TTestGrid>("Buddy", ClassTypeInfo(TComponent::StaticClass()), &TTestGrid::Buddy,
                                 &TTestGrid::SetBuddy),
         onClick});
    RegisterPublishedProperties(TTestStore::StaticClass(),
                                {MakeProperty<TTestStore>("Text", text, &TTestStore::Text, &TTestStore::SetText),
                                 MakeProperty<TTestStore>("Count", integer, &TTestStore::Count, &TTestStore::SetCount)});
    RegisterPublishedProperties(TOtherStore::StaticClass(),
                                {MakeProperty<TOtherStore>("Text", text, &TOtherStore::Text, &TOtherStore::SetText)});
    TPropInfo width = MakeProperty<TColumnWidthInterceptor>("Width", integer, [](TColumnWidthInterceptor*) { return 0; },
                                                            &TColumnWidthInterceptor::SetWidth);
    width.GetOrd = nullptr;  // write only: the writer stores the column's own width
    RegisterPublishedProperties(TColumnWidthInterceptor::StaticClass(), {width});
    RegisterPublishedProperties(TRecordingWidthInterceptor::StaticClass(), {width});
    return true;
}();

std::unique_ptr<TStringList> paths(std::initializer_list<const char*> lines) {
    auto list = std::make_unique<TStringList>();
    for (const char* l : lines) list->Add(l);
    return list;
}

bool streamHas(TMemoryStream& s, const std::string& text) {
    const char* data = static_cast<const char*>(s.Memory());
    return std::string(data, static_cast<std::size_t>(s.Size())).find(text) != std::string::npos;
}

// A form with a panel holding a grid, a grid on the form and a non-visual store.
struct Tree {
    TForm* form = nullptr;
    TPanel* panel = nullptr;
    TTestGrid* grid = nullptr;  // on the panel
    TTestGrid* flat = nullptr;  // on the form
    TTestStore* store = nullptr;
    explicit Tree(const char* name) {
        guitest::EnsureApp();
        form = NewForm<TForm>(nullptr);
        form->SetName(name);
        panel = new TPanel(form);
        panel->SetName("Panel1");
        panel->SetParent(form);
        grid = new TTestGrid(form);
        grid->SetName("Grid1");
        grid->SetParent(panel);
        flat = new TTestGrid(form);
        flat->SetName("Grid2");
        flat->SetParent(form);
        store = new TTestStore(form);
        store->SetName("Store1");
        for (int i = 0; i < 3; ++i) {
            auto* c = static_cast<TTestColumn*>(grid->Columns()->Add());
            c->SetCaption("Колонка " + AnsiString(std::to_string(i)));
            c->SetWidth(50 + i);
        }
    }
    ~Tree() { form->Free(); }
    TTestColumn* column(TTestGrid* g, int i) const { return static_cast<TTestColumn*>(g->Columns()->Items(i)); }
};

void write(TComponent* owner, TStrings* list, TMemoryStream& out) {
    TPropWriterGx writer(&out);
    writer.WriteOwnerProperties(owner, list);
    out.SetPosition(0);
}

void read(TComponent* owner, TMemoryStream& in) {
    in.SetPosition(0);
    TPropReaderGx reader(&in);
    reader.ReadOwnerProperties(owner);
}

TEST(PropFiler, TheListedPropertiesOfATreeComeBackAndNothingElse) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    Tree other("OtherForm");
    a.form->SetTag(5);
    a.store->SetText("Смена 2");
    a.store->SetCount(17);
    a.grid->SetColour(clRed);
    a.grid->SetShade(shDark);
    a.grid->SetOptions((1 << shLight) | (1 << shDark));
    a.grid->SetRatio(2.5);
    a.grid->Font()->SetName("Courier New");
    a.grid->Font()->SetSize(11);
    a.grid->note = "заметка";
    a.grid->SetBuddy(other.store);  // on another form: "OtherForm.Store1"
    a.flat->SetBuddy(a.store);
    a.flat->SetRatio(7);
    a.panel->SetTag(3);  // listed after its child's paths
    auto list = paths({"<P>.Tag", "Store1.<P>.Text", "Store1.<P>.Count", "Panel1.Grid1.<P>.Color",
                       "Panel1.Grid1.<P>.Shade", "Panel1.Grid1.<P>.Options", "Panel1.Grid1.<P>.Font",
                       "Panel1.Grid1.<P>.Columns", "Panel1.Grid1.<P>.Note", "Panel1.Grid1.<P>.Buddy",
                       "Panel1.Grid1.<P>.OnClick", "Panel1.<P>.Tag", "Grid2.<P>.Buddy"});
    TMemoryStream stream;
    write(a.form, list.get(), stream);
    EXPECT_TRUE(streamHas(stream, "clRed"));           // a colour by its name
    EXPECT_TRUE(streamHas(stream, "OtherForm.Store1"));  // a component of another form

    Tree b("FormB");
    b.grid->Columns()->Clear();
    b.grid->Columns()->Add();
    read(b.form, stream);
    EXPECT_EQ(b.form->Tag(), 5);
    EXPECT_EQ(b.store->Text(), "Смена 2");
    EXPECT_EQ(b.store->Count(), 17);
    EXPECT_EQ(b.grid->Colour(), clRed);
    EXPECT_EQ(b.grid->Shade(), shDark);
    EXPECT_EQ(b.grid->Options(), (1 << shLight) | (1 << shDark));
    EXPECT_EQ(b.grid->Font()->Name(), "Courier New");
    EXPECT_EQ(b.grid->Font()->Size(), 11);
    EXPECT_EQ(b.grid->note, "заметка");
    EXPECT_EQ(b.grid->Buddy(), other.store);
    EXPECT_EQ(b.flat->Buddy(), b.store);  // the reading form's own store
    EXPECT_EQ(b.panel->Tag(), 3);
    EXPECT_EQ(b.grid->Tag(), 0);
    ASSERT_EQ(b.grid->Columns()->Count(), 3);
    EXPECT_EQ(b.column(b.grid, 1)->Caption(), "Колонка 1");
    EXPECT_EQ(b.column(b.grid, 2)->Width(), 52);
    // Not listed: not stored.
    EXPECT_EQ(b.grid->Ratio(), 0);
    EXPECT_EQ(b.flat->Ratio(), 0);
}

TEST(PropFiler, ItemsByPathAndAnInterceptorOfTheirClass) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    TMemoryStream all, one;
    write(a.form, paths({"Panel1.Grid1.<P>.Columns.<ForAllItems>.Width"}).get(), all);
    write(a.form, paths({"Panel1.Grid1.<P>.Columns.<Item1>"}).get(), one);
    for (const char* name : {"Columns.__Item0.Width", "Columns.__Item1.Width", "Columns.__Item2.Width"})
        EXPECT_TRUE(streamHas(all, name)) << name;
    EXPECT_TRUE(streamHas(one, "Columns.__Item1.Caption"));
    EXPECT_FALSE(streamHas(one, "Columns.__Item0."));

    Tree b("FormB");
    for (int i = 0; i < 3; ++i) b.column(b.grid, i)->SetWidth(10);
    b.column(b.grid, 1)->SetCaption("x");
    read(b.form, all);
    read(b.form, one);
    EXPECT_EQ(b.column(b.grid, 0)->Width(), 50);
    EXPECT_EQ(b.column(b.grid, 2)->Width(), 52);
    EXPECT_EQ(b.column(b.grid, 1)->Caption(), "Колонка 1");
    EXPECT_EQ(b.grid->Columns()->Count(), 3);  // items are filled, not replaced

    // With an interceptor for the columns, the stored widths become their initial widths.
    RegisterReadPropertyInterceptor(TTestColumn::StaticClass(), InterceptorClassOf<TColumnWidthInterceptor>());
    Tree c("FormC");
    read(c.form, all);
    UnregisterReadPropertyInterceptor(TTestColumn::StaticClass(), InterceptorClassOf<TColumnWidthInterceptor>());
    EXPECT_EQ(c.column(c.grid, 0)->initialWidth, 50);
    EXPECT_EQ(c.column(c.grid, 2)->initialWidth, 52);
    EXPECT_EQ(c.column(c.grid, 2)->Width(), 52);  // the column's own width untouched (the writer's were equal)
    Tree d("FormD");
    for (int i = 0; i < 3; ++i) d.column(d.grid, i)->SetWidth(10);
    read(d.form, all);
    EXPECT_EQ(d.column(d.grid, 0)->initialWidth, 0);  // unregistered again
}

// A stream naming the columns twice (items by path, then the whole collection): reading the
// collection again frees the items the first values were held for, and no interceptor is left
// holding one of them.
TEST(PropFiler, ACollectionReadAgainLeavesNoInterceptorWithItsOldItems) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    TMemoryStream stream;
    write(a.form, paths({"Panel1.Grid1.<P>.Columns.<ForAllItems>.Width", "Panel1.Grid1.<P>.Columns"}).get(), stream);
    RegisterReadPropertyInterceptor(TTestColumn::StaticClass(), InterceptorClassOf<TRecordingWidthInterceptor>());
    appliedTo.clear();
    Tree b("FormB");
    read(b.form, stream);
    UnregisterReadPropertyInterceptor(TTestColumn::StaticClass(), InterceptorClassOf<TRecordingWidthInterceptor>());
    ASSERT_EQ(b.grid->Columns()->Count(), 3);
    ASSERT_EQ(appliedTo.size(), 3u) << "one interceptor for each column read last";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(appliedTo[static_cast<std::size_t>(2 - i)], b.column(b.grid, i)) << "applied in reverse order";
        EXPECT_EQ(b.column(b.grid, i)->initialWidth, 50 + i);
        EXPECT_EQ(b.column(b.grid, i)->Caption(), "Колонка " + AnsiString(std::to_string(i)));
    }
}

// A number stored for an enumeration outside its values is a damaged value: skipped, or raised.
TEST(PropFiler, AnEnumerationNumberOutsideItsValuesIsRefused) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    a.grid->SetShade(static_cast<TShadeT>(3));  // written as the number: it has no name
    TMemoryStream stream;
    write(a.form, paths({"Panel1.Grid1.<P>.Shade"}).get(), stream);
    Tree b("FormB");
    b.grid->SetShade(shMedium);
    read(b.form, stream);
    EXPECT_EQ(b.grid->Shade(), shMedium);
    IsRaiseReadErrorGx = true;
    EXPECT_THROW(read(b.form, stream), EReadError);
    IsRaiseReadErrorGx = false;
    EXPECT_EQ(b.grid->Shade(), shMedium);
}

// The bounds of a form placed at (40, 30) with size 300 x 200.
const char* const kPlacement[] = {"<P>.Left", "<P>.Top", "<P>.Width", "<P>.Height", "<P>.WindowState",
                                   "<P>.PixelsPerInch"};

std::unique_ptr<TStringList> placementPaths() {
    auto list = std::make_unique<TStringList>();
    for (const char* p : kPlacement) list->Add(p);
    return list;
}

TEST(PropFiler, AMaximizedFormStoresAndGetsBackItsNormalBounds) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    a.form->SetBounds(40, 30, 300, 200);
    guitest::ShowForm(a.form);
    a.form->SetWindowState(wsMaximized);
    ASSERT_TRUE(guitest::WaitFor([&] { return a.form->WindowState() == wsMaximized; }));
    EXPECT_EQ(a.form->NormalBounds(), TRect(40, 30, 340, 230));
    TMemoryStream stream;
    write(a.form, placementPaths().get(), stream);

    Tree b("FormB");
    b.form->SetBounds(5, 5, 100, 100);
    guitest::ShowForm(b.form);
    read(b.form, stream);
    ASSERT_TRUE(guitest::WaitFor([&] { return b.form->WindowState() == wsMaximized; }));
    EXPECT_EQ(b.form->NormalBounds(), TRect(40, 30, 340, 230));
    b.form->SetWindowState(wsNormal);
    ASSERT_TRUE(guitest::WaitFor([&] { return b.form->BoundsRect() == TRect(40, 30, 340, 230); }))
        << b.form->Left() << "," << b.form->Top() << " " << b.form->Width() << "x" << b.form->Height();
}

TEST(PropFiler, BoundsStoredForAnotherScreenAreScaled) {
    ASSERT_TRUE(registered);
    struct Case {
        int storedPpi;
        int screenPpi;
        TRect expected;
    };
    // 40, 30, 301, 201 at 96 on a 120 screen: 50, 37.5 -> 38, 376.25 -> 376, 251.25 -> 251.
    const Case cases[] = {
        {96, 120, TRect(50, 38, 50 + 376, 38 + 251)},
        {120, 120, TRect(40, 30, 341, 231)},
        {0, 120, TRect(40, 30, 341, 231)},   // no screen stored: taken as it is
        {-96, 120, TRect(40, 30, 341, 231)},
    };
    for (const Case& c : cases) {
        Tree a("FormA");
        a.form->SetBounds(40, 30, 301, 201);
        a.form->SetPixelsPerInch(c.storedPpi);
        TMemoryStream stream;
        write(a.form, placementPaths().get(), stream);
        Tree b("FormB");
        Screen->SetPixelsPerInch(c.screenPpi);
        read(b.form, stream);
        Screen->SetPixelsPerInch(96);
        EXPECT_EQ(b.form->BoundsRect(), c.expected) << "stored at " << c.storedPpi;
    }
}

TEST(PropFiler, ACentredFormKeepsTheRestoredPosition) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    a.form->SetBounds(40, 30, 300, 200);
    TMemoryStream withPos, sizeOnly;
    write(a.form, placementPaths().get(), withPos);
    write(a.form, paths({"<P>.Width", "<P>.Height"}).get(), sizeOnly);
    Tree b("FormB");
    b.form->SetPosition(poScreenCenter);
    read(b.form, sizeOnly);
    EXPECT_EQ(b.form->Position(), poScreenCenter);
    read(b.form, withPos);
    EXPECT_EQ(b.form->Position(), poDesigned);
}

TEST(PropFiler, NamesThatNoLongerExistAreSkippedUnlessErrorsAreRaised) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    a.store->SetText("текст");
    a.store->SetCount(3);
    a.grid->SetColour(clBlue);
    a.grid->Font()->SetSize(14);
    auto list = paths({"Store1.<P>.Count", "Store1.<P>.Text", "Panel1.Grid1.<P>.OnClick", "Panel1.Grid1.<P>.Color",
                       "Panel1.Grid1.<P>.Font.Size", "Grid2.<P>.Color"});
    TMemoryStream stream;
    write(a.form, list.get(), stream);

    // Store1 is of a class without Count, Grid2 is gone, OnClick cannot be read: the rest arrives.
    Tree b("FormB");
    delete b.store;
    auto* other = new TOtherStore(b.form);
    other->SetName("Store1");
    delete b.flat;
    std::vector<std::string> errors;
    {
        stream.SetPosition(0);
        TPropReaderGx reader(&stream);
        reader.OnError = [&](TReader*, const AnsiString& message, bool&) { errors.push_back(message.str()); };
        reader.ReadOwnerProperties(b.form);
    }
    EXPECT_EQ(other->Text(), "текст");
    EXPECT_EQ(b.grid->Colour(), clBlue);
    EXPECT_EQ(b.grid->Font()->Size(), 14);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].rfind("Error reading Store1.Count: ", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1], "Error reading Grid1.OnClick: Unexpected Kind of Method: \"tkMethod\"");
    EXPECT_EQ(errors[2].rfind("Error reading Grid2.Color: ", 0), 0u) << errors[2];  // read into a stand-in

    IsRaiseReadErrorGx = true;
    Tree c("FormC");
    delete c.store;
    (new TOtherStore(c.form))->SetName("Store1");
    try {
        read(c.form, stream);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message().str().rfind("Error reading Store1.Count: ", 0), 0u) << e.Message().str();
    }
    IsRaiseReadErrorGx = false;
}

TEST(PropFiler, TheWriterRefusesPathsItCannotFollow) {
    ASSERT_TRUE(registered);
    Tree a("FormA");
    const std::pair<const char*, const char*> cases[] = {
        {"Grid2", "Component name is empty."},
        {"Panel1..<P>.Color", "Component name is empty."},
        {"<P>.", "Property name is empty."},
        {"Grid2.<P>.Font.<Item0>", "Component type is not Collection."},
        {"Grid2.<P>.Colour", "Invalide property name: Colour"},
    };
    for (const auto& [path, message] : cases) {
        TMemoryStream stream;
        try {
            write(a.form, paths({path}).get(), stream);
            ADD_FAILURE() << path << ": no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message) << path;
        }
    }
    // A component the owner does not hold stores nothing, and the paths after it still work.
    a.store->SetCount(9);
    TMemoryStream stream;
    write(a.form, paths({"Panel1.Missing.<P>.Color", "Store1.<P>.Count"}).get(), stream);
    Tree b("FormB");
    read(b.form, stream);
    EXPECT_EQ(b.store->Count(), 9);
}

TEST(PropFiler, StreamingChildrenOfFormsAndControls) {
    Tree a("FormA");
    TStringList list;
    GetComponentChildListGx(a.form, a.form, &list, true);
    // Components that are no controls, then the form's own controls; the grid on the panel is the
    // panel's child.
    EXPECT_EQ(list.CommaText(), "Store1,Panel1,Grid2");
    GetComponentChildListGx(a.panel, a.form, &list, true);
    EXPECT_EQ(list.CommaText(), "Grid1");
    EXPECT_EQ(FindChildComponent(a.panel, a.form, "GRID1", true), a.grid);
    EXPECT_EQ(FindChildComponent(a.form, a.form, "Grid1", true), nullptr);
    EXPECT_EQ(FindGlobalComponent("forma"), a.form);
    EXPECT_EQ(GetNextPointSeparatedToken("Panel1.Grid1.<P>"), "Panel1");
    EXPECT_EQ(GetNextPointSeparatedToken("Width"), "Width");
}

// Interceptor classes for the registry: nothing of them is called.
class TICA : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TICA, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};
class TICB : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TICB, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};
class TBase1 : public TPersistent {
    PLANTMON_CLASS(TBase1, TPersistent)
};
class TMid1 : public TBase1 {
    PLANTMON_CLASS(TMid1, TBase1)
};
class TLeaf1 : public TMid1 {
    PLANTMON_CLASS(TLeaf1, TMid1)
};

TEST(PropFiler, TheNearestRegisteredClassGivesTheInterceptor) {
    EXPECT_EQ(GetInterceptorForTarget(TForm::StaticClass()).Class, TFormStoragePropertyInterceptor::StaticClass());
    EXPECT_FALSE(GetInterceptorForTarget(TLeaf1::StaticClass()));
    RegisterReadPropertyInterceptor(TBase1::StaticClass(), InterceptorClassOf<TICA>());
    EXPECT_EQ(GetInterceptorForTarget(TLeaf1::StaticClass()).Class, TICA::StaticClass());  // two steps down
    RegisterReadPropertyInterceptor(TMid1::StaticClass(), InterceptorClassOf<TICB>());
    EXPECT_EQ(GetInterceptorForTarget(TLeaf1::StaticClass()).Class, TICB::StaticClass());  // the parent wins
    EXPECT_EQ(GetInterceptorForTarget(TBase1::StaticClass()).Class, TICA::StaticClass());
    RegisterReadPropertyInterceptor(TBase1::StaticClass(), InterceptorClassOf<TICB>());  // replaces TICA
    EXPECT_EQ(GetInterceptorForTarget(TBase1::StaticClass()).Class, TICB::StaticClass());
    UnregisterReadPropertyInterceptor(TMid1::StaticClass(), InterceptorClassOf<TICA>());  // no such pair
    EXPECT_EQ(GetInterceptorForTarget(TMid1::StaticClass()).Class, TICB::StaticClass());
    UnregisterReadPropertyInterceptor(TMid1::StaticClass(), InterceptorClassOf<TICB>());
    UnregisterReadPropertyInterceptor(TBase1::StaticClass(), InterceptorClassOf<TICB>());
    EXPECT_FALSE(GetInterceptorForTarget(TLeaf1::StaticClass()));
}

}  // namespace
