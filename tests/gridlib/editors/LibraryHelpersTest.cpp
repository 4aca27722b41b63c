// The library's helpers: text and value comparison, hexadecimal text, the growing memory stream,
// published properties by name, the texts by number and the counted streaming access.
#include "gridlib/editors/GridLibConsts.h"
#include "gridlib/editors/ToolCtrlsGx.h"

#include "data/DBClient.h"
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int count;
    bool ignoreCase;
    int expected;
};

TEST(AnsiStringCompare, CyrillicCaseAndCountsPastTheEnd) {
    const CompareCase cases[] = {
        {"abc", "ABC", 0, true, 0},
        {"abc", "ABC", 0, false, -1},       // lower case first, as the locale sorts
        {"Ёж", "ёж", 0, true, 0},
        {"ёлка", "елка", 0, true, 1},       // ё after е
        {"ёлка", "жук", 0, false, -1},      // and before ж
        {"абвг", "абвд", 3, false, 0},      // only the first three characters
        {"абвг", "абвд", 4, false, -1},
        {"аб", "абв", 5, false, -1},        // a count past a text's end: each text at most as long as it is
        {"абв", "аб", 3, false, 1},
        {"АБВ", "абвгд", 3, true, 0},
        {"", "", 0, false, 0},
    };
    for (const CompareCase& c : cases) {
        EXPECT_EQ(AnsiStringCompare(c.a, c.b, c.count, c.ignoreCase), c.expected)
            << c.a << " / " << c.b << " count " << c.count << (c.ignoreCase ? " ignoring case" : "");
        EXPECT_EQ(WideStringCompare(c.a, c.b, c.count, c.ignoreCase), c.expected) << c.a << " / " << c.b;
    }
    EXPECT_EQ(NlsUpperCase("ёжик"), "ЁЖИК");
    EXPECT_GT(NlsCompareText("Ёлка", "ежик"), 0);
}

TEST(VarEquals, MixedTypesNullArraysAndFailingConversions) {
    struct Case {
        const char* what;
        Variant a, b;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"two unassigned", Variant(), Variant(), true},
        {"unassigned and 0", Variant(), Variant(0), false},
        {"null and null", Null(), Null(), true},
        {"null and 5", Null(), Variant(5), false},
        {"5 and 5.0", Variant(5), Variant(5.0), true},
        {"text 5 and 5", Variant("5"), Variant(5), true},
        {"True and -1", Variant(true), Variant(-1), true},
        {"text that is no number and 5", Variant("abc"), Variant(5), false},
        {"array and scalar", VarArrayOf({1}), Variant(1), false},
        {"equal one-element arrays", VarArrayOf({1}), VarArrayOf({1}), true},
        {"arrays differing in an element", VarArrayOf({1, 2}), VarArrayOf({1, 3}), false},
        {"incomparable later element", VarArrayOf({1, "abc"}), VarArrayOf({1, 2}), false},
        {"empty arrays", VarArrayCreate({0, -1}, varVariant), VarArrayCreate({0, -1}, varVariant), false},
        {"arrays of other bounds", VarArrayCreate({0, 2}, varVariant), VarArrayCreate({1, 3}, varVariant), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VarEquals(c.a, c.b), c.expected) << c.what;
        EXPECT_EQ(VarEquals(c.b, c.a), c.expected) << c.what << " (swapped)";
    }
}

TEST(DBVarCompareValue, NullSortsFirstAndArraysComparePairwise) {
    struct Case {
        const char* what;
        Variant a, b;
        TVariantRelationship expected;
    };
    const std::vector<Case> cases = {
        {"null, null", Null(), Null(), vrEqual},
        {"null, 5", Null(), Variant(5), vrLessThan},
        {"5, null", Variant(5), Null(), vrGreaterThan},
        {"3, 5.5", Variant(3), Variant(5.5), vrLessThan},
        {"б, а", Variant("б"), Variant("а"), vrGreaterThan},
        {"array, scalar", VarArrayOf({1}), Variant(1), vrNotEqual},
        {"[1, 2], [1, 3]", VarArrayOf({1, 2}), VarArrayOf({1, 3}), vrLessThan},
        {"[1, null], [1, 0]", VarArrayOf({1, Null()}), VarArrayOf({1, 0}), vrLessThan},
        {"[2, 2], [2, 2]", VarArrayOf({2, 2}), VarArrayOf({2, 2}), vrEqual},
        {"empty arrays", VarArrayCreate({0, -1}, varVariant), VarArrayCreate({0, -1}, varVariant), vrNotEqual},
        {"text that is no number, 5", Variant("abc"), Variant(5), vrNotEqual},
    };
    for (const Case& c : cases) EXPECT_EQ(DBVarCompareValue(c.a, c.b), c.expected) << c.what;
}

TEST(IsDoubleClickMessage, TimeAndBoxLimitsAreInclusive) {
    const long t = static_cast<long>(GetDoubleClickTime());
    const int dx = GetSystemMetrics(SM_CXDOUBLECLK), dy = GetSystemMetrics(SM_CYDOUBLECLK);
    EXPECT_TRUE(IsDoubleClickMessage(TPoint(10, 10), TPoint(10 + dx, 10 - dy), t));
    EXPECT_FALSE(IsDoubleClickMessage(TPoint(10, 10), TPoint(10, 10), t + 1));
    EXPECT_FALSE(IsDoubleClickMessage(TPoint(10, 10), TPoint(10 - dx - 1, 10), 0));
    EXPECT_FALSE(IsDoubleClickMessage(TPoint(10, 10), TPoint(10, 10 + dy + 1), 0));
}

TEST(HexText, PairsOfRealHexDigitsOnly) {
    struct Case {
        const char* text;
        int count;
        std::vector<std::uint8_t> bytes;
        int converted;
    };
    const Case cases[] = {
        {"0A1b", 4, {0x0A, 0x1B}, 2},
        {"0z12", 4, {0, 0}, 0},       // the second character stops it at once
        {":0", 2, {0}, 0},            // ':' lies between '9' and 'A' but is no digit
        {"1G", 2, {0}, 0},            // nor is 'G'
        {"ff`0", 4, {0xFF, 0}, 1},    // nor '`'
        {"0A1", 3, {0x0A}, 1},        // an odd count: its last character is left out
        {"0A", 6, {0x0A, 0, 0}, 1},   // a count past the text
    };
    for (const Case& c : cases) {
        TBytes bytes;
        EXPECT_EQ(HexToBinGx(c.text, bytes, c.count), c.converted) << c.text;
        EXPECT_EQ(bytes, TBytes(c.bytes)) << c.text;
    }
    AnsiString text;
    BinToHexGx({0xAB, 0x01, 0x7F}, text, 3);
    EXPECT_EQ(text, "AB017F");
    BinToHexGx({0xAB, 0x01}, text, 1);
    EXPECT_EQ(text, "AB");
}

TEST(MemoryStreamGx, GrowsInBlocksOfTwiceTheHalfStep) {
    TMemoryStreamGx s;
    s.CapacityHalfStep = 65536;
    const char one = 'x';
    s.Write(&one, 1);
    EXPECT_EQ(s.Capacity(), 131072);
    const void* block = s.Memory();
    std::vector<char> more(131071, 'y');
    s.Write(more.data(), static_cast<long long>(more.size()));
    EXPECT_EQ(s.Capacity(), 131072);  // exactly full: the block stays
    EXPECT_EQ(s.Memory(), block);
    s.Write(&one, 1);
    EXPECT_EQ(s.Capacity(), 262144);
    s.SetSize(0);
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_EQ(s.Memory(), nullptr);

    TMemoryStreamGx small;  // 4096 by default
    std::vector<char> data(8193, 'z');
    small.Write(data.data(), static_cast<long long>(data.size()));
    EXPECT_EQ(small.Capacity(), 16384);
    EXPECT_EQ(small.Size(), 8193);
}

// A detail dataset: its master comes through its published MasterSource.
class DetailDataSet : public TClientDataSet {
    PLANTMON_CLASS(DetailDataSet, TClientDataSet)
public:
    using TClientDataSet::TClientDataSet;
    TDataSource* master = nullptr;
    TDataSource* MasterSource() const override { return master; }
};

TEST(PublishedProperties, FoundByNameThroughTheParentChain) {
    TPropListArray list;
    // A property of an ancestor, found by name from a descendant, in any case.
    PPropInfo master = GetPropInfo(DetailDataSet::StaticClass(), "mastersource");
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(PropInfo_getName(master), "MasterSource");
    EXPECT_EQ(PropType_getKind(PropInfo_getPropType(master)), tkClass);
    EXPECT_EQ(master->Declarer, TDataSet::StaticClass());
    PPropInfo tag = GetPropInfo(DetailDataSet::StaticClass(), "Tag");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(GetPropInfo(DetailDataSet::StaticClass(), "NoSuchProperty"), nullptr);

    // Read and written through the registry on an object.
    DetailDataSet ds(nullptr);
    SetOrdProp(&ds, tag, 42);
    EXPECT_EQ(ds.Tag(), 42);
    EXPECT_THROW(SetObjectProp(&ds, master, nullptr), EPropertyError);  // read-only

    // Sorted by name, the ancestors' properties included.
    GetPropListAsArray(ClassTypeInfo(TSpecRowGx::StaticClass()), tkProperties, list);
    std::vector<std::string> names;
    for (PPropInfo p : list) names.push_back(p->Name.str());
    EXPECT_EQ(names, (std::vector<std::string>{"CellsText", "Color", "Font", "ShortCut", "ShowIfNotInKeyList", "Value",
                                               "Visible"}));
    // A property declared again with another default stands once, with the new default.
    std::vector<long long> shortCutDefaults;
    for (PPropInfo p : GetPropList(ClassTypeInfo(TDropDownEditButtonGx::StaticClass())))
        if (p->Name == "ShortCut") shortCutDefaults.push_back(p->Default);
    EXPECT_EQ(shortCutDefaults, std::vector<long long>{32808});
    PPropInfo color = GetPropInfo(TSpecRowGx::StaticClass(), "Color");
    TSpecRowGx row(nullptr);
    EXPECT_FALSE(IsStoredProp(&row, color));
    SetOrdProp(&row, color, clRed);
    EXPECT_TRUE(IsStoredProp(&row, color));
}

TEST(GetMasterDataSet, TheDataSourceOfTheNamedObjectProperty) {
    TClientDataSet masterData(nullptr);
    TDataSource source(nullptr);
    source.SetDataSet(&masterData);
    DetailDataSet detail(nullptr);
    PPropInfo prop = GetPropInfo(&detail, "MasterSource");
    EXPECT_EQ(GetMasterDataSet(&detail, prop), nullptr);  // no master
    detail.master = &source;
    EXPECT_EQ(GetMasterDataSet(&detail, prop), &masterData);
    EXPECT_EQ(GetMasterDataSet(&detail, nullptr), nullptr);
    EXPECT_EQ(GetMasterDataSet(&detail, GetPropInfo(&detail, "Tag")), nullptr);  // no object property
}

TEST(Casts, AnObjectAddressSurvivesAVariant) {
    auto holder = std::make_unique<TStringList>();
    Variant v = RefObjectToVariant(holder.get());
    EXPECT_EQ(VarType(v), varInt64);  // 32 bits would cut a 64-bit address
    EXPECT_EQ(VariantToRefObject(v), holder.get());
    EXPECT_TRUE(IsObjectAndIntegerRefSame(holder.get(), ObjectToIntPtr(holder.get())));
    EXPECT_EQ(VariantToRefObject(Null()), nullptr);
    EXPECT_EQ(SmallPointToInteger(TSmallPoint{-2, 3}), 0x0003FFFE);
    EXPECT_EQ(ExplicitLongwordToLongInt(0xFFFFFFFFu), -1);
    const char text[] = "Текст";
    EXPECT_EQ(IntPtrToString(reinterpret_cast<std::intptr_t>(text)), "Текст");
}

TEST(LibraryTexts, LookedUpByNumber) {
    EXPECT_EQ(LoadResString(&SInvalidVCLDBIFFormatGx), "Неверный формат VCLDBIF");
    EXPECT_EQ(LoadResString(&SPageOfPagesGx), "Страница %d из %d");
    EXPECT_EQ(Format(LoadResString(&SFieldNameNotFoundGx), "Поле"), "Имя поля 'Поле' не найдено");
    EXPECT_EQ(LoadResString(&SSTFilterListItem_SortingByAscend), "(Сортировка по возрастанию)");
    EXPECT_EQ(LoadResString(&SInvalidTextFormatGx), "Неверный формат текста");
    EXPECT_EQ(LoadResString(65518), "");
}

TEST(PrivateMessages, EachHasItsOwnNumber) {
    const std::set<UINT> numbers = {CM_SETSIZEGRIPCHANGEPOSITION, CM_CLOSEUPGX, CM_IGNOREEDITDOWN, CM_EDITIMAGECHANGEDGX,
                                    CM_DEFERLAYOUTGX};
    EXPECT_EQ(numbers.size(), 5u);
    EXPECT_EQ(CM_SETSIZEGRIPCHANGEPOSITION, 0x464u);
}

// A component whose streaming calls say that they were reached.
class StreamingProbe : public TComponent {
    PLANTMON_CLASS(StreamingProbe, TComponent)
public:
    using TComponent::TComponent;
    std::vector<std::string> calls;

protected:
    void DefineProperties(TFiler*) override { calls.push_back("DefineProperties"); }
    void GetChildren(TGetChildProc proc, TComponent*) override {
        calls.push_back("GetChildren");
        for (int i = 0; i < ComponentCount(); ++i) proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }
};

TEST(FilerAccess, ForwardsToTheOverridesAndLivesByItsReferences) {
    StreamingProbe probe(nullptr);
    auto* child = new TComponent(&probe);
    std::vector<TComponent*> children;
    {
        TRefGx<TFilerAccess> access(new TFilerAccess(&probe));
        EXPECT_EQ(access->RefCount(), 1);
        access->DefineProperties(nullptr);
        access->GetChildren([&](TComponent* c) { children.push_back(c); }, &probe);
        EXPECT_EQ(access->GetChildOwner(), &probe);
        EXPECT_EQ(access->GetChildParent(), &probe);
        access->Updating();
        EXPECT_TRUE(probe.ComponentState() & csUpdating);
        access->Updated();
        access->SetAncestor(true);
        EXPECT_TRUE(child->ComponentState() & csAncestor);
        TRefGx<TFilerAccess> second = access;
        EXPECT_EQ(access->RefCount(), 2);
    }  // the last reference frees it (ASan would report a leak or a double free)
    EXPECT_EQ(probe.calls, (std::vector<std::string>{"DefineProperties", "GetChildren"}));
    EXPECT_EQ(children, std::vector<TComponent*>{child});
    EXPECT_FALSE(probe.ComponentState() & csUpdating);
}

TEST(FieldLists, LookupAndAssignment) {
    datatest::RussianLocale ru;
    TClientDataSet ds(nullptr);
    ds.SetName("Rows");
    datatest::FillRows(ds, 3);
    TFieldsArrGx fields = GetFieldsProperty(&ds, &ds, "Name; ID");
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0]->FieldName(), "Name");
    EXPECT_EQ(fields[1]->FieldName(), "ID");
    std::vector<TField*> partial;
    try {
        GetFieldsProperty(&partial, &ds, &ds, "ID;Missing;Name");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Rows: Field 'Missing' not found");
    }
    EXPECT_EQ(partial.size(), 1u);  // the fields found before the missing one stay

    ds.Edit();
    DataSetSetFieldValues(&ds, "Name;Amount", VarArrayOf({"Новое", 7.25}));
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "Новое");
    EXPECT_DOUBLE_EQ(ds.FieldByName("Amount")->AsFloat(), 7.25);
    DataSetSetFieldValues(&ds, "Name;Amount", Null());
    EXPECT_TRUE(ds.FieldByName("Name")->IsNull());
    EXPECT_TRUE(ds.FieldByName("Amount")->IsNull());
    ds.Cancel();
}

}  // namespace
