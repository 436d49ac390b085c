// Writes the seed files of the fuzz targets into a folder: small, well-formed
// files that between them hold every chunk, an index, version-1 packets,
// packets of streams that are not listed, and overlong texts. The sample
// files of tests/data are seeds as well.
#include <cstdio>
#include <string>

#include "support/rm_builder.h"
#include "support/rm_parser.h"

using namespace testing_rm;

namespace {

FileSpec twoIndexedStreams()
{
    FileSpec spec;
    spec.streams.resize(2);
    spec.streams[0].name = "Audio Stream";
    spec.streams[1].number = 1;
    spec.streams[1].name = "Video Stream";
    spec.streams[1].mime = "video/x-pn-realvideo";
    for (uint32_t k = 0; k < 5; ++k) {
        spec.packets.push_back({0, k * 100, "audio" + std::to_string(k)});
        spec.packets.push_back({1, k * 100 + 50, "video" + std::to_string(k), 2});
    }
    spec.content = {"title", "author", "copyright", "comment"};
    spec.indexes = {{0, {0, 200, 400}}, {1, {50, 250}}};
    return spec;
}

FileSpec oddStreams()
{
    FileSpec spec;
    spec.streams.resize(3);
    spec.streams[0].name = "";
    spec.streams[1].number = 1;
    spec.streams[1].duration = 0;  // not usable
    spec.streams[2].number = 9;
    spec.streams[2].typeSpecific = std::string(300, 't');
    spec.packets = {{0, 0, "zero"}, {1, 5, "never listed"}, {9, 5, "nine", 0, 1, 1}, {12, 6, "twelve"},
                    {0, 0xFFFFFFFF, "last"}};
    spec.content.comment = std::string(300, 'c');
    spec.indexes = {{9, {5}}};
    return spec;
}

FileSpec noContent()
{
    FileSpec spec;
    spec.streams.resize(1);
    spec.withContent = false;
    spec.packets = {{0, 0, ""}, {0, 10, std::string(40, 'p')}};
    return spec;
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
    return 0;
}
