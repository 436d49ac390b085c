// What Merge and Append refuse before the save dialog, a failed job that
// keeps the list, a file Add refuses as a merge would, and the ticks of a
// file item.
#include <QTreeWidgetItem>

#include "output_job.h"

using testing_rm::dataFile;

namespace {

constexpr uint32_t kPackets = 10;

// A film whose packets start 2 s in.
testing_rm::FileSpec LateFilm()
{
    testing_rm::FileSpec film = Film("L", kPackets);
    for (testing_rm::PacketSpec& packet : film.packets)
        packet.timestamp += 2000;
    return film;
}

struct RefusalCase {
    const char* name;
    int button;                                         // IDOK (Merge) or IDC_APPEND
    testing_rm::RealVideoSpec second;                   // the video of b.rm
    std::vector<std::pair<std::size_t, std::size_t>> ticks;  // (file, stream); (f, npos) ticks the file item
    const char *start, *end;
    const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedBeforeTheSaveDialog : public OutputJobTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedBeforeTheSaveDialog, WithNothingWrittenAndTheDialogOpen)
{
    const RefusalCase& c = GetParam();
    Show([&](CMuxDlg& d) {
        Add(d, Build("a.rm", Film("A", kPackets)));
        Add(d, Build("b.rm", Film("B", kPackets, c.second)));
        Add(d, Build("late.rm", LateFilm()));
        for (const auto& [f, s] : c.ticks)
            if (s == std::string::npos)
                d.m_tree.SetCheck(Files(d.m_tree)[f]);
            else
                Tick(d.m_tree, f, s);
        SetRange(d, c.start, c.end);
        Press(d, c.button);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_EQ(Files(d.m_tree).size(), 3u);
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, c.message);
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.fileDialogs.size(), 3u);  // the Adds, no save dialog
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::NotRun);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm", "late.rm"}));
}

testing_rm::RealVideoSpec Rv30Wide()
{
    testing_rm::RealVideoSpec video;
    video.codec = "RV30";
    video.width = 640;
    return video;
}

constexpr std::size_t kFileItem = std::string::npos;

INSTANTIATE_TEST_SUITE_P(
    Jobs, RefusedBeforeTheSaveDialog,
    testing::Values(
        RefusalCase{"NothingTicked", IDOK, {}, {}, "", "", "Tick at least one stream to merge"},
        RefusalCase{"NothingTickedToAppend", IDC_APPEND, {}, {}, "", "", "Tick the streams to append in at least two files"},
        // Every difference of every part, each naming its file.
        RefusalCase{"PartsThatDiffer", IDC_APPEND, Rv30Wide(), {{0, kFileItem}, {1, kFileItem}, {2, 0}}, "", "",
                    "Cannot append the parts as they are:\nb.rm, video: RV30 640x240; a.rm has RV40 320x240\n"
                    "late.rm gives 1 stream; a.rm gives 2 streams"},
        RefusalCase{"StartPastTheEnd", IDOK, {}, {{0, 0}}, "5", "", "The start 5.000 s lies past the end of the output, at 1.000 s"},
        // Appended, the second part ends at 2 s.
        RefusalCase{"StartPastTheEndOfTheParts", IDC_APPEND, {}, {{0, kFileItem}, {1, kFileItem}}, "3.5", "",
                    "The start 3.500 s lies past the end of the output, at 2.000 s"},
        RefusalCase{"RangeBeforeThePackets", IDOK, {}, {{2, 1}}, "", "1",
                    "The range up to 1.000 s holds no packet: the output's first packet is at 2.000 s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialogTest, AFileItemTicksAllItsStreamsAndShowsWhenSomeAreTicked)
{
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        const HTREEITEM file = Files(d.m_tree)[0];
        const auto streams = Streams(d.m_tree, file);
        d.m_tree.SetCheck(file);
        EXPECT_TRUE(d.m_tree.GetCheck(streams[0]) && d.m_tree.GetCheck(streams[1]));
        d.m_tree.SetCheck(streams[1], FALSE);
        EXPECT_EQ(file->checkState(0), Qt::PartiallyChecked);
        d.m_tree.SetCheck(streams[0], FALSE);
        EXPECT_EQ(file->checkState(0), Qt::Unchecked);
    });
}

// A merge refuses it; Add says why, with the file's name, in the question
// of the repair offered.
TEST_F(MainDialogTest, AddRefusesAFileThatHoldsNoPackets)
{
    const std::string empty = dataFile("helix_truncated.rm");
    // A repair would recover nothing from it either: none is offered.
    Show([&](CMuxDlg& d) {
        Add(d, empty);
        EXPECT_TRUE(Files(d.m_tree).empty());
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text,
              empty + " cannot be added: " + empty + " holds no packets: it has no whole data chunk");
}

TEST_F(MainDialogTest, DeleteRemovesTheSelectedFile)
{
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv10.rm"));
        Add(d, dataFile("audio_ac3_meta.rm"));
        d.m_tree.SelectItem(Files(d.m_tree)[0]);
        Control(d, IDC_SOURCE_TREE)->setFocus();
        PressKey(d, Qt::Key_Delete);
        ASSERT_EQ(Files(d.m_tree).size(), 1u);
        EXPECT_EQ(d.m_tree.GetItemText(Files(d.m_tree)[0]), dataFile("audio_ac3_meta.rm"));
    });
}

TEST_F(OutputJobTest, TheSaveDialogSuggestsANameAfterTheFirstSource)
{
    Show([&](CMuxDlg& d) {
        Add(d, Build("film.rm", Film("A", kPackets)));
        Tick(d.m_tree, 0, 0);
        script.CancelFileDialog();
        Press(d, IDOK);
        SetRange(d, "0.5", "");
        Tick(d.m_tree, 0, 1);
        script.CancelFileDialog();
        Press(d, IDOK);
    });
    ASSERT_EQ(script.fileDialogs.size(), 3u);
    // RealVideo 4 calls for ".rmvb".
    EXPECT_EQ(script.fileDialogs[1].fileName, dir.file("film (merged).rmvb"));
    EXPECT_EQ(script.fileDialogs[2].fileName, dir.file("film (trimmed).rmvb"));
}

}  // namespace
