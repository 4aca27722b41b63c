// Field kinds: typed access, texts and formats, checks, field events, calculated and lookup
// fields, field lists.
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

using namespace datatest;

namespace {

class FieldsTest : public ::testing::Test {
protected:
    RussianLocale locale;
    TComponent owner{nullptr};
    TClientDataSet* ds = new TClientDataSet(&owner);

    // One column of every kind; one empty record in edit state.
    void MakeAllKinds() {
        auto* d = ds->FieldDefs();
        d->Add("S", ftString, 5);
        d->Add("I", ftInteger);
        d->Add("SI", ftSmallint);
        d->Add("L", ftLargeint);
        d->Add("F", ftFloat);
        d->Add("C", ftCurrency);
        d->Add("B", ftBCD)->SetSize(2);
        d->Add("Bool", ftBoolean);
        d->Add("D", ftDate);
        d->Add("T", ftTime);
        d->Add("DT", ftDateTime);
        d->Add("TS", ftTimeStamp);
        d->Add("M", ftMemo);
        d->Add("Blob", ftBlob);
        ds->CreateDataSet();
        ds->Append();
    }
    TField* f(const char* name) { return ds->FieldByName(name); }
};

TEST_F(FieldsTest, DefaultFieldClassesAndProperties) {
    MakeAllKinds();
    struct Case {
        const char* name;
        const char* cls;
        TAlignment align;
        int width;
    } cases[] = {
        {"S", "TStringField", taLeftJustify, 5},     {"I", "TIntegerField", taRightJustify, 11},
        {"SI", "TSmallintField", taRightJustify, 6}, {"L", "TLargeintField", taRightJustify, 15},
        {"F", "TFloatField", taRightJustify, 10},    {"C", "TCurrencyField", taRightJustify, 10},
        {"B", "TBCDField", taRightJustify, 10},      {"Bool", "TBooleanField", taLeftJustify, 5},
        {"D", "TDateField", taLeftJustify, 10},      {"T", "TTimeField", taLeftJustify, 7},
        {"DT", "TDateTimeField", taLeftJustify, 18}, {"TS", "TSQLTimeStampField", taLeftJustify, 18},
        {"M", "TMemoField", taLeftJustify, 10},      {"Blob", "TBlobField", taLeftJustify, 10},
    };
    for (const auto& c : cases) {
        TField* fld = f(c.name);
        EXPECT_EQ(fld->ClassName(), c.cls) << c.name;
        EXPECT_EQ(fld->Alignment(), c.align) << c.name;
        EXPECT_EQ(fld->DisplayWidth(), c.width) << c.name;
        EXPECT_TRUE(fld->IsNull()) << c.name;
        EXPECT_EQ(fld->DisplayLabel(), c.name);
    }
    EXPECT_TRUE(f("TS")->InheritsFrom("TDateTimeField"));
    EXPECT_TRUE(f("C")->InheritsFrom("TNumericField"));
    EXPECT_TRUE(ds->DefaultFields());
    EXPECT_EQ(f("I")->FieldNo(), 2);
    EXPECT_EQ(f("I")->Index(), 1);
}

TEST_F(FieldsTest, NullReadsAsZeroAndEmpty) {
    MakeAllKinds();
    for (const char* name : {"I", "SI", "L", "F", "C", "B"}) {
        EXPECT_EQ(f(name)->AsInteger(), 0) << name;
        EXPECT_EQ(f(name)->AsFloat(), 0.0) << name;
        EXPECT_EQ(f(name)->AsString(), "") << name;
        EXPECT_EQ(f(name)->DisplayText(), "") << name;
        EXPECT_TRUE(VarIsNull(f(name)->Value())) << name;
    }
    EXPECT_EQ(f("DT")->AsDateTime(), 0.0);
    EXPECT_FALSE(f("Bool")->AsBoolean());
    EXPECT_EQ(f("S")->AsString(), "");
}

TEST_F(FieldsTest, TextsAndFormats) {
    MakeAllKinds();
    TDateTime when = EncodeDateTime(2010, 3, 15, 7, 0, 5, 0);
    f("I")->SetAsInteger(1234567);
    f("F")->SetAsFloat(1234.5);
    f("C")->SetAsFloat(1234.5);
    f("B")->SetAsString("12,345");
    f("Bool")->SetAsBoolean(true);
    f("D")->SetAsDateTime(when);
    f("T")->SetAsDateTime(when);
    f("DT")->SetAsDateTime(when);
    f("M")->SetAsString("text");
    struct Case {
        const char* name;
        const char* asString;
        const char* text;
        const char* display;
    } cases[] = {
        {"I", "1234567", "1234567", "1234567"},
        {"F", "1234,5", "1234,5", "1234,5"},
        {"C", "1234,5", "1234,50", "1\xC2\xA0" "234,50 р."},
        {"B", "12,345", "12,345", "12,345"},
        {"Bool", "True", "True", "True"},
        {"D", "15.03.2010", "15.03.2010", "15.03.2010"},
        {"T", "7:00:05", "7:00:05", "7:00:05"},
        {"M", "text", "(MEMO)", "(MEMO)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f(c.name)->AsString(), c.asString) << c.name;
        EXPECT_EQ(f(c.name)->Text(), c.text) << c.name;
        EXPECT_EQ(f(c.name)->DisplayText(), c.display) << c.name;
    }
    EXPECT_DOUBLE_EQ(f("D")->AsDateTime(), EncodeDate(2010, 3, 15));  // a date keeps no time
    EXPECT_DOUBLE_EQ(f("T")->AsDateTime(), EncodeTime(7, 0, 5, 0));
    EXPECT_EQ(f("B")->AsCurrency().Raw(), 123450);

    auto* num = static_cast<TFloatField*>(f("F"));
    num->SetDisplayFormat("0.00");
    EXPECT_EQ(num->DisplayText(), "1234,50");
    EXPECT_EQ(num->Text(), "1234,50");  // no edit format: the display format
    num->SetEditFormat("0.000");
    EXPECT_EQ(num->Text(), "1234,500");
    EXPECT_EQ(num->DisplayText(), "1234,50");
    auto* dt = static_cast<TDateTimeField*>(f("DT"));
    dt->SetDisplayFormat("dd.mm.yyyy hh:nn");
    EXPECT_EQ(dt->DisplayText(), "15.03.2010 07:00");
    EXPECT_EQ(dt->Text(), DateTimeToStr(when));
    auto* b = static_cast<TBooleanField*>(f("Bool"));
    b->SetDisplayValues("Да;Нет");
    EXPECT_EQ(b->DisplayText(), "Да");
    b->SetText("не");
    EXPECT_FALSE(b->AsBoolean());
    EXPECT_THROW(b->SetText("может"), EDatabaseError);
}

TEST_F(FieldsTest, SetTextParsesByType) {
    MakeAllKinds();
    f("I")->SetText(" 42 ");
    EXPECT_EQ(f("I")->AsInteger(), 42);
    f("F")->SetText("2,25");
    EXPECT_DOUBLE_EQ(f("F")->AsFloat(), 2.25);
    f("DT")->SetText("15.03.2010 19:00:00");
    EXPECT_DOUBLE_EQ(f("DT")->AsDateTime(), EncodeDateTime(2010, 3, 15, 19, 0, 0, 0));
    f("DT")->SetText("2010-03-16 06:59:59");
    EXPECT_DOUBLE_EQ(f("DT")->AsDateTime(), EncodeDateTime(2010, 3, 16, 6, 59, 59, 0));
    f("I")->SetText("");
    EXPECT_TRUE(f("I")->IsNull());
    EXPECT_THROW(f("I")->SetText("12a"), EConvertError);
    EXPECT_THROW(f("DT")->SetText("yesterday"), EConvertError);
    EXPECT_THROW(f("SI")->SetAsInteger(40000), EDatabaseError);  // beyond a small integer
    // Text longer than the column is cut to its size in characters, not bytes.
    f("S")->SetAsString("Привет мир");
    EXPECT_EQ(f("S")->AsString(), "Приве");
    // An empty text is no value.
    f("S")->SetAsString("");
    EXPECT_TRUE(f("S")->IsNull());
    // Cross-kind access.
    f("S")->SetAsString("17");
    EXPECT_EQ(f("S")->AsInteger(), 17);
    f("S")->SetAsString("x");
    EXPECT_THROW(f("S")->AsInteger(), EConvertError);
    EXPECT_THROW(f("Bool")->SetAsDateTime(1), EDatabaseError);
    f("I")->SetAsVariant(Variant("5"));
    EXPECT_EQ(f("I")->AsInteger(), 5);
    f("I")->SetValue(Null());
    EXPECT_TRUE(f("I")->IsNull());
    f("M")->SetAsString(std::string("a\0b", 3));
    EXPECT_EQ(f("M")->AsString().Length(), 3);
}

TEST_F(FieldsTest, EditMaskShapesTheDisplayedText) {
    ds->FieldDefs()->Add("S", ftString, 30);
    ds->CreateDataSet();
    ds->Append();
    struct Case {
        const char* mask;
        const char* value;
        const char* shown;
    } cases[] = {
        {"00/00;0;_", "1503", "15.03"},           // literals inserted, the date separator of the locale
        {"00/00;1;_", "15.03", "15.03"},          // literals already in the text
        {"(999)000-0000;0;*", "1234567", "(123)456-7***"},
        {">LL<ll;0", "abCD", "ABcd"},
        {">L<>l\\;L;0;_", "aBc", "AB;c"},
        {"", "as is", "as is"},
    };
    TField* s = f("S");
    for (const auto& c : cases) {
        s->SetEditMask(c.mask);
        s->SetAsString(c.value);
        EXPECT_EQ(s->DisplayText(), c.shown) << c.mask;
        EXPECT_EQ(s->Text(), c.value) << c.mask;  // the edit text is the stored text
    }
}

TEST_F(FieldsTest, ValidCharacters) {
    MakeAllKinds();
    struct Case {
        const char* name;
        const char* valid;
        const char* invalid;
    } cases[] = {
        {"I", "0123456789+-", "a,.E "},
        {"F", "0123456789+-,Ee", "a. "},
        {"S", "a,.Z -", ""},
    };
    for (const auto& c : cases) {
        for (const char* p = c.valid; *p; ++p) EXPECT_TRUE(f(c.name)->IsValidChar(*p)) << c.name << " " << *p;
        for (const char* p = c.invalid; *p; ++p) EXPECT_FALSE(f(c.name)->IsValidChar(*p)) << c.name << " " << *p;
    }
}

TEST_F(FieldsTest, ChecksOnWriteAndPost) {
    ds->SetName("Setup");
    auto* name = new TStringField(&owner);
    name->SetFieldName("ConstName");
    name->SetRequired(true);
    name->SetDisplayLabel("Имя");
    name->SetDataSet(ds);
    auto* val = new TFloatField(&owner);
    val->SetFieldName("ConstVal");
    val->SetMinValue(-10);
    val->SetMaxValue(10);
    val->SetDataSet(ds);
    auto* comment = new TStringField(&owner);
    comment->SetFieldName("Comment");
    comment->SetSize(251);
    comment->SetReadOnly(true);
    comment->SetDataSet(ds);
    ds->CreateDataSet();
    EXPECT_FALSE(ds->DefaultFields());

    EXPECT_THROW(val->SetAsFloat(1), EDatabaseError);  // browse state
    ds->Append();
    try {
        val->SetAsFloat(11);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "11 is not a valid value for field 'ConstVal'. The allowed range is -10 to 10");
    }
    EXPECT_TRUE(val->IsNull());
    EXPECT_THROW(comment->SetAsString("x"), EDatabaseError);

    // OnValidate sees the new value and may refuse it; the old value stays.
    val->SetAsFloat(5);
    val->OnValidate = [](TField* f) {
        if (f->AsFloat() < 0) throw EDatabaseError("negative");
    };
    EXPECT_THROW(val->SetAsFloat(-1), EDatabaseError);
    EXPECT_DOUBLE_EQ(val->AsFloat(), 5);

    // A required field without a value: the post fails, names the field and asks for the focus.
    std::vector<std::string> log;
    TDataSource src(&owner);
    src.SetDataSet(ds);
    RecordingLink link(log);
    link.focusable = name;
    link.SetDataSource(&src);
    log.clear();
    try {
        ds->Post();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Setup: Field 'Имя' must have a value");
    }
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_NE(std::find(log.begin(), log.end(), "FocusControl(ConstName)"), log.end());
    name->SetAsString("K1");
    ds->Post();
    EXPECT_EQ(ds->RecordCount(), 1);

    // OnGetText / OnSetText replace the texts.
    val->OnGetText = [](TField* f, AnsiString& t, bool display) { t = (display ? "D:" : "E:") + f->AsString(); };
    val->OnSetText = [](TField* f, const AnsiString& t) { f->SetAsFloat(t.Length()); };
    EXPECT_EQ(val->DisplayText(), "D:5");
    EXPECT_EQ(val->Text(), "E:5");
    ds->Edit();
    val->SetText("abc");
    EXPECT_DOUBLE_EQ(val->AsFloat(), 3);
    ds->Cancel();

    // Persistent fields restrict the columns and must exist.
    ds->Close();
    auto* missing = new TIntegerField(&owner);
    missing->SetFieldName("Nowhere");
    missing->SetDataSet(ds);
    EXPECT_THROW(ds->CreateDataSet(), EDatabaseError);  // the columns stay; this field has none
    delete missing;
    ds->FieldDefs()->Clear();
    ds->FieldDefs()->Add("ConstName", ftString, 20);
    ds->FieldDefs()->Add("ConstVal", ftDateTime);  // a float field over a date column
    ds->FieldDefs()->Add("Comment", ftString, 251);
    EXPECT_THROW(ds->CreateDataSet(), EDatabaseError);
    EXPECT_FALSE(ds->Active());
}

TEST_F(FieldsTest, CalculatedAndLookupFields) {
    // The lookup side: signal codes and their names.
    auto* names = new TClientDataSet(&owner);
    names->FieldDefs()->Add("Code", ftInteger);
    names->FieldDefs()->Add("Title", ftString, 20);
    names->CreateDataSet();
    names->AppendRecord({Variant(1), Variant("Вода")});
    names->AppendRecord({Variant(2), Variant("Порода")});

    auto* code = new TIntegerField(&owner);
    code->SetFieldName("Code");
    code->SetDataSet(ds);
    auto* amount = new TFloatField(&owner);
    amount->SetFieldName("Amount");
    amount->SetDataSet(ds);
    auto* twice = new TFloatField(&owner);
    twice->SetFieldName("Twice");
    twice->SetFieldKind(fkCalculated);
    twice->SetDataSet(ds);
    auto* title = new TStringField(&owner);
    title->SetFieldName("Title");
    title->SetFieldKind(fkLookup);
    title->SetKeyFields("Code");
    title->SetLookupDataSet(names);
    title->SetLookupKeyFields("Code");
    title->SetLookupResultField("Title");
    title->SetDataSet(ds);
    int calcRuns = 0;
    TDataSetState stateInCalc = dsInactive;
    ds->OnCalcFields = [&](TDataSet* d) {
        ++calcRuns;
        stateInCalc = d->State();
        if (!d->FieldByName("Amount")->IsNull()) d->FieldByName("Twice")->SetAsFloat(d->FieldByName("Amount")->AsFloat() * 2);
    };
    ds->CreateDataSet();
    ds->AppendRecord({Variant(1), Variant(1.5)});
    ds->AppendRecord({Variant(2), Variant(4.0)});
    ds->AppendRecord({Variant(3), Null()});

    ds->First();
    EXPECT_DOUBLE_EQ(twice->AsFloat(), 3.0);
    EXPECT_EQ(stateInCalc, dsCalcFields);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(title->AsString(), "Вода");
    EXPECT_FALSE(twice->CanModify());
    EXPECT_THROW(twice->SetAsFloat(1), EDatabaseError);  // only in OnCalcFields
    ds->Next();
    EXPECT_EQ(title->AsString(), "Порода");
    ds->Next();
    EXPECT_TRUE(title->IsNull());  // no such code
    EXPECT_TRUE(twice->IsNull());

    // Calculated values follow an edit at once.
    ds->First();
    ds->Edit();
    amount->SetAsFloat(10);
    EXPECT_DOUBLE_EQ(twice->AsFloat(), 20.0);
    // Setting a lookup field looks its key up and sets the key field.
    title->SetAsString("Порода");
    EXPECT_EQ(code->AsInteger(), 2);
    ds->Post();
    EXPECT_DOUBLE_EQ(twice->AsFloat(), 20.0);
    EXPECT_EQ(title->AsString(), "Порода");

    // Other rows read through a link compute their own values, once.
    TDataSource src(&owner);
    src.SetDataSet(ds);
    std::vector<std::string> log;
    RecordingLink link(log);
    link.SetDataSource(&src);
    link.SetBufferCount(3);
    ds->First();
    int runs = calcRuns;
    std::vector<double> seen;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < link.RecordCount(); ++i) {
            link.SetActiveRecord(i);
            if (pass == 0) seen.push_back(twice->IsNull() ? -1 : twice->AsFloat());
        }
    link.SetActiveRecord(0);
    EXPECT_EQ(seen, (std::vector<double>{20, 8, -1}));
    EXPECT_LE(calcRuns - runs, 3);

    // A calculated field can be filtered on and searched for.
    ds->SetFilter("Twice > 10");
    ds->SetFiltered(true);
    EXPECT_EQ(ds->RecordCount(), 1);
    ds->SetFiltered(false);
    EXPECT_TRUE(ds->Locate("Twice", Variant(8.0)));
    EXPECT_EQ(code->AsInteger(), 2);
}

TEST_F(FieldsTest, FieldListsAndValues) {
    FillRows(*ds, 3);
    ds->SetName("Kalibr");
    std::vector<TField*> list;
    ds->GetFieldList(list, "Name; ID");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->FieldName(), "Name");
    EXPECT_EQ(list[1]->FieldName(), "ID");
    try {
        ds->GetFieldList(list, "ID;Nope");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Kalibr: Field 'Nope' not found");
    }
    EXPECT_EQ(ds->FindField("nope"), nullptr);
    EXPECT_EQ(ds->FindField("name"), ds->FieldByName("Name"));

    TStringList names;
    ds->GetFieldNames(&names);
    EXPECT_EQ(names.CommaText(), "ID,Name,Amount");

    Variant v = ds->FieldValues("ID;Name");
    ASSERT_TRUE(VarIsArray(v));
    EXPECT_EQ(v.GetElement(0).AsInteger(), 1);
    EXPECT_EQ(v.GetElement(1).AsString(), "Row 1");
    EXPECT_EQ(ds->FieldValues("Name").AsString(), "Row 1");

    ds->Edit();
    ds->SetFieldValues("Name;Amount", VarArrayOf({Variant("X"), Variant(9.5)}));
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "X");
    EXPECT_DOUBLE_EQ(ds->FieldByName("Amount")->AsFloat(), 9.5);
    ds->SetFieldValues("Name;Amount", Null());
    EXPECT_TRUE(ds->FieldByName("Name")->IsNull());
    EXPECT_TRUE(ds->FieldByName("Amount")->IsNull());
    EXPECT_THROW(ds->SetFieldValues("Name;Amount", Variant(1)), EDatabaseError);
    ds->Cancel();

    int pos = 1;
    AnsiString text = " a ;b;;c";
    std::vector<std::string> parts;
    while (pos <= text.Length()) parts.push_back(ExtractFieldName(text, pos).str());
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST_F(FieldsTest, FieldPropertyChangesTellTheControls) {
    FillRows(*ds, 2);
    TDataSource src(&owner);
    src.SetDataSet(ds);
    std::vector<std::string> log;
    RecordingLink link(log);
    link.SetDataSource(&src);
    log.clear();
    TField* name = ds->FieldByName("Name");
    name->SetDisplayLabel("Название");
    name->SetVisible(false);
    name->SetAlignment(taCenter);
    name->SetIndex(0);
    EXPECT_EQ(log, (std::vector<std::string>{"LayoutChanged", "LayoutChanged", "DataSetChanged", "LayoutChanged"}));
    EXPECT_EQ(ds->Fields()->Fields(0), name);
    EXPECT_EQ(name->DisplayName(), "Название");
}

}  // namespace
