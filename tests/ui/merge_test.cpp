// The Merge command and the progress dialog, from the ticks to the
// written file.
#include <optional>
#include <QApplication>
#include <QProgressBar>
#include <QLabel>
#include <QTest>

#include "main_dialog.h"
#include "mux/merge_signals.h"
#include "support/process.h"
#include "ui/progress_dlg.h"

using testing_rm::dataFile;
using testing_rm::parseRm;
using testing_rm::readFileBytes;
using testing_rm::StreamSpec;

namespace {

constexpr UINT kStopOk = MB_ICONHAND | MB_OK;
constexpr UINT kWarningOk = MB_ICONEXCLAMATION | MB_OK;

class MergeTest : public MainDialogTest {
protected:
    // Presses Merge, names `output` in the save dialog and lets the
    // progress dialog run with `whileRunning` done in it.
    void Merge(CMuxDlg& d, const std::string& output, std::function<void(CDialog&)> whileRunning = [](CDialog&) {})
    {
        script.ChooseFile(output);
        script.OnNextModal([whileRunning](CDialog& progress) {
            EXPECT_EQ(progress.GetSafeHwnd()->windowTitle(), "Progress");
            whileRunning(progress);
        });
        Press(d, IDOK);
    }

    // The stream names of a written file, in output order.
    static std::vector<std::string> StreamNames(const std::string& path)
    {
        std::string error;
        const auto parsed = parseRm(readFileBytes(path), &error);
        EXPECT_TRUE(parsed) << error;
        std::vector<std::string> names;
        if (parsed)
            for (const auto& stream : parsed->streams)
                names.push_back(stream.name);
        return names;
    }

    // The written file, read by the strict reader, after checking that its
    // stream i carries stream 0 of sources[i]: the same codec data and as
    // many packets.
    static std::optional<testing_rm::ParsedFile> MergedFrom(const std::string& output,
                                                            const std::vector<std::string>& sources)
    {
        std::string error;
        auto merged = parseRm(readFileBytes(output), &error);
        EXPECT_TRUE(merged) << error;
        if (!merged)
            return merged;
        EXPECT_EQ(merged->streams.size(), sources.size());
        for (uint16_t i = 0; i < sources.size() && i < merged->streams.size(); ++i) {
            const auto source = testing_rm::parseSource(readFileBytes(sources[i])).value();
            EXPECT_EQ(merged->streams[i].typeSpecific, source.streams[0].typeSpecific) << sources[i];
            EXPECT_EQ(testing_rm::packetsOf(*merged, i).size(), testing_rm::packetsOf(source, 0).size()) << sources[i];
        }
        return merged;
    }

    static testing_rm::Outcome Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{KESTROVA_CLI, "merge", "--quiet"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing_rm::run(argv);
    }
};

TEST_F(MergeTest, WritesWhatTheCommandLineWritesAndCloses)
{
    const std::string output = dir.file("merged.rm");
    EXPECT_EQ(Show([&](CMuxDlg& d) {
                  Add(d, dataFile("video_rv20_ac3.rm"));
                  Add(d, dataFile("audio_ac3_meta.rm"));
                  Tick(d.m_tree, 0, 0);
                  Tick(d.m_tree, 1, 0);
                  Merge(d, output);
                  EXPECT_FALSE(d.GetSafeHwnd()->isVisible());
              }),
              IDCANCEL);
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    EXPECT_TRUE(script.messages.empty());
    ASSERT_EQ(script.fileDialogs.size(), 3u);
    EXPECT_FALSE(script.fileDialogs[2].open);
    EXPECT_EQ(script.fileDialogs[2].filter, "Real media (*.rm,*.rmvb)|*.rm;*.rmvb|Matroska (*.mkv)|*.mkv||");
    EXPECT_EQ(script.fileDialogs[2].flags, OFN_OVERWRITEPROMPT);

    const std::string expected = dir.file("cli.rm");
    const auto cli = Cli({"-o", expected, dataFile("video_rv20_ac3.rm") + ":0", dataFile("audio_ac3_meta.rm") + ":0"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(readFileBytes(output), readFileBytes(expected));

    if (testing_rm::haveProgram("ffmpeg")) {
        const auto decoded =
            testing_rm::run({"ffmpeg", "-nostdin", "-v", "error", "-i", output, "-map", "0", "-f", "null", "-"});
        EXPECT_EQ(decoded.status, 0);
        EXPECT_EQ(decoded.err, "");
    }
}

TEST_F(MergeTest, AnExistingOutputIsReplacedOnlyAfterTheUserSaysYes)
{
    const std::string output = dir.file("out.rm");
    testing_rm::writeFileBytes(output, "precious");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        script.ChooseFile(output);
        script.AnswerQuestion(IDNO);  // the save dialog stays open ...
        script.CancelFileDialog();    // ... and is cancelled
        Press(d, IDOK);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_EQ(readFileBytes(output), "precious");

        script.AnswerQuestion(IDYES);
        Merge(d, output);
    });
    ASSERT_EQ(script.messages.size(), 2u);
    for (const MessageBoxRequest& question : script.messages) {
        EXPECT_EQ(question.text, "out.rm already exists.\nDo you want to replace it?");
        EXPECT_EQ(question.caption, "Save As");
        EXPECT_EQ(question.type, MB_YESNO | MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    std::string error;
    EXPECT_TRUE(parseRm(readFileBytes(output), &error)) << error;
}

TEST_F(MergeTest, ANameTypedWithoutAnExtensionGetsRm)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        Merge(d, dir.file("merged"));
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"merged.rm"});
}

TEST_F(MergeTest, ANameEndingInMkvIsWrittenAsMatroska)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        Merge(d, dir.file("merged.mkv"));
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    const testing_rm::Outcome o = testing_rm::run({"mkvmerge", "-J", dir.file("merged.mkv")});
    EXPECT_NE(o.out.find("\"codec_id\": \"V_REAL/RV20\""), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\"codec_id\": \"A_AC3\""), std::string::npos) << o.out;
}

TEST_F(MergeTest, TwoTickedVideoStreamsAreRefusedBeforeTheSaveDialog)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("video_rv10.rm"));
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        Tick(d.m_tree, 1, 0);
        Press(d, IDOK);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_TRUE(d.m_tree.GetCheck(Streams(d.m_tree, Files(d.m_tree)[1])[0]));
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Only one video stream allowed");
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.messages[0].type, kStopOk);
    EXPECT_EQ(script.fileDialogs.size(), 2u);  // the two Adds, no save dialog
}

TEST_F(MergeTest, MoreStreamsThanAMergeHoldsAreRefusedBeforeTheSaveDialog)
{
    std::vector<StreamSpec> six;
    for (uint16_t n = 0; n < 6; ++n)
        six.push_back({.number = n, .name = "S" + std::to_string(n)});
    const std::string file = Build("six.rm", WithPackets(six));
    Show([&](CMuxDlg& d) {
        Add(d, file);
        Add(d, file);
        for (std::size_t i = 0; i < 6; ++i)
            Tick(d.m_tree, 0, i);
        for (std::size_t i = 0; i < 5; ++i)
            Tick(d.m_tree, 1, i);
        Press(d, IDOK);  // 11 ticked

        d.m_tree.SetCheck(Streams(d.m_tree, Files(d.m_tree)[1])[4], FALSE);
        Press(d, IDC_ADD_PLUGIN);  // the hidden box: the helper stream takes a slot
        Press(d, IDOK);            // 10 ticked

        d.m_tree.SetCheck(Streams(d.m_tree, Files(d.m_tree)[1])[3], FALSE);
        script.CancelFileDialog();
        Press(d, IDOK);  // 9 fit
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
    });
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0].text, "More than 10 streams are ticked; a merge holds at most 10");
    EXPECT_EQ(script.messages[1].text, "More than 9 streams are ticked; with the helper stream a merge holds at most 9");
    EXPECT_EQ(script.fileDialogs.size(), 3u);
}

TEST_F(MergeTest, CancellingTheSaveDialogOrNamingASourceKeepsTheDialogAsItWas)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Tick(d.m_tree, 0, 1);
        script.CancelFileDialog();
        Press(d, IDOK);
        script.ChooseFile(dataFile("video_rv20_ac3.rm"));
        script.AnswerQuestion(IDYES);  // replace the file that is there
        Press(d, IDOK);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_EQ(Files(d.m_tree).size(), 1u);
        EXPECT_TRUE(d.m_tree.GetCheck(Streams(d.m_tree, Files(d.m_tree)[0])[1]));
        EXPECT_FALSE(d.m_tree.GetCheck(Streams(d.m_tree, Files(d.m_tree)[0])[0]));
    });
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[1].text, dataFile("video_rv20_ac3.rm") + " is one of the source files");
    EXPECT_EQ(script.messages[1].caption, "Error");
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::NotRun);
}

TEST_F(MergeTest, SelectionKeysAreFileIndexAndStreamNumber)
{
    const std::string three = Build("three.rm", WithPackets({{.number = 0, .name = "A0"},
                                                             {.number = 1, .name = "A1"},
                                                             {.number = 2, .name = "A2"}}));
    const std::string two = Build("two.rm", WithPackets({{.number = 0, .name = "B0"}, {.number = 1, .name = "B1"}}));
    // Listed in header order: "Three" first, "Zero" second.
    const std::string shuffled = Build("shuffled.rm", WithPackets({{.number = 3, .name = "Three"},
                                                                   {.number = 0, .name = "Zero"}}));
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, three);
        Add(d, two);
        Add(d, shuffled);
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 2);
        Tick(d.m_tree, 1, 1);
        Tick(d.m_tree, 2, 1);
        Merge(d, output);
    });
    std::vector<int> keys;
    for (int key = 0; key < kStreamKeyCount; ++key)
        if (dialog.m_job.selection[key])
            keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<int>{0, 2, 11, 20}));
    EXPECT_EQ(StreamNames(output), (std::vector<std::string>{"A0", "A2", "B1", "Zero"}));
}

TEST_F(MergeTest, FilesAfterARemovedOneKeepTheirStreams)
{
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("audio_ra144_indexed_duration.rm"));
        Add(d, dataFile("video_rv10.rm"));
        d.m_tree.SelectItem(Files(d.m_tree)[0]);
        Press(d, IDC_REMOVE);
        Tick(d.m_tree, 0, 0);  // the indexed audio, the muxer's file 1
        Tick(d.m_tree, 1, 0);  // the RealVideo 1.0 stream, the muxer's file 2
        Merge(d, output);
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    const auto merged = MergedFrom(output, {dataFile("audio_ra144_indexed_duration.rm"), dataFile("video_rv10.rm")});
    ASSERT_TRUE(merged);
    // The removed file's properties take no part in the merged ones: its
    // duration is not the output's, and its streams' rates are not counted.
    const auto audio = testing_rm::parseSource(readFileBytes(dataFile("audio_ra144_indexed_duration.rm"))).value();
    const auto video = testing_rm::parseSource(readFileBytes(dataFile("video_rv10.rm"))).value();
    EXPECT_EQ(merged->duration, std::max(audio.duration, video.duration));
    EXPECT_EQ(merged->avgBitRate, audio.streams[0].avgBitRate + video.streams[0].avgBitRate);
}

TEST_F(MergeTest, AFileAddedAfterARemoveIsMergedFromTheFreedPlace)
{
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("audio_ac3_meta.rm"));
        d.m_tree.SelectItem(Files(d.m_tree)[0]);
        Press(d, IDC_REMOVE);
        Add(d, dataFile("video_rv10.rm"));  // takes the muxer's file 0
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 1, 0);
        Merge(d, output);
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed);
    EXPECT_TRUE(MergedFrom(output, {dataFile("video_rv10.rm"), dataFile("audio_ac3_meta.rm")}));
}

TEST_F(MergeTest, AddPluginAddsTheHelperStream)
{
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        Press(d, IDC_ADD_PLUGIN);
        Merge(d, output);
    });
    EXPECT_EQ(dialog.m_addPlugin, 1);
    std::string error;
    const auto merged = parseRm(readFileBytes(output), &error);
    ASSERT_TRUE(merged) << error;
    ASSERT_EQ(merged->streams.size(), 2u);
    EXPECT_EQ(merged->streams[1].mime, "application/helper");
}

TEST_F(MergeTest, CancelWaitsForTheWorkerAndLeavesNoOutput)
{
    // The worker is held until Cancel has been pressed, so the merge it
    // then runs is one the user has cancelled, however fast the machine.
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Tick(d.m_tree, 0, 0);
        script.HoldNextWorker();
        Merge(d, output, [this](CDialog& progress) {
            Press(progress, IDCANCEL);
            script.ReleaseWorker();
        });
        EXPECT_FALSE(d.GetSafeHwnd()->isVisible());
    });
    // The worker has returned: the run is over and its partial output gone.
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(g_stop, 0);
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_TRUE(script.messages.empty());
}

// The dialog stays with its list and ticks, so that the job can be mended and run again.
TEST_F(MergeTest, AFailedMergeIsReportedAfterTheProgressDialogClosesAndKeepsTheList)
{
    const std::string output = dir.file("missing-folder/out.rm");
    bool progressShown = false;
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        Merge(d, output, [&](CDialog& progress) {
            progressShown = true;
            EXPECT_TRUE(script.messages.empty());
            EXPECT_EQ(static_cast<QLabel*>(Control(progress, IDC_PROGRESS_TEXT))->text().left(20), "Merging into out.rm ");
        });
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        ASSERT_EQ(Files(d.m_tree).size(), 1u);
        EXPECT_TRUE(d.m_tree.GetCheck(Streams(d.m_tree, Files(d.m_tree)[0])[0]));
    });
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Failed);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, dialog.m_job.error);
    EXPECT_NE(script.messages[0].text.find("Cannot create the output file"), std::string::npos);
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.messages[0].type, kStopOk);
}

TEST_F(MergeTest, WarningsAreShownAfterTheProgressDialogCloses)
{
    // A source cut in the middle of a packet, added as it is when the user
    // declines the repair: the merge writes what is whole and says where
    // the source is damaged.
    const std::string whole = readFileBytes(dataFile("video_rv20_ac3.rm"));
    const std::string cut = dir.file("cut.rm");
    testing_rm::writeFileBytes(cut, whole.substr(0, whole.size() / 2));
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        script.AnswerQuestion(IDNO);
        Add(d, cut);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_EQ(script.messages[0].text.rfind(cut + " is damaged: at byte ", 0), 0u) << script.messages[0].text;
        script.messages.clear();
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        Merge(d, output, [&](CDialog&) { EXPECT_TRUE(script.messages.empty()); });
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    ASSERT_EQ(script.messages.size(), 1u);
    // A warning, not the error icon of a failed merge, and it says the output is there.
    EXPECT_EQ(script.messages[0].caption, "Warning");
    EXPECT_EQ(script.messages[0].type, kWarningOk);
    EXPECT_EQ(script.messages[0].text.rfind(cut + " at byte ", 0), 0u) << script.messages[0].text;
    EXPECT_NE(script.messages[0].text.find("the data ends inside a packet; the "), std::string::npos);
    const std::string written = "\n\nThe output was written: " + output;
    EXPECT_EQ(script.messages[0].text.substr(script.messages[0].text.size() - written.size()), written);
    EXPECT_TRUE(parseRm(readFileBytes(output)));
}

TEST(ProgressDialog, ShowsTheProgressClosesAtTheEndAndCancelSetsStop)
{
    Script script;
    ResetMergeSignals();
    g_progress = 40;
    script.OnNextModal([](CDialog& d) {
        auto* bar = static_cast<QProgressBar*>(Control(d, IDC_PROGRESS));
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->value() == 40; }, 2000));
        g_progress = kProgressDone;
        EXPECT_TRUE(QTest::qWaitFor([&d] { return !d.GetSafeHwnd()->isVisible(); }, 2000));
        EXPECT_EQ(bar->value(), 100);
    });
    CProgressDlg finished;
    EXPECT_EQ(finished.DoModal(), IDOK);
    EXPECT_EQ(g_stop, 0);

    ResetMergeSignals();
    script.OnNextModal([](CDialog& d) { PressKey(d, Qt::Key_Escape); });
    CProgressDlg cancelled;
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(g_stop, 1);
    ResetMergeSignals();
}

}  // namespace
