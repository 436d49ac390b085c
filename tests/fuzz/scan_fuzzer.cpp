// Scans arbitrary bytes as a source file. Whatever they hold, Scan must not
// crash, hang or touch memory it does not own, and what it reports must be
// usable as it stands: a count of 0 to 10 with a message for a refusal (and
// the cause for an invalid file), and for each listed stream a terminated
// name, a known kind and a number that keys a stream (0 to 9), and the
// details of the file and its streams.
#include <cstring>

#include "fuzz_check.h"
#include "mux/rm_muxer.h"
#include "mux/source_details.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const testing_rm::TempDir dir;
    const std::string path = dir.file("source.rm");
    testing_rm::writeFileBytes(path, std::string(reinterpret_cast<const char*>(data), size));

    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    // Entries the scan does not fill keep these bytes; no terminator among them.
    std::memset(names, 'x', sizeof names);
    const int32_t count = muxer.Scan(path, names, kinds, numbers);

    fuzzCheck(count >= 0 && count <= kMaxStreams, "count " + std::to_string(count) + " out of range");
    if (count == 0) {
        fuzzCheck(muxer.m_fileCount == 0, "a refused file was kept");
        fuzzCheck(!muxer.LastScanMessage().empty(), "a refusal without a reason");
        // "Invalid RM file or no usable streams" says nothing of the cause: a reason must.
        fuzzCheck((muxer.LastScanError() == ScanError::Invalid) == !muxer.LastScanReason().empty(),
                  "an invalid file without a reason, or a reason for another refusal: " + muxer.LastScanReason());
        return 0;
    }
    fuzzCheck(muxer.m_fileCount == 1, "an accepted file was not kept");
    for (int32_t k = 0; k < count; ++k) {
        fuzzCheck(std::memchr(names[k], '\0', rm::kNameCapacity) != nullptr, "name without terminator");
        fuzzCheck(kinds[k] == kVideoStream || kinds[k] == kAudioStream || kinds[k] == kUnknownStream, "unknown kind");
        fuzzCheck(numbers[k] <= 9, "stream number " + std::to_string(numbers[k]) + " cannot key a stream");
    }
    const SourceDetails details = ScannedSourceDetails(muxer);
    fuzzCheck(details.size == size, "size " + std::to_string(details.size) + " is not the file's");
    fuzzCheck(details.streams.size() == static_cast<std::size_t>(count), "details for another number of streams");
    for (const StreamDetails& stream : details.streams)
        fuzzCheck(stream.codec.size() <= 4, "codec code " + stream.codec + " longer than four characters");
    return 0;
}
