// Walking the folders of a check for RealMedia files.
#include "cli/collection.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool hasRealMediaName(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "rm" || ext == "rmvb" || ext == "ra";
}

namespace {

void walkFolder(const std::string& folder, Collection& found)
{
    std::vector<std::string> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const std::string path = it->path().string();
        if (hasRealMediaName(path))
            files.push_back(path);
        else
            ++found.skipped;
    }
    if (ec)
        found.errors.push_back(folder + ": the folder cannot be read: " + ec.message());
    std::sort(files.begin(), files.end());
    found.files.insert(found.files.end(), files.begin(), files.end());
}

}  // namespace

Collection gatherFiles(const std::vector<std::string>& paths, bool recursive)
{
    Collection found;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec))
            found.files.push_back(path);  // opened, or refused, by the check itself
        else if (!recursive)
            found.errors.push_back(path + ": is a folder; check -r checks the RealMedia files in it");
        else
            walkFolder(path, found);
    }
    return found;
}
