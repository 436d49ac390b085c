// The texts a merge may be given for its output: the content description
// and stream names, checked against what the output can hold, then put in
// place of what the sources gave.
#include "mux/output_texts.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"

#include <cstring>
#include <vector>

namespace {

// The four texts of a content description, as a job gives them and as the
// record holds them.
struct ContentText {
    const char* what;
    std::optional<std::string> MuxJob::*given;
    uint16_t rm::RmContent::*length;
    char (rm::RmContent::*bytes)[rm::kTextCapacity];
};

constexpr ContentText kContentTexts[] = {
    {"title", &MuxJob::title, &rm::RmContent::title_len, &rm::RmContent::title},
    {"author", &MuxJob::author, &rm::RmContent::author_len, &rm::RmContent::author},
    {"copyright", &MuxJob::copyright, &rm::RmContent::copyright_len, &rm::RmContent::copyright},
    {"comment", &MuxJob::comment, &rm::RmContent::comment_len, &rm::RmContent::comment},
};

}  // namespace

std::string OutputTextsProblem(const MuxJob& job, int outputStreams)
{
    for (const ContentText& text : kContentTexts) {
        const std::optional<std::string>& given = job.*text.given;
        if (given && given->size() > rm::kTextCapacity)
            return std::string("The ") + text.what + " is " + std::to_string(given->size())
                   + " bytes long; the output holds at most " + std::to_string(rm::kTextCapacity);
    }
    for (const auto& [number, name] : job.streamNames) {
        if (number >= outputStreams)
            return "There is no output stream " + std::to_string(number) + " to name: the merge writes "
                   + (outputStreams == 0 ? std::string("none")
                                         : std::to_string(outputStreams) + ", numbered 0 to "
                                               + std::to_string(outputStreams - 1));
        if (name.size() > rm::kNameCapacity)
            return "The name of output stream " + std::to_string(number) + " is " + std::to_string(name.size())
                   + " bytes long; a stream name holds at most " + std::to_string(rm::kNameCapacity);
    }
    return {};
}

std::string RmMuxer::ApplyOutputTexts(const MuxJob& job)
{
    bool givesOne = false, keepsOne = false;
    for (const ContentText& text : kContentTexts) {
        givesOne = givesOne || (job.*text.given).has_value();
        keepsOne = keepsOne || (!(job.*text.given) && m_content.*text.length > 0);
    }
    // Given texts are UTF-8; the kept ones follow, so that the output's
    // texts are all in one code page.
    if (givesOne && keepsOne && job.keptTextsToUtf8) {
        std::vector<std::string> kept;
        for (const ContentText& text : kContentTexts)
            kept.emplace_back(m_content.*text.bytes, m_content.*text.length);
        job.keptTextsToUtf8(kept);
        for (std::size_t k = 0; k < kept.size(); ++k) {
            const ContentText& text = kContentTexts[k];
            if ((job.*text.given).has_value())
                continue;
            if (kept[k].size() > rm::kTextCapacity)
                return std::string("The ") + text.what + " kept from the sources is " + std::to_string(kept[k].size())
                       + " bytes long in UTF-8, the code page of the texts given; the output holds at most "
                       + std::to_string(rm::kTextCapacity) + ": give the " + text.what + " too";
            std::memcpy(m_content.*text.bytes, kept[k].data(), kept[k].size());
            m_content.*text.length = static_cast<uint16_t>(kept[k].size());
        }
    }
    for (const ContentText& text : kContentTexts) {
        const std::optional<std::string>& given = job.*text.given;
        if (!given)
            continue;
        std::memcpy(m_content.*text.bytes, given->data(), given->size());
        m_content.*text.length = static_cast<uint16_t>(given->size());
    }
    for (const auto& [number, name] : job.streamNames) {
        rm::RmStreamHeader& slot = m_streams[m_run->outs[number].lane];
        std::memcpy(slot.stream_name, name.data(), name.size());
        slot.stream_name_size = static_cast<uint8_t>(name.size());
    }
    return {};
}
