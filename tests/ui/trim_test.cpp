// Start and End: the part of the output Merge and Append write, in the
// times the command line takes, and the times that are refused.
#include <QApplication>
#include <QLineEdit>

#include "output_job.h"
#include "support/process.h"

namespace {

struct RangeCase {
    const char* name;
    int button;                      // IDOK (Merge) or IDC_APPEND
    std::vector<uint32_t> parts;     // packets of each source, "A", "B", ...
    const char *start, *end;
    std::vector<std::string> kept;  // the payloads written, in each stream
};

void PrintTo(const RangeCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class TrimRange : public OutputJobTest, public testing::WithParamInterface<RangeCase> {};

// Video keyframes stand every 500 ms: the output starts at the one at or
// before Start, ends with the last frame starting before End, and is
// shifted to start at 0.
TEST_P(TrimRange, WritesFromTheKeyframeBeforeStartToEnd)
{
    const RangeCase& c = GetParam();
    std::vector<std::string> sources;
    for (std::size_t p = 0; p < c.parts.size(); ++p) {
        const std::string tag(1, char('A' + p));
        sources.push_back(Build(tag + ".rm", Film(tag, c.parts[p])));
    }
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        for (const std::string& source : sources)
            Add(d, source);
        for (std::size_t f = 0; f < sources.size(); ++f) {
            Tick(d.m_tree, f, 0);
            Tick(d.m_tree, f, 1);
        }
        SetRange(d, c.start, c.end);
        Write(d, c.button, output);
    });
    ASSERT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    const auto written = Written(output);
    for (uint16_t s = 0; s < 2; ++s) {
        const StreamRun run = RunOf(written, s);
        EXPECT_EQ(run.payloads, c.kept) << "stream " << s;
        ASSERT_FALSE(run.timestamps.empty());
        EXPECT_EQ(run.timestamps.front(), 0u) << "stream " << s;
    }
    ASSERT_FALSE(written.packets.empty());
    EXPECT_EQ(written.packets.front().flags & kKeyframePacket, kKeyframePacket);
    // Where the output really starts and ends is told before the dialog closes.
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "The output holds the media " + dialog.m_job.trim.message());
    EXPECT_EQ(script.messages[0].type, MB_ICONINFORMATION | MB_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TrimRange,
    testing::Values(RangeCase{"StartAndEnd", IDOK, {40}, "1.2", "2.5", Tags("A", 10, 24)},
                    RangeCase{"StartOnly", IDOK, {40}, "3", "", Tags("A", 30, 39)},
                    RangeCase{"EndOnly", IDOK, {40}, " ", "0:00.8", Tags("A", 0, 7)},
                    // The range is of the whole output: the parts one after another.
                    RangeCase{"AcrossAppendedParts", IDC_APPEND, {20, 20}, "1.5", "3", Joined(Tags("A", 15, 19), Tags("B", 0, 9))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputJobTest, ATrimWritesWhatTheCommandLineWrites)
{
    const std::string source = Build("a.rm", Film("A", 40));
    const std::string output = dir.file("dialog.rm");
    Show([&](CMuxDlg& d) {
        Add(d, source);
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 0, 1);
        SetRange(d, "0:01.2", "2.5");
        Write(d, IDOK, output);
    });
    const std::string expected = dir.file("cli.rm");
    const auto cli = testing_rm::run(
        {KESTROVA_CLI, "merge", "--quiet", "--start", "1.2", "--end", "2.5", "-o", expected, source + ":0,1"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(testing_rm::readFileBytes(output), testing_rm::readFileBytes(expected));
}

struct FormCase {
    const char* name;
    const char* typed;
    uint32_t ms;
};

void PrintTo(const FormCase& c, std::ostream* os)
{
    *os << c.name;
}

class TimeForms : public OutputJobTest, public testing::WithParamInterface<FormCase> {};

TEST_P(TimeForms, AreTheCommandLines)
{
    // Keyframes every 10 s, so that each time given starts at the one of 1:30.
    testing_rm::FileSpec sparse = Film("A", 13);
    for (auto& stream : sparse.streams)
        stream.duration *= 100;
    for (auto& packet : sparse.packets) {
        packet.timestamp *= 100;
        packet.flags = kKeyframePacket;
    }
    const std::string output = dir.file("out.rm");
    Show([&](CMuxDlg& d) {
        Add(d, Build("a.rm", sparse));
        Tick(d.m_tree, 0, 0);
        SetRange(d, GetParam().typed, "");
        Write(d, IDOK, output);
    });
    ASSERT_EQ(dialog.m_job.outcome, MuxOutcome::Completed) << dialog.m_job.error;
    EXPECT_EQ(dialog.m_job.startMs, GetParam().ms);
    EXPECT_EQ(RunOf(Written(output), 0).payloads, Tags("A", 9, 12));
}

INSTANTIATE_TEST_SUITE_P(Forms, TimeForms,
                         testing::Values(FormCase{"Seconds", "90.5", 90500}, FormCase{"MinutesSeconds", "1:30", 90000},
                                         FormCase{"HoursMinutesSecondsMs", "0:01:30.250", 90250},
                                         FormCase{"SpacesAround", " 95 ", 95000}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    const char *start, *end;
    int field;  // the field that gets the focus
    const char* message;
};

void PrintTo(const BadCase& c, std::ostream* os)
{
    *os << c.name;
}

class BadTimes : public OutputJobTest, public testing::WithParamInterface<BadCase> {};

TEST_P(BadTimes, AreRefusedBeforeTheSaveDialogWithTheFieldInFront)
{
    const BadCase& c = GetParam();
    Show([&](CMuxDlg& d) {
        Add(d, Build("a.rm", Film("A", 10)));
        Tick(d.m_tree, 0, 0);
        SetRange(d, c.start, c.end);
        Press(d, IDOK);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        auto* field = static_cast<QLineEdit*>(Control(d, c.field));
        EXPECT_EQ(QApplication::focusWidget(), field);
        EXPECT_EQ(field->selectedText(), field->text());
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, c.message);
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.fileDialogs.size(), 1u);  // the Add, no save dialog
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.rm"});
}

#define NOT_A_TIME "\" is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)"
INSTANTIATE_TEST_SUITE_P(
    Times, BadTimes,
    testing::Values(BadCase{"Words", "abc", "", IDC_START, "Start \"abc" NOT_A_TIME},
                    BadCase{"SeventyFiveSeconds", "", "1:75", IDC_END, "End \"1:75" NOT_A_TIME},
                    BadCase{"FourFields", "1:00:00:00", "", IDC_START, "Start \"1:00:00:00" NOT_A_TIME},
                    BadCase{"Negative", "-5", "", IDC_START, "Start \"-5" NOT_A_TIME},
                    BadCase{"EndBeforeStart", "2", "1", IDC_END, "End (1.000 s) must come after Start (2.000 s)"},
                    BadCase{"EndAtStart", "1:00", "60", IDC_END, "End (1:00.000) must come after Start (1:00.000)"}),
    [](const auto& info) { return std::string(info.param.name); });
#undef NOT_A_TIME

}  // namespace
