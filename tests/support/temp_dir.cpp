#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace testing_rm {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind them.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string dataFile(const std::string& name)
{
    return std::string(KESTROVA_TEST_DATA) + "/" + name;
}

std::string realFile(const std::string& name)
{
    return std::string(KESTROVA_REAL_CORPUS) + "/" + name;
}

}  // namespace testing_rm
