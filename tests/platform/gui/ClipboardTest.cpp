// The clipboard: text and byte formats registered by name, placed together, read back exactly.
#include "gui/Clipbrd.h"
#include "testlib/gui/GuiHarness.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// The bytes of a literal, NUL bytes inside included; withNul keeps its terminating NUL as well.
template <std::size_t N>
std::string bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}
template <std::size_t N>
std::string withNul(const char (&s)[N]) {
    return std::string(s, N);
}

std::set<TClipboardFormat> heldFormats() {
    std::set<TClipboardFormat> s;
    for (int i = 0; i < Clipboard()->FormatCount(); ++i) s.insert(Clipboard()->Formats(i));
    return s;
}

// What another program would read: the toolkit's clipboard itself.
QString systemText() { return QGuiApplication::clipboard()->text(); }

struct Placed {
    TClipboardFormat format;
    std::string data;
};

TEST(Clipboard, TextAndNamedByteFormatsPlacedInOneStepReadBackByteExact) {
    guitest::EnsureApp();
    const TClipboardFormat csv = RegisterClipboardFormat("Csv");
    const TClipboardFormat rtf = RegisterClipboardFormat("Rich Text Format");
    const TClipboardFormat binary = RegisterClipboardFormat("application/x-vcldbif");
    const TClipboardFormat textCsv = RegisterClipboardFormat("text/csv");
    const AnsiString text = "Марка\tЗола\r\nЖ\t12,5";
    const std::vector<Placed> formats = {
        // Text exports end with a NUL byte, which must survive.
        {csv, withNul("\"Марка\";\"Зола\"\r\n\"Ж\";\"12,5\"")},
        {rtf, withNul("{\\rtf1\\ansi \\'c6}")},
        // Binary values: NUL bytes inside, bytes above 127 that are no UTF-8.
        {binary, bytes("VD\0\x01\xff\xfe\x80\0\0z")},
        // For other programs: the same CSV without the terminator.
        {textCsv, bytes("\"Марка\";\"Зола\"\r\n\"Ж\";\"12,5\"")},
    };
    EXPECT_EQ(csv, RegisterClipboardFormat("Csv"));
    EXPECT_EQ(GetClipboardFormatName(rtf), "Rich Text Format");
    EXPECT_GE(csv, 0xC000u);

    Clipboard()->SetAsText("прежний текст");
    Clipboard()->Open();
    Clipboard()->SetAsText(text);
    for (const Placed& p : formats) Clipboard()->SetAsBytes(p.format, p.data);
    // Nothing has reached the clipboard yet; what was placed reads back already.
    EXPECT_EQ(systemText(), QString::fromUtf8("прежний текст"));
    EXPECT_EQ(Clipboard()->AsText(), text);
    Clipboard()->Close();

    EXPECT_EQ(systemText(), QString::fromUtf8(text.c_str()));
    EXPECT_EQ(Clipboard()->AsText(), text);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
    for (const Placed& p : formats) {
        SCOPED_TRACE(GetClipboardFormatName(p.format).str());
        EXPECT_TRUE(Clipboard()->HasFormat(p.format));
        EXPECT_EQ(Clipboard()->AsBytes(p.format), p.data);
        // Other programs find the bytes under the format's name.
        QByteArray seen = QGuiApplication::clipboard()->mimeData()->data(QString::fromUtf8(GetClipboardFormatName(p.format).c_str()));
        EXPECT_EQ(std::string(seen.constData(), static_cast<std::size_t>(seen.size())), p.data);
    }
    EXPECT_EQ(heldFormats(), (std::set<TClipboardFormat>{CF_TEXT, CF_UNICODETEXT, csv, rtf, binary, textCsv}));

    // Placing one format on its own replaces all of them.
    Clipboard()->SetAsBytes(binary, formats[2].data);
    EXPECT_EQ(heldFormats(), (std::set<TClipboardFormat>{binary}));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), "");
    EXPECT_EQ(Clipboard()->AsBytes(csv), "");

    // A picture alone is no text.
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_FALSE(Clipboard()->HasFormat(binary));

    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
    EXPECT_THROW(Clipboard()->SetAsBytes(0xFFF0u, "x"), Exception);
}

// A stream's bytes taken over: the clipboard serves them to this program and to others, the stream
// is left empty, and a second format may see the same bytes without the last.
TEST(Clipboard, TakenStreamBytesReadBackAndLeaveTheStreamEmpty) {
    guitest::EnsureApp();
    const TClipboardFormat csv = RegisterClipboardFormat("Csv");
    const TClipboardFormat textCsv = RegisterClipboardFormat("text/csv");
    const TClipboardFormat binary = RegisterClipboardFormat("application/x-vcldbif");
    auto streamOf = [](const std::string& data, TMemoryStream& s) {
        s.WriteBuffer(data.data(), static_cast<long long>(data.size()));
    };
    TMemoryStream text, terminated, raw, empty;
    streamOf("Зола\t12,5\r\nЁ", text);
    streamOf(withNul("\"Ж\";\"12,5\""), terminated);
    streamOf(bytes("V\0\xff\x80"), raw);

    Clipboard()->Open();
    Clipboard()->Clear();
    Clipboard()->TakeAsBytes(CF_TEXT, text);
    Clipboard()->TakeAsBytes(csv, terminated, textCsv);
    Clipboard()->TakeAsBytes(binary, raw);
    Clipboard()->Close();
    for (TMemoryStream* s : {&text, &terminated, &raw}) {
        EXPECT_EQ(s->Size(), 0);
        EXPECT_EQ(s->Memory(), nullptr);
    }
    EXPECT_EQ(Clipboard()->AsText(), "Зола\t12,5\r\nЁ");
    EXPECT_EQ(systemText(), QString::fromUtf8("Зола\t12,5\r\nЁ"));
    EXPECT_EQ(Clipboard()->AsBytes(csv), withNul("\"Ж\";\"12,5\""));
    EXPECT_EQ(Clipboard()->AsBytes(textCsv), bytes("\"Ж\";\"12,5\""));
    EXPECT_EQ(Clipboard()->AsBytes(binary), bytes("V\0\xff\x80"));
    const QByteArray seen = QGuiApplication::clipboard()->mimeData()->data("text/csv");
    EXPECT_EQ(std::string(seen.constData(), static_cast<std::size_t>(seen.size())), bytes("\"Ж\";\"12,5\""));
    EXPECT_EQ(heldFormats(), (std::set<TClipboardFormat>{CF_TEXT, CF_UNICODETEXT, csv, textCsv, binary}));

    // An empty stream places an empty format; its shorter twin is empty as well.
    Clipboard()->TakeAsBytes(csv, empty, textCsv);
    EXPECT_TRUE(Clipboard()->HasFormat(csv));
    EXPECT_EQ(Clipboard()->AsBytes(csv), "");
    EXPECT_EQ(Clipboard()->AsBytes(textCsv), "");
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));

    // The stream still works after giving its memory away.
    streamOf("снова", text);
    EXPECT_EQ(text.Size(), static_cast<long long>(std::string("снова").size()));
    TMemoryStream unknown;
    EXPECT_THROW(Clipboard()->TakeAsBytes(0xFFF0u, unknown), Exception);
}

TEST(Clipboard, OpenAndCloseNestAndClearEmptiesAtTheLastClose) {
    guitest::EnsureApp();
    const TClipboardFormat csv = RegisterClipboardFormat("Csv");
    Clipboard()->SetAsText("было");

    Clipboard()->Open();
    Clipboard()->Open();
    Clipboard()->SetAsBytes(csv, std::string("a\0", 2));
    Clipboard()->Close();
    EXPECT_EQ(systemText(), QString::fromUtf8("было"));  // still inside the outer Open
    Clipboard()->Close();
    EXPECT_EQ(Clipboard()->AsBytes(csv), std::string("a\0", 2));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));

    // An Open without anything placed leaves the clipboard as it was.
    Clipboard()->Open();
    Clipboard()->Close();
    EXPECT_TRUE(Clipboard()->HasFormat(csv));

    Clipboard()->Open();
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(csv));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("Csv"));
    Clipboard()->Close();
    EXPECT_EQ(Clipboard()->FormatCount(), 0);
}

}  // namespace
