// The repair offer on Add: a damaged file whose header section is intact is
// offered for repair; Yes writes a repaired copy under the name the user
// chooses and lists it, No changes nothing.
#include <filesystem>
#include <QWidget>

#include "main_dialog.h"
#include "support/process.h"

using testing_rm::readFileBytes;

namespace {

struct Damage {
    const char* name;
    std::string source;  // the whole file the damaged copy is made of
    bool refused;        // whether Add refuses the damaged copy as it is
    // Damages the bytes; returns how many whole packets survive the damage.
    std::function<std::size_t(std::string& bytes, const testing_rm::ParsedFile& parsed)> damage;
};

void PrintTo(const Damage& c, std::ostream* os)
{
    *os << c.name;
}

// The id of the data chunk overwritten: its packets are whole, but the
// header section no longer leads to them.
std::size_t OverwriteDataId(std::string& bytes, const testing_rm::ParsedFile& parsed)
{
    bytes.replace(parsed.dataOffset, 4, "JUNK");
    return parsed.packets.size();
}

// Three packets in the middle zeroed: a merge stops reading there.
std::size_t ZeroThreePackets(std::string& bytes, const testing_rm::ParsedFile& parsed)
{
    const std::size_t middle = parsed.packets.size() / 2;
    const uint64_t from = parsed.packets[middle].offset;
    const uint64_t to = parsed.packets[middle + 3].offset;
    bytes.replace(from, to - from, std::string(to - from, '\0'));
    return parsed.packets.size() - 3;
}

const std::string kRealFile = "/work/shared/corpus/real/rv30_cook_armexport60.rm";

std::vector<Damage> Damages()
{
    return {{"DataIdOverwritten", testing_rm::dataFile("video_rv20_ac3.rm"), true, OverwriteDataId},
            {"ZeroedPackets", testing_rm::dataFile("video_rv20_ac3.rm"), false, ZeroThreePackets},
            {"RealFileZeroedPackets", kRealFile, false, ZeroThreePackets}};
}

class RepairOffer : public MainDialogTest, public testing::WithParamInterface<Damage> {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(GetParam().source))
            GTEST_SKIP() << GetParam().source << " is not here";
        std::string bytes = readFileBytes(GetParam().source);
        const auto parsed = testing_rm::parseSource(bytes);
        ASSERT_TRUE(parsed);
        surviving = GetParam().damage(bytes, *parsed);
        testing_rm::writeFileBytes(damaged, bytes);
        damagedBytes = bytes;
    }

    // The question asked, as the user saw it.
    void ExpectQuestion(const MessageBoxRequest& question) const
    {
        EXPECT_EQ(question.text.rfind(damaged + " is damaged: ", 0), 0u) << question.text;
        const std::string ending = ". Repair a copy?";
        EXPECT_TRUE(question.text.size() > ending.size()
                    && question.text.compare(question.text.size() - ending.size(), ending.size(), ending) == 0)
            << question.text;
        EXPECT_EQ(question.type, MB_YESNO | MB_ICONQUESTION);
    }

    const std::string damaged = dir.file("damaged.rm");
    const std::string copy = dir.file("damaged (repaired).rm");
    std::string damagedBytes;
    std::size_t surviving = 0;
};

TEST_P(RepairOffer, YesListsTheRepairedCopyUnderTheNameChosen)
{
    Show([this](CMuxDlg& d) {
        script.ChooseFile(damaged);  // in the open dialog of Add
        script.AnswerQuestion(IDYES);
        script.ChooseFile(copy);
        script.OnNextModal([](CDialog& progress) { EXPECT_EQ(progress.GetSafeHwnd()->windowTitle(), "Progress"); });
        script.AnswerQuestion(IDYES);  // the whole report
        Press(d, IDC_ADD);
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(d.m_tree.GetItemText(files[0]), copy);
        EXPECT_FALSE(Streams(d.m_tree, files[0]).empty());
        // The copy's tip ends with what the repair did.
        const std::string tip = TipOf(d.m_tree, files[0]);
        EXPECT_NE(tip.find("\nRepaired: "), std::string::npos) << tip;
    });
    ASSERT_EQ(script.messages.size(), 3u);
    ExpectQuestion(script.messages[0]);
    // What the repair did, then the whole report: the summary, then a line for each stream.
    EXPECT_EQ(script.messages[1].text.rfind(damaged + " was repaired into " + copy + ": ", 0), 0u);
    EXPECT_EQ(script.messages[2].caption, "Repair report");
    EXPECT_NE(script.messages[2].text.find("\nStream 0: "), std::string::npos) << script.messages[2].text;
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_FALSE(script.fileDialogs[1].open);
    EXPECT_EQ(script.fileDialogs[1].title, "Save the Repaired Copy As");
    EXPECT_EQ(script.fileDialogs[1].fileName, copy);  // offered beside the original
    EXPECT_EQ(script.fileDialogs[1].flags, OFN_OVERWRITEPROMPT);

    // Every packet outside the damage is in the copy, which check finds sound.
    std::string error;
    const auto repaired = testing_rm::parseRm(readFileBytes(copy), &error);
    ASSERT_TRUE(repaired) << error;
    EXPECT_EQ(repaired->packets.size(), surviving);
    const auto check = testing_rm::run({KESTROVA_CLI, "check", copy});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(readFileBytes(damaged), damagedBytes);
}

TEST_P(RepairOffer, NoChangesNothing)
{
    Show([this](CMuxDlg& d) {
        script.AnswerQuestion(IDNO);
        Add(d, damaged);
        // A file that can be read as it is is listed as it is.
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), GetParam().refused ? 0u : 1u);
        if (!files.empty()) {
            EXPECT_EQ(d.m_tree.GetItemText(files[0]), damaged);
        }
    });
    ASSERT_EQ(script.messages.size(), 1u);
    ExpectQuestion(script.messages[0]);
    EXPECT_EQ(script.fileDialogs.size(), 1u);  // the Add only
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"damaged.rm"});
}

TEST_P(RepairOffer, ACancelledRepairLeavesTheDiskAsItWas)
{
    Show([this](CMuxDlg& d) {
        script.ChooseFile(damaged);
        script.AnswerQuestion(IDYES);
        script.ChooseFile(copy);
        script.HoldNextWorker();
        script.OnNextModal([this](CDialog& progress) {
            Press(progress, IDCANCEL);
            script.ReleaseWorker();
        });
        Press(d, IDC_ADD);
        EXPECT_EQ(Files(d.m_tree).size(), GetParam().refused ? 0u : 1u);
    });
    EXPECT_EQ(script.messages.size(), 1u);  // the question only
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"damaged.rm"});
    EXPECT_EQ(readFileBytes(damaged), damagedBytes);
}

TEST_P(RepairOffer, TheDamagedFileCannotTakeItsCopy)
{
    Show([this](CMuxDlg& d) {
        script.ChooseFile(damaged);
        script.AnswerQuestion(IDYES);
        script.ChooseFile(damaged);
        script.AnswerQuestion(IDYES);  // replace the file that is there
        Press(d, IDC_ADD);
    });
    ASSERT_EQ(script.messages.size(), 3u);
    EXPECT_EQ(script.messages[2].text, damaged + " is one of the source files");
    EXPECT_EQ(script.messages[2].caption, "Error");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"damaged.rm"});
    EXPECT_EQ(readFileBytes(damaged), damagedBytes);
}

INSTANTIATE_TEST_SUITE_P(Damages, RepairOffer, testing::ValuesIn(Damages()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
