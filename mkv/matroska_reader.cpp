// Walking a Matroska file's segment by element sizes, to its clusters and their simple blocks.
#include "mkv/matroska_reader.h"

#include <ebml/EbmlHead.h>
#include <ebml/EbmlStream.h>
#include <matroska/KaxBlock.h>
#include <matroska/KaxCluster.h>
#include <matroska/KaxClusterData.h>
#include <matroska/KaxSegment.h>
#include <matroska/KaxSemantic.h>
#include <matroska/KaxTracks.h>

#include <exception>

#include "mkv/file_io.h"
#include "mkv/matroska_times.h"
#include "rm/input_file.h"

using namespace libebml;
using namespace libmatroska;

namespace mkv {

namespace {

uint64_t endOf(const EbmlElement& element)
{
    return element.GetElementPosition() + element.HeadSize() + element.GetSize();
}

}  // namespace

struct MatroskaReader::State {
    explicit State() : io(in), stream(io) {}

    // The next element within `context` that ends by `end`, its head read.
    std::unique_ptr<EbmlElement> nextElement(const EbmlSemanticContext& context, uint64_t end);
    bool open(const std::string& path);
    bool fail(const std::string& why);

    rm::InFile in;
    InFileIO io;
    EbmlStream stream;
    std::string path;
    uint64_t segmentEnd = 0;
    std::unique_ptr<KaxCluster> cluster;  // the cluster being read
    uint64_t clusterEnd = 0;
    std::size_t tracks = 0;
    uint64_t offset = 0;
    std::string error;
};

bool MatroskaReader::State::fail(const std::string& why)
{
    if (error.empty())
        error = in.failed() ? in.readError()
                            : "Could not read " + path + " at byte " + rm::formatOffset(io.getFilePointer()) + ": "
                                  + why;
    return false;
}

std::unique_ptr<EbmlElement> MatroskaReader::State::nextElement(const EbmlSemanticContext& context, uint64_t end)
{
    const uint64_t here = io.getFilePointer();
    if (here >= end)
        return nullptr;
    int upper = 0;
    std::unique_ptr<EbmlElement> element(stream.FindNextElement(context, upper, end - here, true));
    if (!element || element->GetElementPosition() != here || !element->IsFiniteSize() || endOf(*element) > end) {
        fail("not a Matroska element of known size");
        return nullptr;
    }
    return element;
}

bool MatroskaReader::State::open(const std::string& filePath)
{
    path = filePath;
    if (!in.open(path)) {
        error = "Could not open " + path + ": " + in.error();
        return false;
    }
    std::unique_ptr<EbmlElement> head(stream.FindNextID(EBML_INFO(EbmlHead), 64));
    if (!head || head->GetElementPosition() != 0)
        return fail("no EBML header");
    io.setFilePointer(static_cast<int64_t>(endOf(*head)));
    std::unique_ptr<EbmlElement> segment(stream.FindNextID(EBML_INFO(KaxSegment), UINT64_MAX));
    if (!segment || !segment->IsFiniteSize())
        return fail("no segment of known size");
    segmentEnd = endOf(*segment);
    return true;
}

MatroskaReader::MatroskaReader(const std::string& path) : m(std::make_unique<State>())
{
    try {
        m->open(path);
    } catch (const std::exception& e) {
        m->fail(e.what());
    }
}

MatroskaReader::~MatroskaReader() = default;

std::size_t MatroskaReader::trackCount() const
{
    return m->tracks;
}

bool MatroskaReader::next(Block& block)
{
    if (!m->error.empty())
        return false;
    try {
        for (;;) {
            if (!m->cluster) {
                std::unique_ptr<EbmlElement> element = m->nextElement(EBML_CLASS_CONTEXT(KaxSegment), m->segmentEnd);
                if (!element)
                    return false;
                if (EbmlId(*element) == EBML_ID(KaxCluster)) {
                    m->cluster.reset(static_cast<KaxCluster*>(element.release()));
                    m->clusterEnd = endOf(*m->cluster);
                    continue;
                }
                if (EbmlId(*element) == EBML_ID(KaxTracks)) {
                    int upper = 0;
                    EbmlElement* found = nullptr;
                    element->Read(m->stream, EBML_CONTEXT(element.get()), upper, found, true);
                    delete found;
                    m->tracks = static_cast<EbmlMaster&>(*element).ListSize();
                }
                m->io.setFilePointer(static_cast<int64_t>(endOf(*element)));
                continue;
            }
            std::unique_ptr<EbmlElement> element = m->nextElement(EBML_CONTEXT(m->cluster.get()), m->clusterEnd);
            if (!element) {
                if (!m->error.empty())
                    return false;
                m->cluster.reset();
                continue;
            }
            const EbmlId id(*element);
            if (id == EBML_ID(KaxClusterTimecode)) {
                element->ReadData(m->io);
                m->cluster->InitTimecode(static_cast<EbmlUInteger&>(*element).GetValue(), kNanosecondsPerMs);
            } else if (id == EBML_ID(KaxSimpleBlock)) {
                auto& simple = static_cast<KaxSimpleBlock&>(*element);
                m->offset = simple.GetElementPosition();
                simple.ReadData(m->io);
                simple.SetParent(*m->cluster);
                if (simple.NumberFrames() != 1)
                    return m->fail("a block of several frames");
                const DataBuffer& frame = simple.GetBuffer(0);
                block.track = simple.TrackNum();
                block.timeMs = static_cast<int64_t>(simple.GlobalTimecode() / kNanosecondsPerMs);
                block.key = simple.IsKeyframe();
                block.data.assign(frame.Buffer(), frame.Buffer() + frame.Size());
                m->io.setFilePointer(static_cast<int64_t>(endOf(*element)));
                return true;
            }
            m->io.setFilePointer(static_cast<int64_t>(endOf(*element)));
        }
    } catch (const std::exception& e) {
        return m->fail(e.what());
    }
}

const std::string& MatroskaReader::error() const
{
    return m->error;
}

uint64_t MatroskaReader::offset() const
{
    return m->offset;
}

}  // namespace mkv
