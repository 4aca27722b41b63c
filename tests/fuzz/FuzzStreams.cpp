// Fuzz target: the component stream reader and the property storage reader, over a small tree of
// components with a collection, an owned object, an enumeration, a set, a reference and properties
// the component defines itself; the property reader with an interceptor for the collection's items.
// Input: one byte choosing the reader, then the stream. A damaged stream must raise or be skipped,
// never leave a value outside its type or an interceptor with a freed object; what was read must
// be writable again.
#include "gridlib/editors/PropFilerGx.h"
#include "rtl/Filers.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace {

enum TFzShade { fsLight, fsMedium, fsDark };

class TFzItem : public TCollectionItem {
    PLANTMON_CLASS(TFzItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& c) { caption_ = c; }
    TFzShade Shade() const { return shade_; }
    void SetShade(TFzShade s) { shade_ = s; }
    int initialWidth = 0;

private:
    int width_ = 64;
    AnsiString caption_;
    TFzShade shade_ = fsLight;
};

class TFzFont : public TPersistent {
    PLANTMON_CLASS(TFzFont, TPersistent)
public:
    AnsiString Name() const { return name_; }
    void SetName(const AnsiString& n) { name_ = n; }
    int Size() const { return size_; }
    void SetSize(int s) { size_ = s; }

private:
    AnsiString name_ = "Arial";
    int size_ = 8;
};

class TFzBox : public TComponent {
    PLANTMON_CLASS(TFzBox, TComponent)
public:
    explicit TFzBox(TComponent* owner) : TComponent(owner) {}
    TCollection* Items() const { return items_.get(); }
    TFzFont* Font() const { return font_.get(); }
    double Ratio() const { return ratio_; }
    void SetRatio(double r) { ratio_ = r; }
    TFzShade Shade() const { return shade_; }
    void SetShade(TFzShade s) { shade_ = s; }
    long long Shades() const { return shades_; }
    void SetShades(long long s) { shades_ = s; }
    bool Shown() const { return shown_; }
    void SetShown(bool b) { shown_ = b; }
    TComponent* Buddy() const { return buddy_; }
    void SetBuddy(TComponent* c) { buddy_ = c; }
    long long Big() const { return big_; }
    void SetBig(long long v) { big_ = v; }
    TDateTime Stamp() const { return stamp_; }
    void SetStamp(TDateTime t) { stamp_ = t; }
    Variant Value() const { return value_; }
    void SetValue(const Variant& v) { value_ = v; }
    AnsiString note;
    std::string blob;

protected:
    void DefineProperties(TFiler* filer) override {
        filer->DefineProperty(
            "Note", [this](TReader* r) { note = r->ReadString(); }, [this](TWriter* w) { w->WriteString(note); },
            !note.IsEmpty());
        filer->DefineBinaryProperty(
            "Blob",
            [this](TStream* s) {
                blob.resize(static_cast<std::size_t>(s->Size()));
                s->ReadBuffer(blob.data(), s->Size());
            },
            [this](TStream* s) { s->WriteBuffer(blob.data(), static_cast<long long>(blob.size())); }, !blob.empty());
    }

private:
    std::unique_ptr<TCollection> items_ = std::make_unique<TCollection>(CollectionItemClassOf<TFzItem>());
    std::unique_ptr<TFzFont> font_ = std::make_unique<TFzFont>();
    double ratio_ = 0;
    TFzShade shade_ = fsLight;
    long long shades_ = 0;
    bool shown_ = true;
    TComponent* buddy_ = nullptr;
    long long big_ = 0;
    TDateTime stamp_ = 0;
    Variant value_;
};

// The root: its own components are its streaming children.
class TFzRoot : public TComponent {
    PLANTMON_CLASS(TFzRoot, TComponent)
public:
    using TComponent::TComponent;

protected:
    void GetChildren(TGetChildProc proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }
};

// Holds a stored width for its item until the item's component is read, then applies it.
class TFzWidthInterceptor : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TFzWidthInterceptor, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
    void SetWidth(int w) { width_ = w; }
    void Readed() override { static_cast<TFzItem*>(Target())->initialWidth = width_; }

private:
    int width_ = 0;
};

const TTypeInfo kShadeSet{tkSet, "TFzShades", nullptr, {"fsLight", "fsMedium", "fsDark"}};

const bool registered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    PTypeInfo text = TypeInfoOf(tkLString, "AnsiString");
    PTypeInfo shade = EnumTypeInfo("TFzShade", {"fsLight", "fsMedium", "fsDark"});
    RegisterPublishedProperties(TFzItem::StaticClass(),
                                {MakeProperty<TFzItem>("Width", integer, &TFzItem::Width, &TFzItem::SetWidth, 64),
                                 MakeProperty<TFzItem>("Caption", text, &TFzItem::Caption, &TFzItem::SetCaption),
                                 MakeProperty<TFzItem>("Shade", shade, &TFzItem::Shade, &TFzItem::SetShade, 0)});
    RegisterPublishedProperties(TFzFont::StaticClass(),
                                {MakeProperty<TFzFont>("Name", text, &TFzFont::Name, &TFzFont::SetName),
                                 MakeProperty<TFzFont>("Size", integer, &TFzFont::Size, &TFzFont::SetSize, 8)});
    RegisterPublishedProperties(
        TFzBox::StaticClass(),
        {MakeProperty<TFzBox>("Items", ClassTypeInfo(TCollection::StaticClass()), &TFzBox::Items),
         MakeProperty<TFzBox>("Font", ClassTypeInfo(TFzFont::StaticClass()), &TFzBox::Font),
         MakeProperty<TFzBox>("Ratio", TypeInfoOf(tkFloat, "Double"), &TFzBox::Ratio, &TFzBox::SetRatio),
         MakeProperty<TFzBox>("Shade", shade, &TFzBox::Shade, &TFzBox::SetShade, 0),
         MakeProperty<TFzBox>("Shades", &kShadeSet, &TFzBox::Shades, &TFzBox::SetShades, 0),
         MakeProperty<TFzBox>("Shown", EnumTypeInfo("Boolean", {"False", "True"}), &TFzBox::Shown, &TFzBox::SetShown, 1),
         MakeProperty<TFzBox>("Buddy", ClassTypeInfo(TComponent::StaticClass()), &TFzBox::Buddy, &TFzBox::SetBuddy),
         MakeProperty<TFzBox>("Big", TypeInfoOf(tkInt64, "Int64"), &TFzBox::Big, &TFzBox::SetBig, 0),
         MakeProperty<TFzBox>("Stamp", TypeInfoOf(tkFloat, "TDateTime"), &TFzBox::Stamp, &TFzBox::SetStamp),
         MakeProperty<TFzBox>("Value", TypeInfoOf(tkVariant, "Variant"), &TFzBox::Value, &TFzBox::SetValue)});
    RegisterClass<TFzBox>();
    TPropInfo width = MakeProperty<TFzWidthInterceptor>("Width", integer, [](TFzWidthInterceptor*) { return 0; },
                                                        &TFzWidthInterceptor::SetWidth);
    width.GetOrd = nullptr;  // write only: the writer stores the item's own width
    RegisterPublishedProperties(TFzWidthInterceptor::StaticClass(), {width});
    return true;
}();

// A root with two boxes, the first with three items and everything set.
struct Tree {
    TFzRoot root{nullptr};
    TComponent made{nullptr};  // owns what the reader makes from the stream's class
    TFzBox* box = nullptr;
    TFzBox* other = nullptr;
    Tree() {
        root.SetName("Root");
        box = new TFzBox(&root);
        box->SetName("Box1");
        other = new TFzBox(&root);
        other->SetName("Box2");
    }
    void fill() {
        for (int i = 0; i < 3; ++i) {
            auto* item = static_cast<TFzItem*>(box->Items()->Add());
            item->SetWidth(50 + i);
            item->SetCaption("Колонка " + IntToStr(i));
            item->SetShade(static_cast<TFzShade>(i));
        }
        box->Font()->SetSize(11);
        box->SetRatio(2.5);
        box->SetShade(fsDark);
        box->SetShades(5);
        box->SetShown(false);
        box->SetBuddy(other);
        box->SetBig(1LL << 40);
        box->SetStamp(40315.5);
        box->SetValue(Variant("значение"));
        box->note = "заметка";
        box->blob = std::string("\0\1\2\377", 4);
    }
};

enum Reader : std::uint8_t { IntoComponent, NewComponent, Properties, PropertiesRaising, ReaderCount };

// Everything read is written again: a value outside its type shows here if nowhere else.
void writeBack(TComponent* c) {
    TMemoryStream out;
    TWriter w(&out);
    w.SetRoot(c->Owner());
    w.WriteSignature();
    w.WriteComponent(c);
}

void run(Reader reader, const std::uint8_t* data, std::size_t size) {
    Tree t;
    t.fill();  // items for the stored paths to name
    TMemoryStream in;
    in.WriteBuffer(data, static_cast<long long>(size));
    in.SetPosition(0);
    switch (reader) {
    case IntoComponent:
    case NewComponent: {
        TReader r(&in);
        r.SetRoot(&t.root);
        r.SetLookupRoot(&t.root);
        r.SetOwner(reader == IntoComponent ? &t.root : &t.made);
        r.ReadSignature();
        TComponent* c = r.ReadComponent(reader == IntoComponent ? t.box : nullptr);
        if (c) writeBack(c);
        break;
    }
    default: {
        IsRaiseReadErrorGx = reader == PropertiesRaising;
        RegisterReadPropertyInterceptor(TFzItem::StaticClass(), InterceptorClassOf<TFzWidthInterceptor>());
        struct Restore {
            ~Restore() {
                UnregisterReadPropertyInterceptor(TFzItem::StaticClass(), InterceptorClassOf<TFzWidthInterceptor>());
                IsRaiseReadErrorGx = false;
            }
        } restore;
        TPropReaderGx r(&in);
        r.ReadOwnerProperties(&t.root);
        writeBack(t.box);
        writeBack(t.other);
        break;
    }
    }
}

void writeFile(const std::string& path, Reader reader, TMemoryStream& s) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const char kind = static_cast<char>(reader);
    out.write(&kind, 1);
    out.write(static_cast<const char*>(s.Memory()), static_cast<std::streamsize>(s.Size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || !registered) return 0;
    try {
        run(static_cast<Reader>(data[0] % ReaderCount), data + 1, size - 1);
    } catch (const Exception&) {
        // A damaged stream raises; nothing else may come of it.
    }
    return 0;
}

// The kept inputs: a whole component, property paths naming the collection twice, and an
// enumeration stored as a number outside its values.
extern "C" void PlantmonFuzzWriteSeeds(const char* dir) {
    const std::string d(dir);
    {
        Tree t;
        t.fill();
        TMemoryStream s;
        TWriter w(&s);
        w.SetRoot(&t.root);
        w.SetLookupRoot(&t.root);
        w.WriteSignature();
        w.WriteComponent(t.box);
        writeFile(d + "/component", IntoComponent, s);
        writeFile(d + "/new-component", NewComponent, s);
    }
    {
        Tree t;
        t.fill();
        t.box->SetShade(static_cast<TFzShade>(3));
        TMemoryStream s;
        TWriter w(&s);
        w.SetRoot(&t.root);
        w.WriteSignature();
        w.WriteComponent(t.box);
        writeFile(d + "/enum-out-of-range", IntoComponent, s);
    }
    auto props = [&](const char* name, std::initializer_list<const char*> paths, bool outOfRange) {
        Tree t;
        t.fill();
        if (outOfRange) t.box->SetShade(static_cast<TFzShade>(3));
        TStringList list;
        for (const char* p : paths) list.Add(p);
        TMemoryStream s;
        TPropWriterGx w(&s);
        w.WriteOwnerProperties(&t.root, &list);
        writeFile(d + "/" + name, Properties, s);
        writeFile(d + "/" + name + "-raising", PropertiesRaising, s);
    };
    props("properties", {"<P>.Tag", "Box1.<P>.Font", "Box1.<P>.Shades", "Box1.<P>.Buddy", "Box1.<P>.Note",
                         "Box1.<P>.Items.<Item1>", "Box2.<P>.Ratio"}, false);
    props("collection-twice", {"Box1.<P>.Items.<ForAllItems>.Width", "Box1.<P>.Items"}, false);
    props("properties-enum-out-of-range", {"Box1.<P>.Shade"}, true);
}
