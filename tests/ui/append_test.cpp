// The Append command: the listed files one after another, in list order,
// with the checks, refusals, keys and Cancel of Merge.
#include <filesystem>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "mux/merge_signals.h"
#include "output_job.h"
#include "support/process.h"

using testing_rm::dataFile;

namespace {

constexpr uint32_t kPackets = 10;

class AppendTest : public OutputJobTest {};

// After a Remove and an Add, the list order is no longer the order of the
// muxer's file indexes: "A" is added again at the freed index 0 but listed
// after "B".
struct OrderCase {
    const char* name;
    bool removeAndAddFirst;
    std::vector<std::string> parts;  // the tags of the parts, in list order
};

void PrintTo(const OrderCase& c, std::ostream* os)
{
    *os << c.name;
}

class AppendOrder : public OutputJobTest, public testing::WithParamInterface<OrderCase> {};

TEST_P(AppendOrder, WritesTheListedFilesOneAfterAnotherInListOrder)
{
    const OrderCase& c = GetParam();
    const std::string a = Build("a.rm", Film("A", kPackets));
    const std::string b = Build("b.rm", Film("B", kPackets));
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, a);
        Add(d, b);
        if (c.removeAndAddFirst) {
            d.m_tree.SelectItem(Files(d.m_tree)[0]);
            Press(d, IDC_REMOVE);
            Add(d, a);
        }
        for (std::size_t f = 0; f < 2; ++f) {
            Tick(d.m_tree, f, 0);
            Tick(d.m_tree, f, 1);
        }
        Write(d, IDC_APPEND, output);
        EXPECT_FALSE(d.GetSafeHwnd()->isVisible());
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    EXPECT_TRUE(script.messages.empty());
    ASSERT_FALSE(script.fileDialogs.empty());
    EXPECT_FALSE(script.fileDialogs.back().open);
    EXPECT_EQ(script.fileDialogs.back().title, "Append the Files Into");
    EXPECT_EQ(script.fileDialogs.back().flags, OFN_OVERWRITEPROMPT);

    const auto written = Written(output);
    ASSERT_EQ(written.streams.size(), 2u);
    for (uint16_t s = 0; s < 2; ++s) {
        const StreamRun run = RunOf(written, s);
        std::vector<std::string> expected = Tags(c.parts[0], 0, kPackets - 1);
        const auto second = Tags(c.parts[1], 0, kPackets - 1);
        expected.insert(expected.end(), second.begin(), second.end());
        EXPECT_EQ(run.payloads, expected) << "stream " << s;
        // The second part as one block, after the first ends: every packet
        // shifted by the first part's length.
        ASSERT_EQ(run.timestamps.size(), 2 * kPackets);
        for (uint32_t i = 0; i < kPackets; ++i) {
            EXPECT_EQ(run.timestamps[i], i * 100) << "stream " << s;
            EXPECT_EQ(run.timestamps[kPackets + i], kPackets * 100 + i * 100) << "stream " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, AppendOrder,
                         testing::Values(OrderCase{"AsAdded", false, {"A", "B"}},
                                         OrderCase{"AfterRemoveAndAdd", true, {"B", "A"}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MismatchCase {
    const char* name;
    testing_rm::RealVideoSpec second;
    std::size_t secondStreams;  // streams ticked in the second file
    const char* message;
};

void PrintTo(const MismatchCase& c, std::ostream* os)
{
    *os << c.name;
}

testing_rm::RealVideoSpec WithCodec(const char* codec)
{
    testing_rm::RealVideoSpec video;
    video.codec = codec;
    return video;
}

testing_rm::RealVideoSpec WithSize(uint16_t width, uint16_t height)
{
    testing_rm::RealVideoSpec video;
    video.width = width;
    video.height = height;
    return video;
}

class AppendMismatch : public OutputJobTest, public testing::WithParamInterface<MismatchCase> {};

// The muxer's refusal is shown before the save dialog, nothing is written,
// and the dialog stays as it was, so that the ticks can be mended.
TEST_P(AppendMismatch, IsRefusedAndNothingIsWritten)
{
    const MismatchCase& c = GetParam();
    const std::string a = Build("a.rm", Film("A", kPackets));
    const std::string b = Build("b.rm", Film("B", kPackets, c.second));
    Show([&](CMuxDlg& d) {
        Add(d, a);
        Add(d, b);
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        for (std::size_t i = 0; i < c.secondStreams; ++i)
            Tick(d.m_tree, 1, i);
        Press(d, IDC_APPEND);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_EQ(Files(d.m_tree).size(), 2u);
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::NotRun);
    EXPECT_EQ(script.fileDialogs.size(), 2u);  // the Adds
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, c.message);
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.messages[0].type, MB_ICONHAND | MB_OK);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm"}));
}

INSTANTIATE_TEST_SUITE_P(
    Parts, AppendMismatch,
    testing::Values(
        MismatchCase{"AnotherCodec", WithCodec("RV30"), 2, "Cannot append: b.rm, video: RV30 320x240; a.rm has RV40 320x240"},
        MismatchCase{"AnotherFrameSize", WithSize(640, 480), 2,
                     "Cannot append: b.rm, video: RV40 640x480; a.rm has RV40 320x240"},
        MismatchCase{"FewerStreams", {}, 1, "Cannot append: b.rm gives 1 stream; a.rm gives 2 streams"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppendTest, AfterARefusalTheTicksCanBeMendedAndTheAppendRun)
{
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, Build("a.rm", Film("A", kPackets)));
        Add(d, Build("b.rm", Film("B", kPackets)));
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        Tick(d.m_tree, 1, 0);
        Press(d, IDC_APPEND);
        ASSERT_TRUE(d.GetSafeHwnd()->isVisible());
        Tick(d.m_tree, 1, 1);
        Write(d, IDC_APPEND, output);
        EXPECT_FALSE(d.GetSafeHwnd()->isVisible());
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    EXPECT_EQ(script.messages.size(), 1u);
    const auto written = Written(output);
    EXPECT_EQ(RunOf(written, 0).payloads.size(), 2 * kPackets);
    EXPECT_EQ(RunOf(written, 1).payloads.size(), 2 * kPackets);
}

struct TicksCase {
    const char* name;
    std::vector<std::pair<std::size_t, std::size_t>> ticks;  // (file, stream)
    const char* message;
};

void PrintTo(const TicksCase& c, std::ostream* os)
{
    *os << c.name;
}

class AppendTicks : public OutputJobTest, public testing::WithParamInterface<TicksCase> {};

TEST_P(AppendTicks, ThatMakeNoAppendAreRefusedBeforeTheSaveDialog)
{
    // Two video streams in one part break a rule of every output; one in
    // each part is what an append of two films is.
    testing_rm::FileSpec twoVideos = Film("V", kPackets);
    twoVideos.streams[1].mime = "video/x-pn-realvideo";
    twoVideos.streams[1].typeSpecific = testing_rm::realVideoHeader({});
    const TicksCase& c = GetParam();
    Show([&](CMuxDlg& d) {
        Add(d, Build("a.rm", Film("A", kPackets)));
        Add(d, Build("two-videos.rm", twoVideos));
        for (const auto& [f, s] : c.ticks)
            Tick(d.m_tree, f, s);
        Press(d, IDC_APPEND);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, c.message);
    EXPECT_EQ(script.fileDialogs.size(), 2u);  // the two Adds, no save dialog
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, AppendTicks,
    testing::Values(TicksCase{"OneFile", {{0, 0}, {0, 1}}, "Tick the streams to append in at least two files"},
                    TicksCase{"TwoVideosInAPart", {{0, 0}, {1, 0}, {1, 1}}, "Only one video stream allowed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppendTest, ARealFileAppendedToItselfHoldsItsPacketsTwiceAsTheCommandLineWrites)
{
    const std::string real = "/work/shared/corpus/real/rv30_cook_armexport60.rm";
    if (!std::filesystem::exists(real))
        GTEST_SKIP() << real << " is not here";
    const std::string output = dir.file("twice.rm");
    Show([&](CMuxDlg& d) {
        Add(d, real);
        Add(d, real);
        for (std::size_t f = 0; f < 2; ++f)
            for (std::size_t i = 0; i < Streams(d.m_tree, Files(d.m_tree)[f]).size(); ++i)
                Tick(d.m_tree, f, i);
        Write(d, IDC_APPEND, output);
    });
    ASSERT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    const auto check = testing_rm::run({KESTROVA_CLI, "check", output});
    EXPECT_EQ(check.status, 0) << check.out;

    // Output stream k is the k-th listed stream of each part: its usable
    // streams (a duration), in header order.
    const auto source = testing_rm::parseSource(testing_rm::readFileBytes(real)).value();
    std::vector<uint16_t> listed;
    for (const auto& stream : source.streams)
        if (stream.duration != 0)
            listed.push_back(stream.number);
    const auto written = Written(output);
    ASSERT_EQ(written.streams.size(), listed.size());
    for (uint16_t k = 0; k < written.streams.size(); ++k) {
        std::vector<std::string> once;
        for (const auto& packet : testing_rm::packetsOf(source, listed[k]))
            once.push_back(packet.payload);
        std::vector<std::string> twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        EXPECT_EQ(RunOf(written, k).payloads, twice) << "stream " << k;
    }
    // The dialog writes what kestrova-cli append writes.
    const std::string expected = dir.file("cli.rm");
    const auto cli = testing_rm::run({KESTROVA_CLI, "append", "--quiet", "-o", expected, real, real});
    ASSERT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(testing_rm::readFileBytes(output), testing_rm::readFileBytes(expected));
}

TEST_F(AppendTest, KeysReachAppendAndTheFieldsWhileEnterStaysMerge)
{
    Show([this](CMuxDlg& d) {
        Add(d, Build("a.rm", Film("A", kPackets)));
        Add(d, Build("b.rm", Film("B", kPackets)));
        Tick(d.m_tree, 0, 1);
        Tick(d.m_tree, 1, 1);
        PressKey(d, Qt::Key_S, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), Control(d, IDC_START));
        PressKey(d, Qt::Key_E, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), Control(d, IDC_END));
        // Enter in a field presses the default button, Merge.
        script.CancelFileDialog();
        PressKey(d, Qt::Key_Return);
        EXPECT_EQ(script.fileDialogs.size(), 3u);
        // The access key presses Append as a click would, once the button
        // has been seen to go down and up.
        script.CancelFileDialog();
        PressKey(d, Qt::Key_P, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([this] { return script.fileDialogs.size() == 4; }));
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
    });
    ASSERT_EQ(script.fileDialogs.size(), 4u);
    EXPECT_EQ(script.fileDialogs[2].title, "Merge the Streams Into");
    EXPECT_EQ(script.fileDialogs[3].title, "Append the Files Into");
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(AppendTest, CancelLeavesNoOutput)
{
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("video_rv20_ac3.rm"));
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 1, 0);
        script.HoldNextWorker();
        script.ChooseFile(output);
        script.OnNextModal([this](CDialog& progress) {
            Press(progress, IDCANCEL);
            script.ReleaseWorker();
        });
        Press(d, IDC_APPEND);
    });
    EXPECT_EQ(dialog.m_job.outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(g_stop, 0);
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_TRUE(script.messages.empty());
}

}  // namespace
