// The settings of an edit that no source can make right: delays of streams
// the output does not have, a split that would keep the sources' times, and
// a split whose part names are taken by files already there.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mux/edit_settings.h"
#include "mux/rm_muxer.h"

namespace fs = std::filesystem;

std::vector<std::string> ExistingSplitParts(const std::string& output)
{
    // The number's place in a part's name, found by a number no name holds.
    constexpr int kMarker = 987654321;
    const std::string marked = SplitPartPath(output, kMarker);
    const std::size_t at = marked.find(std::to_string(kMarker));
    const std::string prefix = marked.substr(0, at);
    const std::string suffix = marked.substr(at + std::to_string(kMarker).size());
    const fs::path folder = fs::path(prefix).has_parent_path() ? fs::path(prefix).parent_path() : fs::path(".");
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string path = (fs::path(prefix).has_parent_path() ? entry->path() : entry->path().filename()).string();
        if (path.size() <= prefix.size() + suffix.size() || path.compare(0, prefix.size(), prefix) != 0
            || path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long number = std::stol(digits);
        if (number >= 1 && SplitPartPath(output, static_cast<int>(number)) == path)
            found.emplace_back(number, path);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (const auto& [number, path] : found)
        paths.push_back(path);
    return paths;
}

std::string EditSettingsProblem(const MuxJob& job, int outputStreams, const std::string& output)
{
    for (const auto& [number, ms] : job.delays)
        if (number >= outputStreams)
            return "There is no output stream " + std::to_string(number) + " to delay: the merge writes "
                   + (outputStreams == 0 ? std::string("none")
                                         : std::to_string(outputStreams) + ", numbered 0 to "
                                               + std::to_string(outputStreams - 1));
    if (!job.split.active())
        return {};
    if (job.keepTimestamps)
        return "A split cannot keep the sources' timestamps: each part starts at 0";
    if (job.overwrite)
        return {};
    const std::vector<std::string> existing = ExistingSplitParts(output);
    if (existing.empty())
        return {};
    const std::size_t more = existing.size() - 1;
    return existing.front()
           + (more == 0 ? std::string(" already exists")
                        : " and " + std::to_string(more) + (more == 1 ? " more part" : " more parts") + " already exist")
           + ": the parts of an earlier split would be mixed with this one's";
}
