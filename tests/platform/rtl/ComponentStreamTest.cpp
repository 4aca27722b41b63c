// The component stream: a component with owned objects, a collection and properties of its own
// written and read back; what the reader refuses; skipping values; comparing collections.
#include "rtl/Filers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

enum TShade { shLight, shMedium, shDark };

class TSample;

class TSampleItem : public TCollectionItem {
    PLANTMON_CLASS(TSampleItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& c) { caption_ = c; }
    bool Shown() const { return shown_; }
    void SetShown(bool b) { shown_ = b; }

private:
    int width_ = 64;
    AnsiString caption_;
    bool shown_ = true;
};

// An owned object: its properties go under its property's name.
class TSampleFont : public TPersistent {
    PLANTMON_CLASS(TSampleFont, TPersistent)
public:
    AnsiString Name() const { return name_; }
    void SetName(const AnsiString& n) { name_ = n; }
    int Size() const { return size_; }
    void SetSize(int s) { size_ = s; }

private:
    AnsiString name_ = "Arial";
    int size_ = 8;
};

class TSample : public TComponent {
    PLANTMON_CLASS(TSample, TComponent)
public:
    explicit TSample(TComponent* owner) : TComponent(owner), items_(std::make_unique<TCollection>(CollectionItemClassOf<TSampleItem>())) {}
    TCollection* Items() const { return items_.get(); }
    TSampleFont* Font() const { return font_.get(); }
    double Ratio() const { return ratio_; }
    void SetRatio(double r) { ratio_ = r; }
    TShade Shade() const { return shade_; }
    void SetShade(TShade s) { shade_ = s; }
    long long Shades() const { return shades_; }
    void SetShades(long long s) { shades_ = s; }
    TComponent* Buddy() const { return buddy_; }
    void SetBuddy(TComponent* c) { buddy_ = c; }
    long long Big() const { return big_; }
    void SetBig(long long v) { big_ = v; }
    AnsiString note;          // streamed as the defined property "Note" when not empty
    std::string blob;         // streamed as the binary property "Blob" when not empty
    int loaded = 0;

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
    void Loaded() override {
        TComponent::Loaded();
        ++loaded;
    }

private:
    std::unique_ptr<TCollection> items_;
    std::unique_ptr<TSampleFont> font_ = std::make_unique<TSampleFont>();
    double ratio_ = 0;
    TShade shade_ = shLight;
    long long shades_ = 0;
    TComponent* buddy_ = nullptr;
    long long big_ = 0;
};

const TTypeInfo kShadeSet{tkSet, "TShades", nullptr, {"shLight", "shMedium", "shDark"}};

const bool registered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    PTypeInfo text = TypeInfoOf(tkLString, "AnsiString");
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    RegisterPublishedProperties(TSampleItem::StaticClass(),
                                {MakeProperty<TSampleItem>("Width", integer, &TSampleItem::Width, &TSampleItem::SetWidth, 64),
                                 MakeProperty<TSampleItem>("Caption", text, &TSampleItem::Caption, &TSampleItem::SetCaption),
                                 MakeProperty<TSampleItem>("Shown", boolean, &TSampleItem::Shown, &TSampleItem::SetShown, 1)});
    RegisterPublishedProperties(TSampleFont::StaticClass(),
                                {MakeProperty<TSampleFont>("Name", text, &TSampleFont::Name, &TSampleFont::SetName),
                                 MakeProperty<TSampleFont>("Size", integer, &TSampleFont::Size, &TSampleFont::SetSize, 8)});
    RegisterPublishedProperties(
        TSample::StaticClass(),
        {MakeProperty<TSample>("Items", ClassTypeInfo(TCollection::StaticClass()), &TSample::Items),
         MakeProperty<TSample>("Font", ClassTypeInfo(TSampleFont::StaticClass()), &TSample::Font),
         MakeProperty<TSample>("Ratio", TypeInfoOf(tkFloat, "Double"), &TSample::Ratio, &TSample::SetRatio),
         MakeProperty<TSample>("Shade", EnumTypeInfo("TShade", {"shLight", "shMedium", "shDark"}), &TSample::Shade,
                               &TSample::SetShade, 0),
         MakeProperty<TSample>("Shades", &kShadeSet, &TSample::Shades, &TSample::SetShades, 0),
         MakeProperty<TSample>("Buddy", ClassTypeInfo(TComponent::StaticClass()), &TSample::Buddy, &TSample::SetBuddy),
         MakeProperty<TSample>("Big", TypeInfoOf(tkInt64, "Int64"), &TSample::Big, &TSample::SetBig, 0)});
    RegisterClass<TSample>();
    return true;
}();

struct ComponentStreamTest : ::testing::Test {
    TComponent root{nullptr};
    TComponent copies{nullptr};  // owns what the reader makes
    TSample* sample = nullptr;
    TComponent* buddy = nullptr;
    void SetUp() override {
        ASSERT_TRUE(registered);
        root.SetName("Root");
        buddy = new TComponent(&root);
        buddy->SetName("Buddy1");
        sample = new TSample(&root);
        sample->SetName("Sample1");
        sample->SetTag(7);
        auto* a = static_cast<TSampleItem*>(sample->Items()->Add());
        a->SetCaption("Время");
        a->SetWidth(120);
        auto* b = static_cast<TSampleItem*>(sample->Items()->Add());
        b->SetShown(false);
        sample->Font()->SetSize(11);
        sample->SetRatio(2.5);
        sample->SetShade(shDark);
        sample->SetShades((1 << shLight) | (1 << shDark));
        sample->SetBuddy(buddy);
        sample->SetBig(1LL << 40);
        sample->note = "заметка";
        sample->blob = std::string("\0\1\2\377", 4);
    }
    // The sample written as the root of a stream, with its owner as the root for references.
    void write(TMemoryStream& s) {
        TWriter w(&s);
        w.SetRoot(&root);
        w.SetLookupRoot(&root);
        w.WriteSignature();
        w.WriteComponent(sample);
    }
    // A stream of one component "S" of the sample's class, its properties written by properties.
    static void writeOne(TMemoryStream& s, const std::function<void(TWriter&)>& properties) {
        TWriter w(&s);
        w.WriteSignature();
        TSample header(nullptr);
        header.SetName("S");
        w.WriteComponentHeader(&header);
        properties(w);
        w.WriteListEnd();
        w.WriteListEnd();
    }
    TSample* readInto(TMemoryStream& s, TSample* target) {
        s.SetPosition(0);
        TReader r(&s);
        r.SetRoot(&root);
        r.SetLookupRoot(&root);
        r.SetOwner(&copies);
        r.ReadSignature();
        return static_cast<TSample*>(r.ReadComponent(target));
    }
};

TEST_F(ComponentStreamTest, AComponentWithACollectionComesBackWhole) {
    TMemoryStream s;
    write(s);
    // Read back as a new component made from the stream's class.
    TSample* copy = readInto(s, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, sample);
    EXPECT_EQ(copy->Owner(), &copies);
    EXPECT_EQ(copy->Name(), "Sample1");
    EXPECT_EQ(copy->Tag(), 7);
    ASSERT_EQ(copy->Items()->Count(), 2);
    auto* a = static_cast<TSampleItem*>(copy->Items()->Items(0));
    auto* b = static_cast<TSampleItem*>(copy->Items()->Items(1));
    EXPECT_EQ(a->Caption(), "Время");
    EXPECT_EQ(a->Width(), 120);
    EXPECT_TRUE(a->Shown());
    EXPECT_EQ(b->Width(), 64);
    EXPECT_FALSE(b->Shown());
    EXPECT_EQ(copy->Font()->Size(), 11);
    EXPECT_EQ(copy->Font()->Name(), "Arial");
    EXPECT_DOUBLE_EQ(copy->Ratio(), 2.5);
    EXPECT_EQ(copy->Shade(), shDark);
    EXPECT_EQ(copy->Shades(), sample->Shades());
    EXPECT_EQ(copy->Buddy(), buddy) << "a reference to a component of the root";
    EXPECT_EQ(copy->Big(), 1LL << 40);
    EXPECT_EQ(copy->note, "заметка");
    EXPECT_EQ(copy->blob, sample->blob);
    EXPECT_EQ(copy->loaded, 1) << "told once everything was read";
    EXPECT_FALSE(copy->ComponentState() & csLoading);
    EXPECT_TRUE(CollectionsEqual(copy->Items(), sample->Items()));
    static_cast<TSampleItem*>(copy->Items()->Items(1))->SetWidth(65);
    EXPECT_FALSE(CollectionsEqual(copy->Items(), sample->Items()));

    // Read into an existing component: its collection is replaced, not added to; its name stays.
    auto* other = new TSample(&copies);
    other->SetName("Other");
    other->Items()->Add();
    other->Items()->Add();
    other->Items()->Add();
    readInto(s, other);
    EXPECT_EQ(other->Items()->Count(), 2);
    EXPECT_EQ(other->Name(), "Other");
    EXPECT_EQ(other->Tag(), 7);
}

TEST_F(ComponentStreamTest, AStreamWritesAndReadsItsRootComponent) {
    sample->SetBuddy(nullptr);
    TMemoryStream s;
    s.WriteComponent(sample);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read(s.ReadComponent(nullptr));
    auto* copy = dynamic_cast<TSample*>(read.get());
    ASSERT_NE(copy, nullptr) << "made from the class the stream names";
    EXPECT_EQ(copy->Items()->Count(), 2);
    EXPECT_EQ(copy->Font()->Size(), 11);
    EXPECT_EQ(s.Position(), s.Size());
}

TEST_F(ComponentStreamTest, DefaultsAndEmptyDefinedPropertiesAreNotWritten) {
    sample->note = AnsiString();
    sample->blob.clear();
    sample->SetShade(shLight);  // the default
    TMemoryStream s;
    write(s);
    const std::string bytes(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
    EXPECT_EQ(bytes.find("Note"), std::string::npos);
    EXPECT_EQ(bytes.find("Blob"), std::string::npos);
    EXPECT_EQ(bytes.find("Shade\x0a"), std::string::npos);
    EXPECT_NE(bytes.find("Font.Size"), std::string::npos) << "an owned object's properties under its name";
}

TEST_F(ComponentStreamTest, ForeignNewerAndCutStreamsAreRefused) {
    TMemoryStream good;
    write(good);
    const std::string bytes(static_cast<const char*>(good.Memory()), static_cast<std::size_t>(good.Size()));
    auto readBytes = [&](const std::string& b) {
        TMemoryStream s;
        s.WriteBuffer(b.data(), static_cast<long long>(b.size()));
        s.SetPosition(0);
        TSample target(nullptr);
        TReader r(&s);
        r.SetRoot(&root);
        r.ReadSignature();
        r.ReadComponent(&target);
    };
    std::string foreign = bytes;
    foreign[0] = 'T';
    EXPECT_THROW(readBytes(foreign), EFilerError);
    std::string newer = bytes;
    newer[4] = static_cast<char>(newer[4] + 1);
    EXPECT_THROW(readBytes(newer), EFilerError);
    // Cut anywhere: an error, never a value made up.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_THROW(readBytes(bytes.substr(0, n)), Exception);
    }
    EXPECT_NO_THROW(readBytes(bytes));
}

TEST_F(ComponentStreamTest, UnknownPropertiesRaiseUnlessTheErrorIsHandled) {
    // A stream written by a component with a property the reader's class lacks.
    TMemoryStream s;
    writeOne(s, [&](TWriter& w) {
        w.WriteStr("Vanished");
        w.WriteCollection(sample->Items());
        w.WriteStr("Ratio");
        w.WriteFloat(4.25);
    });
    TSample target(nullptr);
    auto read = [&](bool handle) {
        s.SetPosition(0);
        TReader r(&s);
        r.OnError = [&](TReader*, const AnsiString&, bool& handled) { handled = handle; };
        r.ReadSignature();
        r.ReadComponent(&target);
    };
    EXPECT_THROW(read(false), EReadError);
    read(true);
    EXPECT_DOUBLE_EQ(target.Ratio(), 4.25) << "the unknown value skipped whole, the next one read";
}

// A damaged stream may hold any number where an enumeration's value belongs: only its values pass.
TEST_F(ComponentStreamTest, ANumberOutsideAnEnumerationIsRefused) {
    const struct {
        long long value;
        bool taken;
    } cases[] = {{1, true}, {3, false}, {-1, false}, {1LL << 40, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TMemoryStream s;
        writeOne(s, [&](TWriter& w) {
            w.WriteStr("Shade");
            w.WriteInteger(c.value);
        });
        TSample target(nullptr);
        target.SetShade(shDark);
        s.SetPosition(0);
        TReader r(&s);
        r.ReadSignature();
        if (c.taken) {
            r.ReadComponent(&target);
            EXPECT_EQ(target.Shade(), shMedium);
        } else {
            EXPECT_THROW(r.ReadComponent(&target), EReadError);
            EXPECT_EQ(target.Shade(), shDark);
        }
    }
}

// Streams the components it owns as its children, and reads them back as its own.
class THolder : public TComponent {
    PLANTMON_CLASS(THolder, TComponent)
public:
    using TComponent::TComponent;

protected:
    void GetChildren(TGetChildProc proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }
};

TEST_F(ComponentStreamTest, ChildrenComeBackWithTheirParent) {
    RegisterClass<THolder>();
    THolder holder(nullptr);
    holder.SetName("Holder");
    for (int i = 0; i < 2; ++i) {
        auto* child = new TSample(&holder);
        child->SetName("Child" + AnsiString(std::to_string(i)));
        child->SetTag(10 + i);
    }
    TMemoryStream s;
    s.WriteComponent(&holder);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read(s.ReadComponent(nullptr));
    ASSERT_EQ(read->ComponentCount(), 2);
    EXPECT_EQ(read->Components(1)->Name(), "Child1");
    EXPECT_EQ(read->Components(1)->Tag(), 11);
    EXPECT_EQ(s.Position(), s.Size());
}

TEST_F(ComponentStreamTest, ValuesAreSkippedWhole) {
    TMemoryStream s;
    TWriter w(&s);
    w.WriteCollection(sample->Items());
    w.WriteListBegin();
    w.WriteInteger(70000);
    w.WriteString("текст");
    w.WriteVariant(Variant::Null());
    w.WriteListEnd();
    w.WriteInteger(-5);
    s.SetPosition(0);
    TReader r(&s);
    EXPECT_EQ(r.NextValue(), vaCollection);
    r.SkipValue();
    EXPECT_EQ(r.NextValue(), vaList);
    r.SkipValue();
    EXPECT_EQ(r.ReadInteger(), -5);
    EXPECT_EQ(s.Position(), s.Size());
}

}  // namespace
