// The interchange format: exact bytes of a small export, typed values of every kind through a
// stream and back into a dataset, the format errors of damaged and foreign streams, random streams
// that must neither crash nor hang, and the error prompt of a value a field refuses.
#include "gridlib/grid/DBGridGxImpExp.h"

#include "data/DBClient.h"
#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char kFormatError[] = "TDBGridGxImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF";

std::string bytesOf(TMemoryStream& s) {
    return std::string(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

// Writes every record of ds, one value per field, as the grid's export writes its cells.
std::string exportAll(TDataSet& ds) {
    TMemoryStream out;
    std::vector<bool> visible(static_cast<std::size_t>(ds.FieldCount()), true);
    WriteVCLDBIFPrefixGx(&out, visible);
    for (ds.First(); !ds.Eof(); ds.Next())
        for (int i = 0; i < ds.FieldCount(); ++i) WriteVCLDBIFValueGx(&out, ds.Fields()->Fields(i));
    WriteVCLDBIFSuffixGx(&out);
    return bytesOf(out);
}

// Appends one record per row, C values per row: the i-th value into the i-th field when there is
// one, dropped otherwise; a value a field refuses goes to the prompt.
void importAppending(const std::string& bytes, TDataSet& ds) {
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
    in.SetPosition(0);
    TVCLDBIFReaderGx reader(&in);
    reader.ReadPrefix();
    bool ignoreAll = false;
    while (!reader.Eof()) {
        ds.Append();
        for (int i = 0; i < reader.ColCount() && !reader.Eof(); ++i) {
            if (i < ds.FieldCount()) {
                try {
                    AssignVCLDBIFValueGx(ds.Fields()->Fields(i), reader.LastValue());
                } catch (const EAbort&) {
                    throw;
                } catch (const Exception& e) {
                    ImportErrorPromptGx(e, ignoreAll);
                }
            }
            reader.ReadValue();
        }
        ds.Post();
    }
}

// Reads a whole stream; the number of values read, or throws the format error.
int readAll(const std::string& bytes) {
    TMemoryStream in;
    if (!bytes.empty()) in.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
    in.SetPosition(0);
    TVCLDBIFReaderGx reader(&in);
    reader.ReadPrefix();
    int values = 0;
    while (!reader.Eof()) {
        ++values;
        reader.ReadValue();
    }
    return values;
}

std::string header(std::int32_t columns) {
    std::string h = "VCLDBIF";
    h.push_back('\x01');
    h.append(reinterpret_cast<const char*>(&columns), 4);
    for (int i = 0; i < columns; ++i) h.append("\x01\x00", 2);
    return h;
}

std::string int32(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

TEST(VCLDBIF, OneRecordGivesTheExactBytes) {
    TClientDataSet ds(nullptr);
    ds.FieldDefs()->Add("ID", ftInteger);
    ds.FieldDefs()->Add("Name", ftString, 20);
    ds.CreateDataSet();
    ds.AppendRecord({Variant(7), Variant("ab")});
    const std::string expected("VCLDBIF\x01\x02\x00\x00\x00\x01\x00\x01\x00"
                               "\x03\x07\x00\x00\x00"
                               "\x05\x02\x00\x00\x00"
                               "ab\x00",
                               29);
    EXPECT_EQ(exportAll(ds), expected);

    // Text goes in Windows-1251: seven letters, seven bytes.
    ds.Edit();
    ds.FieldByName("Name")->SetAsString("Отсадка");
    ds.Post();
    const std::string bytes = exportAll(ds);
    EXPECT_EQ(bytes.substr(21, 5), std::string("\x05\x07\x00\x00\x00", 5));
    EXPECT_EQ(bytes.substr(26, 7), Utf8ToCp1251("Отсадка"));
}

TEST(VCLDBIF, TypedValuesComeBackIntoTheirFields) {
    datatest::RussianLocale russian;
    auto define = [](TClientDataSet& ds) {
        ds.FieldDefs()->Add("I", ftInteger);
        ds.FieldDefs()->Add("S", ftSmallint);
        ds.FieldDefs()->Add("F", ftFloat);
        ds.FieldDefs()->Add("C", ftCurrency);
        ds.FieldDefs()->Add("D", ftDateTime);
        ds.FieldDefs()->Add("Day", ftDate);
        ds.FieldDefs()->Add("T", ftString, 30);
        ds.FieldDefs()->Add("W", ftWideString, 30);
        ds.FieldDefs()->Add("M", ftMemo);
        ds.FieldDefs()->Add("B", ftBlob);
        ds.FieldDefs()->Add("L", ftLargeint);
        ds.FieldDefs()->Add("Flag", ftBoolean);
        ds.CreateDataSet();
    };
    TClientDataSet src(nullptr), dst(nullptr);
    define(src);
    define(dst);
    std::string blob;
    for (int i = 0; i < 256; ++i) blob.push_back(static_cast<char>(i));
    const TDateTime moment = EncodeDate(2026, 12, 11) + EncodeTime(7, 30, 15, 0);
    src.AppendRecord({Variant(-123456), Variant(short(-7)), Variant(2.75), Variant(Currency(12.34)),
                      Variant::FromDateTime(moment), Null(), Variant("Отсадка №1"), Variant("Флотация"),
                      Variant("строка 1\r\nстрока 2"), Variant(AnsiString(blob)), Variant(9000000000LL), Variant(true)});
    src.AppendRecord({Null(), Null(), Null(), Null(), Null(), Variant::FromDateTime(EncodeDate(2008, 6, 10)), Null(),
                      Null(), Null(), Null(), Null(), Null()});
    importAppending(exportAll(src), dst);
    ASSERT_EQ(dst.RecordCount(), 2);
    for (int r = 0; r < 2; ++r) {
        src.SetRecNo(r + 1);
        dst.SetRecNo(r + 1);
        for (int i = 0; i < src.FieldCount(); ++i) {
            TField* a = src.Fields()->Fields(i);
            TField* b = dst.Fields()->Fields(i);
            EXPECT_EQ(a->IsNull(), b->IsNull()) << a->FieldName().str() << " row " << r;
            EXPECT_EQ(a->AsString(), b->AsString()) << a->FieldName().str() << " row " << r;
        }
    }
    dst.First();
    EXPECT_EQ(dst.FieldByName("D")->AsDateTime(), moment);  // the same day count
    EXPECT_EQ(dst.FieldByName("B")->AsString().str(), blob);
}

TEST(VCLDBIF, DamagedAndForeignStreamsAreTheFormatError) {
    const std::string good = header(2) + "\x03" + int32(7) + "\x05" + int32(2) + "ab" + std::string(1, '\0');
    ASSERT_EQ(readAll(good), 2);
    // Cut anywhere before the end tag.
    for (std::size_t n = 0; n < good.size(); ++n) {
        try {
            readAll(good.substr(0, n));
            ADD_FAILURE() << "cut at " << n << " read";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), kFormatError) << "cut at " << n;
        }
    }
    std::string foreign = good;
    foreign[3] = 'd';
    const std::string faults[] = {
        foreign,
        header(1) + "\x05" + int32(-1) + "ab" + std::string(1, '\0'),            // a length below 0
        header(1) + "\x06" + int32(0x7FFFFFFF) + "ab" + std::string(1, '\0'),    // more than is left
        header(1) + "\x05" + int32(3) + "ab" + std::string(1, '\0'),             // one more than is left
        header(0) + "\x03" + int32(7) + std::string(1, '\0'),                    // values without columns
        header(-3) + "\x02" + std::string(1, '\0'),
    };
    for (const std::string& f : faults) {
        try {
            readAll(f);
            ADD_FAILURE() << "read: " << f.size() << " bytes";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), kFormatError);
        }
    }
    // No columns and the end tag: nothing to import.
    EXPECT_EQ(readAll(header(0) + std::string(1, '\0')), 0);
    EXPECT_EQ(readAll(header(-1) + std::string(1, '\0')), 0);
    // A tag that is not defined is a value of its own, followed by nothing skipped.
    TMemoryStream in;
    const std::string odd = header(2) + "\x09\x03" + int32(5) + std::string(1, '\0');
    in.WriteBuffer(odd.data(), static_cast<long long>(odd.size()));
    in.SetPosition(0);
    TVCLDBIFReaderGx reader(&in);
    reader.ReadPrefix();
    EXPECT_TRUE(reader.LastValue().IsEmpty());
    reader.ReadValue();
    EXPECT_EQ(reader.LastValue().AsInteger(), 5);
    reader.ReadValue();
    EXPECT_TRUE(reader.Eof());
}

TEST(VCLDBIF, RandomStreamsEndWithoutCrashOrHang) {
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 64), columns(-2, 5);
    int errors = 0, clean = 0;
    for (int round = 0; round < 3000; ++round) {
        // Half with small, plausible column counts and tags, half wholly random.
        std::string s = round % 2 == 0 ? header(columns(random)) : std::string("VCLDBIF");
        const int n = length(random);
        for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(round % 4 == 0 ? byte(random) % 8 : byte(random)));
        try {
            // Each value takes at least its tag byte: never more values than bytes.
            EXPECT_LE(readAll(s), static_cast<int>(s.size()));
            ++clean;
        } catch (const Exception& e) {
            ASSERT_EQ(e.Message(), kFormatError);
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
    EXPECT_GT(clean, 0);
}

TEST(VCLDBIF, ARefusedValueAsksWhetherToGoOn) {
    guitest::EnsureApp();
    TClientDataSet ds(nullptr);
    ds.FieldDefs()->Add("N", ftInteger);
    ds.CreateDataSet();
    // Three rows of one text each; an integer field refuses "x".
    const std::string bytes = header(1) + "\x05" + int32(1) + "x" + "\x05" + int32(1) + "y" + "\x03" + int32(4) +
                              std::string(1, '\0');
    {
        guitest::MessageBoxRecorder boxes;
        boxes.Answer(mrYes);
        boxes.Answer(mrYes);
        importAppending(bytes, ds);
        ASSERT_EQ(boxes.Count(), 2);
        EXPECT_EQ(boxes.Last().DlgType, mtError);
        EXPECT_EQ(boxes.Last().Buttons, (std::vector<int>{mrYes, mrNo, mrAll}));
        EXPECT_EQ(boxes.Last().Text.str().rfind("Ошибка при вставки значения:\n", 0), 0u) << boxes.Last().Text.str();
        EXPECT_NE(boxes.Last().Text.str().find("\n\nИгнорировать ошибку?"), std::string::npos);
        EXPECT_EQ(ds.RecordCount(), 3);
    }
    {
        guitest::MessageBoxRecorder boxes;
        boxes.Answer(mrAll);
        importAppending(bytes, ds);
        EXPECT_EQ(boxes.Count(), 1);  // no more boxes after All
        EXPECT_EQ(ds.RecordCount(), 6);
    }
    {
        guitest::MessageBoxRecorder boxes;
        boxes.Answer(mrNo);
        EXPECT_THROW(importAppending(bytes, ds), EAbort);
        EXPECT_EQ(boxes.Count(), 1);
    }
}

}  // namespace
