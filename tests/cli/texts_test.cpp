// The texts of a file in kestrova-cli: legacy code pages shown in UTF-8 by
// list and check, found or named with --text-encoding; a merge that keeps
// them byte for byte; the file-info properties in list --json.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/code_pages.h"
#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

bool has(const std::string& out, const std::string& part)
{
    return out.find(part) != std::string::npos;
}

// A file's texts as its producer wrote them, and as they read.
struct CodePageCase {
    const char* encoding;
    ContentSpec utf8;
    const char* wrong;  // a code page that reads the bytes otherwise
};

const CodePageCase kCodePages[] = {
    {"GBK", {"月亮代表我的心", "邓丽君", "版权所有 2003", "经典老歌"}, "BIG5"},
    {"BIG5", {"月亮代表我的心", "鄧麗君", "版權所有 2003", "經典老歌"}, "GBK"},
    {"SHIFT_JIS", {"日本語のタイトル", "宇多田ヒカル", "著作権 2003", "テスト"}, "GBK"},
    {"WINDOWS-1251", {"Гимн России на РТР", "Александров", "©2003", "Музыка"}, "KOI8-R"},
    {"WINDOWS-1252", {"Ça va très bien", "Müller & Søn", "© 2003 “Éditions”", "Prix 5 €"}, "WINDOWS-1251"},
    {"UTF-8", {"Über 中文 Гимн", "宇多田ヒカル", "© 2003", "テスト"}, "WINDOWS-1252"},
};

ContentSpec inCodePage(const char* encoding, const ContentSpec& utf8)
{
    return {testing_rm::inCodePage(encoding, utf8.title), testing_rm::inCodePage(encoding, utf8.author),
            testing_rm::inCodePage(encoding, utf8.copyright), testing_rm::inCodePage(encoding, utf8.comment)};
}

FileSpec withTexts(const ContentSpec& content)
{
    FileSpec plan;
    plan.streams.resize(1);
    plan.content = content;
    plan.packets = {{0, 0, "a"}, {0, 100, "b"}};
    return plan;
}

std::string jsonTexts(const ContentSpec& c)
{
    return "\"title\": \"" + c.title + "\", \"author\": \"" + c.author + "\", \"copyright\": \"" + c.copyright
           + "\", \"comment\": \"" + c.comment + "\"";
}

std::string tableTexts(const ContentSpec& c)
{
    return "  Title: " + c.title + "\n  Author: " + c.author + "\n  Copyright: " + c.copyright + "\n  Comment: "
           + c.comment + "\n";
}

}  // namespace

TEST(CliTexts, EachCodePageReadsRightDetectedOrNamed)
{
    TempDir dir;
    for (const CodePageCase& c : kCodePages) {
        SCOPED_TRACE(c.encoding);
        const std::string path = dir.file(std::string(c.encoding) + ".rm");
        writeFileBytes(path, buildFile(withTexts(inCodePage(c.encoding, c.utf8))));

        const Outcome list = cli({"list", path});
        EXPECT_EQ(list.status, 0) << list.err;
        EXPECT_TRUE(has(list.out, path + "\n" + tableTexts(c.utf8) + "  0  ")) << list.out;
        const Outcome json = cli({"list", "--json", path});
        EXPECT_TRUE(has(json.out, jsonTexts(c.utf8))) << json.out;
        const Outcome check = cli({"check", "--json", path});
        EXPECT_TRUE(has(check.out, jsonTexts(c.utf8))) << check.out;

        // Named, in both spellings of the option, and for every command.
        const Outcome named = cli({"list", "--text-encoding", c.encoding, path});
        EXPECT_TRUE(has(named.out, tableTexts(c.utf8))) << named.out;
        const Outcome equals = cli({"check", std::string("--text-encoding=") + c.encoding, path});
        EXPECT_TRUE(has(equals.out, tableTexts(c.utf8))) << equals.out;
        // A code page that is not the file's is read as it is named.
        const Outcome wrong = cli({"list", "--json", "--text-encoding", c.wrong, path});
        EXPECT_EQ(wrong.status, 0);
        EXPECT_FALSE(has(wrong.out, "\"title\": \"" + std::string(c.utf8.title) + "\"")) << wrong.out;
    }
}

TEST(CliTexts, AMergeKeepsTheSourcesTextsByteForByteAndWritesGivenOnesInUtf8)
{
    TempDir dir;
    for (const CodePageCase& c : kCodePages) {
        SCOPED_TRACE(c.encoding);
        const ContentSpec stored = inCodePage(c.encoding, c.utf8);
        const std::string source = dir.file("source.rm");
        writeFileBytes(source, buildFile(withTexts(stored)));
        const std::string out = dir.file("out.rm");
        const Outcome kept = cli({"merge", "--quiet", "-o", out, source});
        ASSERT_EQ(kept.status, 0) << kept.err;
        const auto parsed = parseRm(readFileBytes(out));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->title, stored.title);
        EXPECT_EQ(parsed->author, stored.author);
        EXPECT_EQ(parsed->copyright, stored.copyright);
        EXPECT_EQ(parsed->comment, stored.comment);

        // Texts given on the command line are written as they are given:
        // in UTF-8.
        const Outcome given = cli({"merge", "--quiet", "-o", out, "--title", c.utf8.title, source});
        ASSERT_EQ(given.status, 0) << given.err;
        EXPECT_EQ(parseRm(readFileBytes(out))->title, c.utf8.title);
    }
}

TEST(CliTexts, TextsKeptBesideGivenOnesAreWrittenInUtf8Too)
{
    TempDir dir;
    const std::string out = dir.file("out.rm");
    for (const CodePageCase& c : kCodePages) {
        SCOPED_TRACE(c.encoding);
        const std::string source = dir.file("source.rm");
        writeFileBytes(source, buildFile(withTexts(inCodePage(c.encoding, c.utf8))));
        // Detected, or named.
        for (const std::vector<std::string>& named : {std::vector<std::string>{},
                                                      std::vector<std::string>{"--text-encoding", c.encoding}}) {
            std::vector<std::string> args = {"merge", "--quiet", "-o", out, "--author", "Ünïcode"};
            args.insert(args.end(), named.begin(), named.end());
            args.push_back(source);
            const Outcome o = cli(args);
            ASSERT_EQ(o.status, 0) << o.err;
            const auto parsed = parseRm(readFileBytes(out));
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->title, c.utf8.title);
            EXPECT_EQ(parsed->author, "Ünïcode");
            EXPECT_EQ(parsed->copyright, c.utf8.copyright);
            EXPECT_EQ(parsed->comment, c.utf8.comment);
        }
    }

    // A kept text that UTF-8 makes longer than the output holds fails the
    // merge, and nothing is written.
    const std::string wide = dir.file("wide.rm");
    writeFileBytes(wide, buildFile(withTexts({inCodePage("WINDOWS-1251", std::string(100, 'x') + "Гимн России на РТР Гимн России на РТР Гимн России на РТР Гимн России на РТР Гимн России"), "", "", ""})));
    const std::string refused = dir.file("refused.rm");
    const Outcome o = cli({"merge", "--quiet", "-o", refused, "--author", "A", "--text-encoding", "CP1251", wide});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(has(o.err, "The title kept from the sources is ")) << o.err;
    EXPECT_TRUE(has(o.err, "give the title too")) << o.err;
    EXPECT_FALSE(std::filesystem::exists(refused));
    // Given, it is written.
    EXPECT_EQ(cli({"merge", "--quiet", "-o", refused, "--author", "A", "--title", "T", wide}).status, 0);
}

TEST(CliTexts, TheRealWindows1251TitleReads)
{
    const std::string path = realFile("rv30_cook_armexport60.rm");
    const std::string title = "Гимн России на РТР";
    const Outcome list = cli({"list", path});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(has(list.out, path + "\n  Title: " + title + "\n  Copyright: ©2003\n  0  audio")) << list.out;
    const Outcome json = cli({"list", "--json", path});
    EXPECT_TRUE(has(json.out, "\"title\": \"" + title + "\", \"author\": \"\", \"copyright\": \"©2003\"")) << json.out;
    const Outcome check = cli({"check", path});
    EXPECT_TRUE(has(check.out, "  Title: " + title + "\n")) << check.out;
    // Named as Windows-1252, it reads as every program did before.
    const Outcome western = cli({"list", "--text-encoding", "WINDOWS-1252", path});
    EXPECT_TRUE(has(western.out, "  Title: Ãèìí Ðîññèè íà ÐÒÐ\n")) << western.out;
}

TEST(CliTexts, JsonCarriesTheFileInfoProperties)
{
    // As a real producer wrote them: texts as strings, numbers as numbers.
    const Outcome real = cli({"list", "--json", realFile("rv30_cook_armexport60.rm")});
    EXPECT_TRUE(has(real.out, "\"properties\": {\"Indexable\": 1, \"Target Audiences\": \"384K DSL/Cable Modem (350 Kbps);\", "
                              "\"Audio Format\": \"Music\", \"Video Quality\": \"Slide Show\", "
                              "\"Creation Date\": \"10/24/2003 5:31:08\", \"Modification Date\": \"10/24/2003 5:31:08\", "
                              "\"Generated By\": \"Advanced RealMedia Export 6.0.7.670 Windows\", "))
        << real.out;

    // In the file's code page, found from all of its texts together; a
    // buffer left out; a name given twice keeps its last value.
    TempDir dir;
    FileSpec plan = withTexts({"", "", "", ""});
    plan.streams.resize(2);
    plan.streams[1].number = 1;
    plan.streams[1].mime = "logical-fileinfo";
    plan.streams[1].duration = 0;
    plan.streams[1].typeSpecific = fileInfoData({
        fileInfoProperty("Title", 2, inCodePage("GBK", "月亮代表我的心") + '\0'),
        fileInfoProperty("Author", 2, inCodePage("GBK", "邓丽君") + '\0'),
        fileInfoProperty("Blob", 1, "\x01\x02"),
        fileInfoProperty("Rating", 0, be32(3)),
        fileInfoProperty("Rating", 0, be32(4)),
    });
    const std::string path = dir.file("props.rm");
    writeFileBytes(path, buildFile(plan));
    const Outcome o = cli({"list", "--json", path});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(has(o.out, "\"properties\": {\"Title\": \"月亮代表我的心\", \"Author\": \"邓丽君\", \"Rating\": 4}")) << o.out;
    // A file without a logical-fileinfo stream has none.
    const Outcome none = cli({"list", "--json", dataFile("video_rv10.rm")});
    EXPECT_TRUE(has(none.out, "\"properties\": {}")) << none.out;
}

TEST(CliTexts, AnUnknownOrMissingCodePageIsBadUsage)
{
    const std::string path = realFile("rv30_cook_armexport60.rm");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"list", "--text-encoding", "KLINGON", path}, "unknown text encoding \"KLINGON\""},
        {{"check", "--text-encoding=", path}, "unknown text encoding \"\""},
        {{"list", "--json", path, "--text-encoding"}, "--text-encoding needs a NAME"},
        {{"merge", "-o", "/nonexistent/out.rm", "--text-encoding", "KLINGON", path}, "unknown text encoding \"KLINGON\""},
    };
    for (const Case& c : cases) {
        const Outcome o = cli(c.args);
        EXPECT_EQ(o.status, 2) << c.args[1];
        EXPECT_TRUE(has(o.err, c.message)) << o.err;
        EXPECT_EQ(o.out, "");
    }
}
