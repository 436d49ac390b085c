// The tips of the source tree: a stream's codec and figures, the same line
// kestrova-cli list shows, and a file's title, author and duration.
#include "main_dialog.h"
#include "support/process.h"

using testing_rm::dataFile;

TEST_F(MainDialogTest, StreamTipsShowTheLineListShows)
{
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("helix_truncated.rm"));
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 2u);
        const auto video = Streams(d.m_tree, files[0]);
        ASSERT_EQ(video.size(), 2u);
        EXPECT_EQ(TipOf(d.m_tree, video[0]), "RV20 160x120 15 fps 120 kb/s");
        EXPECT_EQ(TipOf(d.m_tree, video[1]), "dnet 44100 Hz 1 ch 64 kb/s");
        EXPECT_EQ(TipOf(d.m_tree, Streams(d.m_tree, files[1]).at(0)), "cook 44100 Hz 2 ch 32 kb/s");
        // The labels stay the stream names.
        EXPECT_EQ(d.m_tree.GetItemText(video[0]), "The Video Stream");
    });

    // The same line as the list table's last column.
    const testing_rm::Outcome list = testing_rm::run({KESTROVA_CLI, "list", dataFile("video_rv20_ac3.rm")});
    EXPECT_NE(list.out.find("4000 ms  RV20 160x120 15 fps 120 kb/s\n"), std::string::npos) << list.out;
}

TEST_F(MainDialogTest, FileTipsShowTitleAuthorAndDuration)
{
    testing_rm::FileSpec hours = WithPackets({{.number = 0}});
    hours.props.duration = 3723000;
    hours.content = {"Ein Titel", "", "", "no author"};
    const std::string lengthy = Build("long.rm", hours);
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv10.rm"));
        Add(d, dataFile("audio_ac3_meta.rm"));
        Add(d, lengthy);
        const auto files = Files(d.m_tree);
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(TipOf(d.m_tree, files[0]), "Duration: 0:03");
        EXPECT_EQ(TipOf(d.m_tree, files[1]), "Title: Test Tone\nAuthor: Corpus Maker\nDuration: 0:03");
        EXPECT_EQ(TipOf(d.m_tree, files[2]), "Title: Ein Titel\nDuration: 1:02:03");

        // Tips follow their items when a file before them is removed.
        d.m_tree.SelectItem(files[0]);
        Press(d, IDC_REMOVE);
        const auto left = Files(d.m_tree);
        ASSERT_EQ(left.size(), 2u);
        EXPECT_EQ(TipOf(d.m_tree, left[0]), "Title: Test Tone\nAuthor: Corpus Maker\nDuration: 0:03");
        // A stream with neither codec header nor bit rate has no tip.
        EXPECT_EQ(TipOf(d.m_tree, Streams(d.m_tree, left[1]).at(0)), "");
        EXPECT_EQ(TipOf(d.m_tree, left[1]), "Title: Ein Titel\nDuration: 1:02:03");
    });
    EXPECT_TRUE(script.messages.empty());
}
