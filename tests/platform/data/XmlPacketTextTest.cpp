// The text of a client dataset's XML file: what its encoding and its character references may hold.
// A file that cannot be text as it says is refused with a clear error, never stored as it came.
#include "data/DBClient.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A packet of one string column A and one row whose A is value (as written in the file).
std::string Packet(const std::string& declaration, const std::string& value) {
    return declaration +
           "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"50\"/>"
           "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW A=\"" +
           value + "\"/></ROWDATA></DATAPACKET>";
}

const std::string kUtf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
const std::string kCp1251Decl = "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"yes\"?>";
const std::string kBom = "\xEF\xBB\xBF";

TEST(XmlPacketText, EncodingsAndCharacterReferences) {
    struct Case {
        const char* what;
        std::string file;
        bool reads;
        std::string value;  // A of the row, UTF-8
    } cases[] = {
        {"UTF-8 as declared", Packet(kUtf8Decl, "Смена"), true, "Смена"},
        {"UTF-8 with its mark", kBom + Packet("", "Смена"), true, "Смена"},
        {"Windows-1251 as declared", Packet(kCp1251Decl, "\xD1\xEC\xE5\xED\xE0"), true, "Смена"},
        {"an old file without a declaration", Packet("", "\xD1\xEC\xE5\xED\xE0"), true, "Смена"},
        {"references to characters", Packet(kUtf8Decl, "&#1057;&#x43c;&#9;&#x10FFFF;&#1;"), true,
         "См\t\xF4\x8F\xBF\xBF\x01"},
        {"declared UTF-8 that is not", Packet(kUtf8Decl, "\xD1\xEC\xE5\xED\xE0"), false, ""},
        {"a mark before what is not UTF-8", kBom + Packet("", "\xD1\xEC"), false, ""},
        {"a stray continuation byte", Packet(kUtf8Decl, "a\x80z"), false, ""},
        {"an encoded surrogate", Packet(kUtf8Decl, "\xED\xA0\x80"), false, ""},
        {"an overlong form", Packet(kUtf8Decl, "\xC0\xAF"), false, ""},
        {"a reference to a surrogate", Packet(kUtf8Decl, "&#xD800;"), false, ""},
        {"a reference to NUL", Packet(kUtf8Decl, "&#0;"), false, ""},
        {"a reference beyond Unicode", Packet(kUtf8Decl, "&#x110000;"), false, ""},
        {"a reference far beyond", Packet(kUtf8Decl, "&#99999999999999999999;"), false, ""},
        {"a reference without digits", Packet(kUtf8Decl, "&#x;"), false, ""},
        {"a reference with a letter", Packet(kUtf8Decl, "&#12a;"), false, ""},
    };
    for (const Case& c : cases) {
        TDataPacket packet;
        if (!c.reads) {
            try {
                ReadXmlDataPacket(c.file, packet);
                ADD_FAILURE() << c.what << ": read";
            } catch (const EDatabaseError& e) {
                EXPECT_NE(e.Message().Pos("data packet"), 0) << c.what << ": " << e.Message();
            }
            continue;
        }
        ASSERT_NO_THROW(ReadXmlDataPacket(c.file, packet)) << c.what;
        ASSERT_EQ(packet.Records.size(), 1u) << c.what;
        EXPECT_EQ(std::string(packet.Records[0]->Bytes(0)), c.value) << c.what;
    }
}

}  // namespace
