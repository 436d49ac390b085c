// Checking the output path and creating the output beside it.
#include <algorithm>
#include <filesystem>
#include <random>
#include <system_error>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"

namespace fs = std::filesystem;

std::string RmMuxer::OutputPathProblem(const std::string& path) const
{
    if (path.empty())
        return "No output file was given";
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (fs::exists(status)) {
        if (fs::is_directory(status))
            return path + " is a folder";
        if (!fs::is_regular_file(status))
            return path + " is not a regular file and cannot be replaced";
        // The same file, through any name or link: writing it would destroy a source.
        for (uint16_t f = 0; f < m_fileCount; ++f)
            if (m_files[f] && fs::equivalent(path, m_files[f]->path(), ec))
                return path + " is one of the source files";
        // A file nobody may write to is one its owner meant to keep.
        if ((status.permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write))
            == fs::perms::none)
            return path + " is read-only and cannot be replaced";
    }
    return {};
}

std::string RmMuxer::CreateOutput()
{
    if (std::string problem = OutputPathProblem(m_outputPath); !problem.empty())
        return problem;

    // The output is written to a new file in the same folder and moved over
    // the output path only when complete, so that a file already there
    // survives a cancelled or failed merge.
    const fs::path target(m_outputPath);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // The temporary name carries the start of the output's name, short
    // enough that a name of the longest length a folder allows still leaves
    // room for the rest; it is cut between characters, not inside one.
    std::string stem = target.filename().string();
    std::size_t keep = std::min<std::size_t>(stem.size(), 100);
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
        --keep;
    stem.resize(keep);
    std::random_device random;
    // The name is appended piece by piece: GCC 12 at -O3 warns falsely
    // (-Wrestrict) about a string literal prepended with operator+.
    const std::string prefix = '.' + stem;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        name += ".kestrova-";
        name += std::to_string(random() % 1000000);
        name += ".part";
        const fs::path temp = folder / name;
        std::string candidate = temp.string();
        m_out = std::make_unique<rm::OutFile>();
        m_out->setLimit(m_outputLimit);
        // Once the file exists, nothing may fail before the run knows its
        // name and can remove it: the name is swapped in, not copied.
        if (m_out->create(candidate)) {
            m_run->file.tempPath.swap(candidate);
            return {};
        }
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(temp, ec)))
            break;
    }
    const std::string why = m_out->error();
    m_out.reset();
    return "Cannot create the output file in " + folder.string() + ": " + why;
}
