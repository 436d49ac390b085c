// File systems mounted for one test and unmounted when it ends: a small
// tmpfs that fills up, or a folder made read-only. Mounting needs root (with
// CAP_SYS_ADMIN); when it cannot be done, error() says why.
#pragma once

#include <cstddef>
#include <string>

namespace testing_rm {

class TestMount {
public:
    TestMount() = default;
    ~TestMount();
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;

    // Mounts a tmpfs that holds at most `bytes` bytes on the folder.
    bool tmpfs(const std::string& folder, std::size_t bytes);
    // Binds the folder onto itself, read-only.
    bool readOnly(const std::string& folder);
    const std::string& error() const { return m_error; }

private:
    bool failed(const std::string& what);

    std::string m_folder;
    std::string m_error;
};

// Free bytes left on the file system that holds `path`.
unsigned long long freeBytes(const std::string& path);

}  // namespace testing_rm
