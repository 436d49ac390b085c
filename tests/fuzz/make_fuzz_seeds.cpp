// Writes the seed files of the fuzz targets into a folder: small, well-formed
// files that between them hold every chunk, an index, version-1 packets,
// packets of streams that are not listed, overlong texts, and every codec
// header the details read. The sample files of tests/data are seeds as well.
#include <cstdio>
#include <string>

#include "support/rm_builder.h"
#include "support/rm_parser.h"

using namespace testing_rm;

namespace {

FileSpec twoIndexedStreams()
{
    FileSpec layout;
    layout.streams.resize(2);
    layout.streams[0].name = "Audio Stream";
    layout.streams[1].number = 1;
    layout.streams[1].name = "Video Stream";
    layout.streams[1].mime = "video/x-pn-realvideo";
    for (uint32_t k = 0; k < 5; ++k) {
        layout.packets.push_back({0, k * 100, "audio" + std::to_string(k)});
        layout.packets.push_back({1, k * 100 + 50, "video" + std::to_string(k), 2});
    }
    layout.content = {"title", "author", "copyright", "comment"};
    layout.indexes = {{0, {0, 200, 400}}, {1, {50, 250}}};
    return layout;
}

FileSpec oddStreams()
{
    FileSpec layout;
    layout.streams.resize(3);
    layout.streams[0].name = "";
    layout.streams[1].number = 1;
    layout.streams[1].duration = 0;  // not usable
    layout.streams[2].number = 9;
    layout.streams[2].typeSpecific = std::string(300, 't');
    layout.packets = {{0, 0, "zero"}, {1, 5, "never listed"}, {9, 5, "nine", 0, 1, 1}, {12, 6, "twelve"},
                    {0, 0xFFFFFFFF, "last"}};
    layout.content.comment = std::string(300, 'c');
    layout.indexes = {{9, {5}}};
    return layout;
}

FileSpec noContent()
{
    FileSpec layout;
    layout.streams.resize(1);
    layout.withContent = false;
    layout.packets = {{0, 0, ""}, {0, 10, std::string(40, 'p')}};
    return layout;
}

// A stream of each codec header: RealVideo, and RealAudio 3, 4 and 5.
FileSpec codecHeaders()
{
    FileSpec layout;
    RealAudioSpec three, four;
    three.version = 3;
    three.codec = "lpcJ";
    four.version = 4;
    four.codec = "dnet";
    four.interleaver = "Int0";
    const std::string headers[] = {realVideoHeader({}), realAudioHeader(three), realAudioHeader(four),
                                   realAudioHeader({})};
    for (uint16_t k = 0; k < 4; ++k) {
        layout.streams.push_back({});
        layout.streams[k].number = k;
        layout.streams[k].typeSpecific = headers[k];
        layout.packets.push_back({k, 0, "packet"});
    }
    layout.streams[0].mime = "video/x-pn-realvideo";
    return layout;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    writeFileBytes(folder + "/two_indexed_streams.rm", buildFile(twoIndexedStreams()));
    writeFileBytes(folder + "/odd_streams.rm", buildFile(oddStreams()));
    writeFileBytes(folder + "/no_content.rm", buildFile(noContent()));
    writeFileBytes(folder + "/codec_headers.rm", buildFile(codecHeaders()));
    return 0;
}
