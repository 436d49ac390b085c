// The code page of a file's texts: UTF-8 kept as it is, the legacy code
// pages found and converted, and bytes no code page holds marked.
#include <gtest/gtest.h>

#include "support/code_pages.h"
#include "text/source_texts.h"
#include "text/text_encoding.h"

namespace {

std::string in(const std::string& encoding, const std::string& utf8)
{
    return testing_rm::inCodePage(encoding, utf8);
}

const std::string kReplacement = "\xEF\xBF\xBD";

}  // namespace

TEST(TextEncoding, Utf8IsTakenOnlyWhenEverySequenceIsWhole)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x8E\xB5", true},
        {"caf\xE9", false},                 // Latin-1
        {"\xC3", false},                    // cut short
        {"\xC0\xAF", false},                // overlong
        {"\xE0\x80\xAF", false},            // overlong
        {"\xED\xA0\x80", false},            // a surrogate
        {"\xF4\x90\x80\x80", false},        // past U+10FFFF
        {in("GBK", "月亮代表我的心"), false},
    };
    for (const auto& [bytes, utf8] : cases)
        EXPECT_EQ(text::IsUtf8(bytes), utf8) << bytes;
}

TEST(TextEncoding, NamesAreThoseIconvKnows)
{
    for (const char* name : {"GBK", "gb18030", "BIG5", "SHIFT_JIS", "CP932", "WINDOWS-1251", "windows-1252", "UTF-8"})
        EXPECT_TRUE(text::IsKnownEncoding(name)) << name;
    for (const char* name : {"", "FOO", "WINDOWS-9999", "ISO-8859-99"})
        EXPECT_FALSE(text::IsKnownEncoding(name)) << name;
}

TEST(TextEncoding, BytesACodePageDoesNotHoldAreMarkedNotDropped)
{
    // 0x81 has no character in Windows-1252; GBK's lead byte 0xD6 is cut short.
    EXPECT_EQ(text::ToUtf8("a\x81z", "WINDOWS-1252"), "a" + kReplacement + "z");
    EXPECT_EQ(text::ToUtf8(in("GBK", "中") + "\xD6", "GBK"), "中" + kReplacement);
    EXPECT_EQ(text::ToUtf8("\x80 5", "WINDOWS-1252"), "€ 5");
    // Texts far longer than the conversion's buffer come through whole.
    const std::string many(5000, '\xE9');
    std::string expected;
    for (int k = 0; k < 5000; ++k)
        expected += "é";
    EXPECT_EQ(text::ToUtf8(many, "WINDOWS-1252"), expected);
}

TEST(TextEncoding, EachTextInUtf8StaysAndTheOthersShareOneCodePage)
{
    // A title tagged anew in UTF-8 beside a copyright the producer wrote in
    // Windows-1251: neither is read in the other's code page.
    std::string title = "Гимн России";
    std::string author = in("WINDOWS-1251", "Иван Петров, Александр Александров");
    std::string copyright = in("WINDOWS-1251", "©2003 Всероссийская государственная телерадиокомпания");
    std::string plain = "Music";
    EXPECT_EQ(text::ShowAsUtf8({&title, &author, &copyright, &plain}), "WINDOWS-1251");
    EXPECT_EQ(title, "Гимн России");
    EXPECT_EQ(author, "Иван Петров, Александр Александров");
    EXPECT_EQ(copyright, "©2003 Всероссийская государственная телерадиокомпания");
    EXPECT_EQ(plain, "Music");

    // Given a code page, every text is read in it, UTF-8 or not.
    std::string utf8 = "\xC3\xA9";
    EXPECT_EQ(text::ShowAsUtf8({&utf8}, "WINDOWS-1252"), "WINDOWS-1252");
    EXPECT_EQ(utf8, "Ã©");

    // A few Spanish or German words, which uchardet takes for a Nordic or
    // Maltese code page, are Western European.
    for (const char* western : {"Año nuevo en España", "Müller", "Grüße aus Köln", "Smörgåsbord på svenska"}) {
        std::string t = in("WINDOWS-1252", western);
        text::ShowAsUtf8({&t});
        EXPECT_EQ(t, western);
    }

    // Nothing found (a lone byte says nothing): Windows-1252.
    std::string lone = "\x93quoted\x94";
    EXPECT_EQ(text::ShowAsUtf8({&lone}), text::kFallbackEncoding);
    EXPECT_EQ(lone, "“quoted”");
}

TEST(TextEncoding, PropertiesAreReadInTheFilesCodePage)
{
    FileTexts texts;
    texts.title = in("SHIFT_JIS", "日本語のタイトル");
    texts.properties = {{in("SHIFT_JIS", "作成者"), rm::kPropertyText, in("SHIFT_JIS", "宇多田ヒカル")},
                        {"Indexable", rm::kPropertyNumber, std::string("\0\0\0\1", 4)}};
    text::ShowTextsAsUtf8(texts);
    EXPECT_EQ(texts.title, "日本語のタイトル");
    EXPECT_EQ(texts.properties[0].name, "作成者");
    EXPECT_EQ(texts.properties[0].value, "宇多田ヒカル");
    // A number's bytes are no text.
    EXPECT_EQ(texts.properties[1].value, std::string("\0\0\0\1", 4));
}
