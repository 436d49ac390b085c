// The Matroska file: header, seek head, information, tracks, clusters streamed as blocks come, cues and tags.
#include "mkv/matroska_writer.h"

#include <ebml/EbmlHead.h>
#include <ebml/EbmlSubHead.h>
#include <ebml/EbmlVersion.h>
#include <ebml/EbmlVoid.h>
#include <matroska/KaxBlock.h>
#include <matroska/KaxCluster.h>
#include <matroska/KaxClusterData.h>
#include <matroska/KaxCues.h>
#include <matroska/KaxCuesData.h>
#include <matroska/KaxInfo.h>
#include <matroska/KaxInfoData.h>
#include <matroska/KaxSeekHead.h>
#include <matroska/KaxSegment.h>
#include <matroska/KaxSemantic.h>
#include <matroska/KaxTag.h>
#include <matroska/KaxTags.h>
#include <matroska/KaxTrackAudio.h>
#include <matroska/KaxTrackEntryData.h>
#include <matroska/KaxTrackVideo.h>
#include <matroska/KaxTracks.h>
#include <matroska/KaxVersion.h>

#include <algorithm>
#include <exception>

#include "mkv/file_io.h"
#include "mkv/matroska_times.h"
#include "rm/output_file.h"

using namespace libebml;
using namespace libmatroska;

namespace mkv {

namespace {

// Room kept after the segment's head for the seek head, written last.
constexpr uint64_t kSeekHeadSpace = 160;
constexpr int kSizeLength = 8;  // sizes written before they are known take 8 bytes
constexpr uint64_t kTrackTypeVideo = 1;
constexpr uint64_t kTrackTypeAudio = 2;
constexpr uint64_t kTargetTypeAlbumOrMovie = 50;
// Relative block times are 16-bit: a block this far before its cluster starts a new one.
constexpr int64_t kClusterMinBackMs = 30000;

struct CuePoint {
    int64_t timeMs;
    uint64_t cluster;   // from the segment's data
    uint32_t relative;  // from the cluster's data
    uint16_t track;
};

template <class Child>
Child& child(EbmlMaster& parent, bool first)
{
    return first ? GetChild<Child>(parent) : AddNewChild<Child>(parent);
}

}  // namespace

struct MatroskaWriter::State {
    explicit State(rm::OutFile& file) : out(file), io(file) {}

    void writeHead(const std::vector<TrackForm>& forms, const FileTexts& texts, const std::string& application);
    void openCluster(int64_t timeMs);
    void closeCluster();
    void thinCues();
    void writeCues();
    void writeTags(const FileTexts& texts);
    template <class Element>
    void endUnknownSize(Element& element);

    rm::OutFile& out;
    OutFileIO io;
    KaxSegment segment;
    EbmlVoid seekSpace;
    KaxInfo info;
    KaxTracks tracks;
    std::vector<KaxTrackEntry*> entries;  // owned by `tracks`
    std::vector<TrackForm> forms;
    FileTexts texts;
    std::unique_ptr<KaxCluster> cluster;
    int64_t clusterMs = 0;
    uint16_t cueTrack = 1;
    bool cueOnVideo = false;
    int64_t lastCueMs = 0;
    int64_t cueGapMs = 0;  // the least time between two cue points
    std::vector<CuePoint> cuePoints;
    std::unique_ptr<KaxCues> cues;
    std::unique_ptr<KaxTags> tags;
    int64_t endMs = 0;
    std::string error;
};

void MatroskaWriter::State::writeHead(const std::vector<TrackForm>& trackForms, const FileTexts& fileTexts,
                                      const std::string& application)
{
    forms = trackForms;
    texts = fileTexts;
    EbmlHead head;
    GetChild<EDocType>(head).SetValue("matroska");
    GetChild<EDocTypeVersion>(head).SetValue(2);  // SimpleBlock
    GetChild<EDocTypeReadVersion>(head).SetValue(2);
    head.Render(io, true);

    segment.SetSizeInfinite(true);
    segment.WriteHead(io, kSizeLength);
    seekSpace.SetSize(kSeekHeadSpace);
    seekSpace.Render(io);

    GetChild<KaxTimecodeScale>(info).SetValue(kNanosecondsPerMs);
    auto& duration = GetChild<KaxDuration>(info);
    duration.SetPrecision(EbmlFloat::FLOAT_64);
    duration.SetValue(0);
    GetChild<KaxMuxingApp>(info).SetValueUTF8("libebml v" + EbmlCodeVersion + " + libmatroska v" + KaxCodeVersion);
    GetChild<KaxWritingApp>(info).SetValueUTF8(application);
    if (!texts.title.empty())
        GetChild<KaxTitle>(info).SetValueUTF8(texts.title);
    info.Render(io);

    for (std::size_t k = 0; k < forms.size(); ++k) {
        const TrackForm& form = forms[k];
        auto& entry = child<KaxTrackEntry>(tracks, k == 0);
        entry.SetGlobalTimecodeScale(kNanosecondsPerMs);
        GetChild<KaxTrackNumber>(entry).SetValue(k + 1);
        GetChild<KaxTrackUID>(entry).SetValue(k + 1);
        const bool video = form.kind == TrackKind::Video;
        GetChild<KaxTrackType>(entry).SetValue(video ? kTrackTypeVideo : kTrackTypeAudio);
        GetChild<KaxCodecID>(entry).SetValue(form.codecId);
        if (!form.codecPrivate.empty())
            GetChild<KaxCodecPrivate>(entry).CopyBuffer(form.codecPrivate.data(),
                                                        static_cast<uint32_t>(form.codecPrivate.size()));
        if (!form.name.empty())
            GetChild<KaxTrackName>(entry).SetValueUTF8(form.name);
        GetChild<KaxTrackLanguage>(entry).SetValue("und");
        GetChild<KaxTrackFlagLacing>(entry).SetValue(0);
        if (form.frameDurationNs)
            GetChild<KaxTrackDefaultDuration>(entry).SetValue(*form.frameDurationNs);
        if (video) {
            auto& picture = GetChild<KaxTrackVideo>(entry);
            GetChild<KaxVideoPixelWidth>(picture).SetValue(form.width.value_or(0));
            GetChild<KaxVideoPixelHeight>(picture).SetValue(form.height.value_or(0));
        } else {
            auto& sound = GetChild<KaxTrackAudio>(entry);
            if (form.sampleRate)
                GetChild<KaxAudioSamplingFreq>(sound).SetValue(*form.sampleRate);
            if (form.channels)
                GetChild<KaxAudioChannels>(sound).SetValue(*form.channels);
        }
        entries.push_back(&entry);
    }
    tracks.Render(io);

    // Cue points mark the first video track's keyframes, or without video,
    // the first track's every few seconds.
    const auto firstVideo = std::find_if(forms.begin(), forms.end(),
                                         [](const TrackForm& form) { return form.kind == TrackKind::Video; });
    cueOnVideo = firstVideo != forms.end();
    cueTrack = static_cast<uint16_t>(cueOnVideo ? firstVideo - forms.begin() + 1 : 1);
}

void MatroskaWriter::State::openCluster(int64_t timeMs)
{
    closeCluster();
    cluster = std::make_unique<KaxCluster>();
    cluster->SetParent(segment);
    cluster->InitTimecode(static_cast<uint64_t>(timeMs), kNanosecondsPerMs);
    cluster->SetSizeInfinite(true);
    cluster->WriteHead(io, kSizeLength);
    KaxClusterTimecode time;
    time.SetValue(static_cast<uint64_t>(timeMs));
    time.Render(io);
    clusterMs = timeMs;
}

template <class Element>
void MatroskaWriter::State::endUnknownSize(Element& element)
{
    const uint64_t dataStart = element.GetElementPosition() + element.HeadSize();
    element.ForceSize(io.getFilePointer() - dataStart);
    element.OverwriteHead(io);
}

void MatroskaWriter::State::closeCluster()
{
    if (!cluster)
        return;
    endUnknownSize(*cluster);
    cluster.reset();
}

void MatroskaWriter::State::thinCues()
{
    std::size_t kept = 0;
    for (std::size_t k = 0; k < cuePoints.size(); k += 2)
        cuePoints[kept++] = cuePoints[k];
    cuePoints.resize(kept);
    const int64_t span = cuePoints.back().timeMs - cuePoints.front().timeMs;
    cueGapMs = std::max<int64_t>(cueGapMs + 1, span / static_cast<int64_t>(kept));
}

void MatroskaWriter::State::writeCues()
{
    if (cuePoints.empty())
        return;
    cues = std::make_unique<KaxCues>();
    cues->SetSizeInfinite(true);
    cues->WriteHead(io, kSizeLength);
    for (const CuePoint& cue : cuePoints) {
        KaxCuePoint point;
        GetChild<KaxCueTime>(point).SetValue(static_cast<uint64_t>(cue.timeMs));
        auto& position = GetChild<KaxCueTrackPositions>(point);
        GetChild<KaxCueTrack>(position).SetValue(cue.track);
        GetChild<KaxCueClusterPosition>(position).SetValue(cue.cluster);
        GetChild<KaxCueRelativePosition>(position).SetValue(cue.relative);
        point.Render(io);
    }
    endUnknownSize(*cues);
}

void MatroskaWriter::State::writeTags(const FileTexts& fileTexts)
{
    const std::pair<const char*, const std::string*> named[] = {
        {"TITLE", &fileTexts.title},
        {"ARTIST", &fileTexts.author},
        {"COPYRIGHT", &fileTexts.copyright},
        {"COMMENT", &fileTexts.comment},
    };
    tags = std::make_unique<KaxTags>();
    auto& tag = GetChild<KaxTag>(*tags);
    GetChild<KaxTagTargetTypeValue>(GetChild<KaxTagTargets>(tag)).SetValue(kTargetTypeAlbumOrMovie);
    bool first = true;
    for (const auto& [name, text] : named) {
        if (text->empty())
            continue;
        auto& simple = child<KaxTagSimple>(tag, first);
        first = false;
        GetChild<KaxTagName>(simple).SetValueUTF8(name);
        GetChild<KaxTagString>(simple).SetValueUTF8(*text);
    }
    if (first) {
        tags.reset();
        return;
    }
    tags->Render(io);
}

MatroskaWriter::MatroskaWriter(rm::OutFile& out, const std::vector<TrackForm>& tracks, const FileTexts& texts,
                               const std::string& application)
    : m(std::make_unique<State>(out))
{
    // Files may pass the 4 GiB a RealMedia file is held to.
    out.setLimit(UINT64_MAX);
    try {
        m->writeHead(tracks, texts, application);
    } catch (const std::exception& e) {
        m->error = e.what();
    }
}

MatroskaWriter::~MatroskaWriter() = default;

void MatroskaWriter::write(const Block& block)
{
    if (failed())
        return;
    try {
        const bool cueTrackKey = block.track == m->cueTrack && block.key;
        const int64_t gap = m->cueOnVideo ? m->cueGapMs : std::max(m->cueGapMs, kAudioCueMs);
        const bool cue = cueTrackKey && (m->cuePoints.empty() || block.timeMs - m->lastCueMs >= gap);
        const int64_t age = block.timeMs - m->clusterMs;
        if (!m->cluster || (cue && age >= kClusterAtKeyMs) || age >= kClusterMaxMs || age <= -kClusterMinBackMs)
            m->openCluster(block.timeMs);
        if (cue) {
            const uint64_t dataStart = m->cluster->GetElementPosition() + m->cluster->HeadSize();
            if (m->cuePoints.size() == kMaxCuePoints)
                m->thinCues();
            m->cuePoints.push_back(CuePoint{block.timeMs, m->segment.GetRelativePosition(*m->cluster),
                                            static_cast<uint32_t>(m->io.getFilePointer() - dataStart), block.track});
            m->lastCueMs = block.timeMs;
        }
        KaxSimpleBlock simple;
        simple.SetParent(*m->cluster);
        // The block owns the DataBuffer and deletes it; the bytes stay the caller's.
        simple.AddFrame(*m->entries.at(block.track - 1), static_cast<uint64_t>(block.timeMs) * kNanosecondsPerMs,
                        *new DataBuffer(const_cast<uint8_t*>(block.data.data()), static_cast<uint32_t>(block.data.size())),
                        LACING_NONE);
        simple.SetKeyframe(block.key);
        simple.Render(m->io);
        const TrackForm& form = m->forms[block.track - 1];
        const int64_t length = form.frameDurationNs ? static_cast<int64_t>(*form.frameDurationNs / kNanosecondsPerMs) : 0;
        m->endMs = std::max(m->endMs, block.timeMs + length);
    } catch (const std::exception& e) {
        m->error = e.what();
    }
}

void MatroskaWriter::finish(uint64_t durationMs)
{
    if (failed())
        return;
    try {
        m->closeCluster();
        m->writeCues();
        m->writeTags(m->texts);

        const uint64_t end = m->io.getFilePointer();
        auto& duration = GetChild<KaxDuration>(m->info);
        duration.SetValue(static_cast<double>(std::max<uint64_t>(durationMs, static_cast<uint64_t>(m->endMs))));
        m->io.setFilePointer(static_cast<int64_t>(m->info.GetElementPosition()));
        m->info.Render(m->io);

        KaxSeekHead seekHead;
        seekHead.IndexThis(m->info, m->segment);
        seekHead.IndexThis(m->tracks, m->segment);
        if (m->cues)
            seekHead.IndexThis(*m->cues, m->segment);
        if (m->tags)
            seekHead.IndexThis(*m->tags, m->segment);
        if (m->seekSpace.ReplaceWith(seekHead, m->io) == INVALID_FILEPOS_T)
            m->error = "the seek head does not fit the room kept for it";
        m->io.setFilePointer(static_cast<int64_t>(end));
        m->endUnknownSize(m->segment);
    } catch (const std::exception& e) {
        m->error = e.what();
    }
}

bool MatroskaWriter::failed() const
{
    return !m->error.empty() || m->out.failed();
}

std::string MatroskaWriter::error() const
{
    return m->out.failed() ? m->out.error() : m->error;
}

}  // namespace mkv
