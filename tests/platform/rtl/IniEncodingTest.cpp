// How an INI file's bytes are read (UTF-8 with or without a byte-order mark, the plant's old
// Windows-1251 files, and a mark in front of Windows-1251 text), and key lookup in a section of many
// keys.
#include "rtl/IniFiles.h"

#include "RtlTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testlib::TempDir;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
// [Пост] Имя=Флотация, in each encoding.
const std::string kUtf8 = "[Пост]\r\nИмя=Флотация\r\n";
const std::string kCp1251 = "[\xCF\xEE\xF1\xF2]\r\n\xC8\xEC\xFF=\xD4\xEB\xEE\xF2\xE0\xF6\xE8\xFF\r\n";

TEST(IniEncoding, EveryFormOfTheFileReadsTheSameText) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* value;  // of [Пост] Имя
    } cases[] = {
        {"UTF-8", kUtf8, "Флотация"},
        {"UTF-8 with its mark", kBom + kUtf8, "Флотация"},
        {"Windows-1251", kCp1251, "Флотация"},
        {"a mark in front of Windows-1251", kBom + kCp1251, "Флотация"},
        {"a mark in front of text that is partly UTF-8", kBom + "[a]\r\nx=\xD0\xAF\r\n" + kCp1251, "Флотация"},
        {"the mark alone", kBom, ""},
        {"nothing", "", ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir / "x.ini";
        testlib::WriteFile(path, c.bytes);
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadString("Пост", "Имя", "").str(), c.value) << c.what;
        TMemIniFile mem(path);
        EXPECT_EQ(mem.ReadString("пост", "ИМЯ", "").str(), c.value) << c.what;
    }
}

TEST(IniEncoding, KeysOfALongSectionAreFoundByNameWithoutRegardToCase) {
    TempDir dir;
    const std::string path = dir / "long.ini";
    constexpr int kKeys = 20000;
    std::string text = "[Первая]\r\nk0=a\r\n[Точки]\r\n";
    for (int i = 0; i < kKeys; ++i) text += "Точка" + std::to_string(i) + "=" + std::to_string(i * 2) + "\r\n";
    text += "Ёлка=1\r\nЕлка=2\r\n[Последняя]\r\nk0=z\r\n";
    testlib::WriteFile(path, text);
    TMemIniFile ini(path);
    struct Case {
        const char* section;
        std::string key;
        const char* value;
    } cases[] = {
        {"Точки", "Точка0", "0"},
        {"ТОЧКИ", "точка19999", "39998"},
        {"точки", "ТОЧКА10000", "20000"},
        {"Точки", "ёЛКА", "1"},  // ё is not е
        {"Точки", "елка", "2"},
        {"Точки", "Точка20000", "-"},
        {"Точки", "k0", "-"},      // another section's key
        {"Последняя", "K0", "z"},
    };
    for (const Case& c : cases) EXPECT_EQ(ini.ReadString(c.section, c.key, "-").str(), c.value) << c.section << " " << c.key;
    TStringList keys;
    ini.ReadSection("Точки", &keys);
    EXPECT_EQ(keys.Count(), kKeys + 2);
}

}  // namespace
