#include "output_job.h"

#include <QLineEdit>

using testing_rm::PacketSpec;

testing_rm::FileSpec Film(const std::string& tag, uint32_t packets, const testing_rm::RealVideoSpec& video)
{
    testing_rm::FileSpec film;
    film.streams = {{.number = 0,
                     .duration = packets * 100,
                     .name = "Video",
                     .mime = "video/x-pn-realvideo",
                     .typeSpecific = testing_rm::realVideoHeader(video)},
                    {.number = 1,
                     .duration = packets * 100,
                     .name = "Audio",
                     .mime = "audio/x-pn-realaudio",
                     .typeSpecific = testing_rm::realAudioHeader({})}};
    for (uint32_t i = 0; i < packets; ++i) {
        const std::string place = tag + std::to_string(i);
        film.packets.push_back(
            {.number = 0, .timestamp = i * 100, .payload = place, .flags = uint8_t(i % 5 == 0 ? kKeyframePacket : 0)});
        film.packets.push_back({.number = 1, .timestamp = i * 100, .payload = place, .flags = kKeyframePacket});
    }
    return film;
}

StreamRun RunOf(const testing_rm::ParsedFile& file, uint16_t number)
{
    StreamRun run;
    for (const auto& packet : testing_rm::packetsOf(file, number)) {
        run.payloads.push_back(packet.payload);
        run.timestamps.push_back(packet.timestamp);
    }
    return run;
}

std::vector<std::string> Tags(const std::string& tag, uint32_t first, uint32_t last)
{
    std::vector<std::string> tags;
    for (uint32_t i = first; i <= last; ++i)
        tags.push_back(tag + std::to_string(i));
    return tags;
}

void OutputJobTest::Write(CMuxDlg& d, int button, const std::string& output)
{
    script.ChooseFile(output);
    script.OnNextModal([](CDialog&) {});
    Press(d, button);
}

void OutputJobTest::SetRange(CMuxDlg& d, const std::string& start, const std::string& end)
{
    static_cast<QLineEdit*>(Control(d, IDC_START))->setText(QString::fromStdString(start));
    static_cast<QLineEdit*>(Control(d, IDC_END))->setText(QString::fromStdString(end));
}

testing_rm::ParsedFile OutputJobTest::Written(const std::string& path)
{
    std::string error;
    auto parsed = testing_rm::parseRm(testing_rm::readFileBytes(path), &error);
    EXPECT_TRUE(parsed) << path << ": " << error;
    return parsed.value_or(testing_rm::ParsedFile{});
}
