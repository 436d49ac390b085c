// kestrova-cli check over folders: which files a walk takes, one JSON line
// per file with its verdict and a summary, the exit status, and reports in
// the order the files were given whatever the number of jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

std::string soundFile(uint32_t packets)
{
    FileSpec plan;
    plan.streams = {{.number = 0}};
    for (uint32_t k = 0; k < packets; ++k)
        plan.packets.push_back({.number = 0, .timestamp = k * 20, .flags = 2});
    return buildFile(plan);
}

struct CheckCollection : ::testing::Test {
    TempDir dir;

    std::string put(const std::string& relative, const std::string& bytes)
    {
        const std::filesystem::path path = dir.path() / relative;
        std::filesystem::create_directories(path.parent_path());
        writeFileBytes(path.string(), bytes);
        return path.string();
    }
};

}  // namespace

TEST_F(CheckCollection, JsonLinesGiveOneLinePerFileWithItsVerdict)
{
    const std::string sound = soundFile(4);
    const std::string good = put("archive/good.rm", sound);
    const std::string upper = put("archive/deep/er/LOUD.RMVB", sound);
    const std::string damaged = put("archive/deep/cut.Ra", sound.substr(0, sound.size() - 30));
    const std::string fake = put("archive/fake.rm", "not RealMedia at all");
    put("archive/notes.txt", "skipped");
    put("archive/deep/cover.jpg", "skipped too");
    put("archive/deep/rm", "no extension: skipped");

    for (const char* jobs : {"1", "2", "8"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        const Outcome o = cli({"check", "--json-lines", "-r", "--jobs", jobs, (dir.path() / "archive").string()});
        EXPECT_EQ(o.status, 1) << o.err;
        std::vector<std::string> got = lines(o.out);
        ASSERT_EQ(got.size(), 5u) << o.out;
        EXPECT_EQ(got.back(), "{\"summary\": {\"files\": 4, \"sound\": 2, \"problems\": 1, \"refused\": 1, "
                              "\"cannot_open\": 0, \"skipped\": 3, \"errors\": 0}}");
        got.pop_back();
        // Lines come as files finish; each names its file and verdict.
        std::sort(got.begin(), got.end());
        const auto lineOf = [&](const std::string& path) {
            const auto it = std::find_if(got.begin(), got.end(), [&](const std::string& line) {
                return line.rfind("{\"path\": \"" + path + "\", ", 0) == 0;
            });
            return it == got.end() ? std::string() : *it;
        };
        const std::pair<std::string, std::string> expected[] = {
            {good, "sound"}, {upper, "sound"}, {damaged, "problems"}, {fake, "refused"}};
        for (const auto& [path, verdict] : expected) {
            const std::string line = lineOf(path);
            EXPECT_NE(line.find("\"verdict\": \"" + verdict + "\"}"), std::string::npos) << path << ": " << line;
        }
        EXPECT_NE(lineOf(damaged).find("\"kind\": \"cut_packet\""), std::string::npos);
        EXPECT_NE(lineOf(good).find("\"size\": " + std::to_string(sound.size()) + ", "), std::string::npos);
        EXPECT_NE(lineOf(good).find("\"streams\": [{\"number\": 0"), std::string::npos);
    }
}

TEST_F(CheckCollection, ExitStatusFollowsTheWorstFile)
{
    const std::string sound = soundFile(3);
    put("good/a.rm", sound);
    put("good/b/c.rmvb", sound);
    put("good/b/readme.txt", "x");
    EXPECT_EQ(cli({"check", "-r", (dir.path() / "good").string()}).status, 0);

    // A folder is only walked with -r.
    const Outcome plain = cli({"check", (dir.path() / "good").string()});
    EXPECT_EQ(plain.status, 2);
    EXPECT_NE(plain.err.find("is a folder; check -r checks the RealMedia files in it"), std::string::npos) << plain.err;

    put("good/b/broken.rm", sound.substr(0, 40));
    EXPECT_EQ(cli({"check", "-r", (dir.path() / "good").string()}).status, 1);
    EXPECT_EQ(cli({"check", "--jobs", "0", (dir.path() / "good").string()}).status, 2);
    EXPECT_EQ(cli({"check", "--json", "--json-lines", (dir.path() / "good").string()}).status, 2);
}

TEST_F(CheckCollection, ReportsKeepTheOrderGivenWhateverTheJobs)
{
    // Files of very different sizes finish out of order on several jobs.
    std::vector<std::string> files;
    for (int k = 0; k < 12; ++k)
        files.push_back(put("f" + std::to_string(k) + ".rm", soundFile(k % 3 == 0 ? 3000 : 2)));
    std::vector<std::string> one = {"check"};
    one.insert(one.end(), files.begin(), files.end());
    std::vector<std::string> many = one;
    many.insert(many.begin() + 1, {"--jobs", "4"});
    const Outcome a = cli(one), b = cli(many);
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_LT(a.out.find(files[0] + ":"), a.out.find(files[1] + ":"));

    // The walk's report ends with what it counted.
    put("skip.me", "x");
    const Outcome walked = cli({"check", "-r", "--jobs", "3", dir.path().string()});
    EXPECT_EQ(lines(walked.out).back(),
              "12 files checked: 12 sound, 0 with problems, 0 refused, 0 not opened; 1 file skipped (not named .rm, "
              ".rmvb or .ra)");
}
