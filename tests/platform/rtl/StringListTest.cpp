// TStrings / TStringList.
#include "RtlTestSupport.h"

#include "rtl/Classes.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> items(const TStrings& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l[i].str());
    return v;
}

using V = std::vector<std::string>;

// Counts the list's change events.
struct ChangeCounter : TObject {
    int changing = 0, changed = 0;
    void Changing(TObject*) { ++changing; }
    void Changed(TObject*) { ++changed; }
    void Attach(TStringList& l) {
        l.OnChanging = TNotifyEvent(this, &ChangeCounter::Changing);
        l.OnChange = TNotifyEvent(this, &ChangeCounter::Changed);
    }
};

// Marks its flag when freed, to see who deletes owned objects.
struct Tracked : TObject {
    explicit Tracked(int& deaths) : deaths_(deaths) {}
    ~Tracked() override { ++deaths_; }
    int& deaths_;
};

}  // namespace

TEST(StringList, TextSplitsAtEveryLineBreakAndJoinsWithCrLf) {
    TStringList l;
    l.SetText("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(items(l), (V{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(l.Text().str(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    l.SetText("one\r\n");
    EXPECT_EQ(items(l), (V{"one"}));  // a final break makes no empty line
    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, NamesAndValues) {
    TStringList l;
    l.SetText("HostName=127.0.0.1:3306\r\nUser_Name=plant\r\nPassword=\r\nnoequals\r\nA=b=c");
    EXPECT_EQ(l.Values("hostname").str(), "127.0.0.1:3306");  // names ignore case
    EXPECT_EQ(l.Values("Password").str(), "");
    EXPECT_EQ(l.Values("missing").str(), "");
    EXPECT_EQ(l.Values("A").str(), "b=c");
    EXPECT_EQ(l.Names(1).str(), "User_Name");
    EXPECT_EQ(l.Names(3).str(), "");
    EXPECT_EQ(l.ValueFromIndex(4).str(), "b=c");
    EXPECT_EQ(l.IndexOfName("USER_NAME"), 1);

    l.SetValue("User_Name", "operator");
    EXPECT_EQ(l[1].str(), "User_Name=operator");
    l.SetValue("Database", "plant");
    EXPECT_EQ(l[l.Count() - 1].str(), "Database=plant");
    l.SetValue("HostName", "");  // an empty value removes the line
    EXPECT_EQ(l.IndexOfName("HostName"), -1);
}

TEST(StringList, CommaAndDelimitedText) {
    TStringList l;
    l.SetCommaText("a, \"b c\",\"say \"\"hi\"\"\",,d e");
    EXPECT_EQ(items(l), (V{"a", "b c", "say \"hi\"", "", "d", "e"}));  // blanks separate too
    EXPECT_EQ(l.CommaText().str(), "a,\"b c\",\"say \"\"hi\"\"\",,d,e");

    l.SetCommaText("x,");
    EXPECT_EQ(items(l), (V{"x", ""}));

    l.SetDelimiter(';');
    l.SetStrictDelimiter(true);
    l.SetDelimitedText("name with blanks;b; c");
    EXPECT_EQ(items(l), (V{"name with blanks", "b", " c"}));
    EXPECT_EQ(l.DelimitedText().str(), "name with blanks;b; c");
    l.Clear();
    l.Add("");
    EXPECT_EQ(l.DelimitedText().str(), "\"\"");
}

TEST(StringList, IndexOfIgnoresCaseUnlessAsked) {
    TStringList l;
    l.Add("Поток");
    l.Add("beta");
    EXPECT_EQ(l.IndexOf("ПОТОК"), 0);
    EXPECT_EQ(l.IndexOf("BETA"), 1);
    EXPECT_EQ(l.IndexOf("gamma"), -1);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("BETA"), -1);
    EXPECT_EQ(l.IndexOf("beta"), 1);
}

TEST(StringList, SortedListsKeepOrderAndHandleDuplicates) {
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pear", "Apple", "ёж", "еж", "banana", "apple"}) l.Add(s);
    // dupIgnore: the second "apple" (same text ignoring case) was not added
    EXPECT_EQ(items(l), (V{"Apple", "banana", "pear", "еж", "ёж"}));
    int idx;
    EXPECT_TRUE(l.Find("BANANA", idx));
    EXPECT_EQ(idx, 1);
    EXPECT_FALSE(l.Find("cherry", idx));
    EXPECT_EQ(idx, 2);  // where it would go
    EXPECT_EQ(l.IndexOf("PEAR"), 2);
    EXPECT_THROW(l.Insert(0, "x"), EStringListError);

    l.SetDuplicates(dupError);
    EXPECT_THROW(l.Add("apple"), EStringListError);
    l.SetDuplicates(dupAccept);
    l.Add("apple");
    EXPECT_EQ(l.Count(), 6);
}

TEST(StringList, SortAndCustomSort) {
    TStringList l;
    l.SetText("10\r\n9\r\n100\r\n1");
    l.Sort();
    EXPECT_EQ(items(l), (V{"1", "10", "100", "9"}));
    l.CustomSort([](TStringList* list, int a, int b) { return StrToInt(list->Get(a)) - StrToInt(list->Get(b)); });
    EXPECT_EQ(items(l), (V{"1", "9", "10", "100"}));
}

TEST(StringList, ChangeEventsAndUpdateBrackets) {
    TStringList l;
    ChangeCounter c;
    c.Attach(l);
    l.Add("a");
    l.Add("b");
    EXPECT_EQ(c.changed, 2);
    EXPECT_EQ(c.changing, 2);
    l.Clear();
    EXPECT_EQ(c.changed, 3);

    TStringList src;
    src.SetText("x\r\ny\r\nz");
    l.Assign(&src);  // one change for the whole assignment
    EXPECT_EQ(c.changed, 4);
    EXPECT_EQ(items(l), (V{"x", "y", "z"}));

    l.BeginUpdate();
    l.BeginUpdate();
    l.Delete(0);
    l.Put(0, "Y");
    l.EndUpdate();
    EXPECT_EQ(c.changed, 4);
    l.EndUpdate();
    EXPECT_EQ(c.changed, 5);
    EXPECT_EQ(items(l), (V{"Y", "z"}));
}

TEST(StringList, ObjectsAndOwnership) {
    int deaths = 0;
    {
        TStringList l;
        l.SetOwnsObjects(true);
        l.AddObject("a", new Tracked(deaths));
        l.AddObject("b", new Tracked(deaths));
        l.AddObject("c", new Tracked(deaths));
        TObject* b = l.Objects(1);
        EXPECT_EQ(l.IndexOfObject(b), 1);
        l.Move(1, 0);
        EXPECT_EQ(l.Objects(0), b);
        l.Delete(0);
        EXPECT_EQ(deaths, 1);
        l.PutObject(0, new Tracked(deaths));  // the replaced object is freed
        EXPECT_EQ(deaths, 2);
    }
    EXPECT_EQ(deaths, 4);  // the rest go with the list

    TStringList notOwning;
    Tracked keep(deaths);
    notOwning.AddObject("k", &keep);
    notOwning.Clear();
    EXPECT_EQ(deaths, 4);
}

TEST(StringList, IndexErrors) {
    TStringList l;
    l.Add("a");
    EXPECT_THROW(l.Get(1), EStringListError);
    EXPECT_THROW(l.Get(-1), EListError);
    EXPECT_THROW(l.Delete(5), EStringListError);
    EXPECT_THROW(l.Insert(3, "x"), EStringListError);
    l.Insert(1, "b");  // at the end is allowed
    EXPECT_EQ(items(l), (V{"a", "b"}));
    l.Exchange(0, 1);
    EXPECT_EQ(items(l), (V{"b", "a"}));
}

TEST(StringList, FilesInUtf8OrOldWindowsEncoding) {
    testlib::TempDir dir;
    TStringList l;
    l.Add("Флотация");
    l.Add("ash=12,5");
    l.SaveToFile(dir / "a.txt");
    EXPECT_EQ(testlib::ReadFile(dir / "a.txt"), "Флотация\r\nash=12,5\r\n");

    testlib::WriteFile(dir / "old.txt", "\xD4\xEB\xEE\xF2\xE0\xF6\xE8\xFF\r\nline 2");
    TStringList old;
    old.LoadFromFile(dir / "old.txt");
    EXPECT_EQ(items(old), (V{"Флотация", "line 2"}));

    testlib::WriteFile(dir / "bom.txt", "\xEF\xBB\xBFx\ny");
    old.LoadFromFile(dir / "bom.txt");
    EXPECT_EQ(items(old), (V{"x", "y"}));

    {
        testlib::CurrentDir cd(dir.Path());
        old.LoadFromFile(".\\a.txt");  // Windows spelling of a relative name
        EXPECT_EQ(items(old), (V{"Флотация", "ash=12,5"}));
    }
    EXPECT_THROW(old.LoadFromFile(dir / "missing.txt"), EFOpenError);
    EXPECT_THROW(l.SaveToFile(dir / "no/such/dir.txt"), EFCreateError);
}

TEST(StringList, AssignFromOtherKindsFails) {
    TStringList l;
    TPersistent other;
    EXPECT_THROW(l.Assign(&other), EConvertError);
    l.Add("a");
    l.AddStrings(&l);  // adding a list to itself doubles it
    EXPECT_EQ(items(l), (V{"a", "a"}));
    TStringList same;
    same.SetText("a\r\na");
    EXPECT_TRUE(l.Equals(&same));
}
