// File systems mounted for one test and unmounted when it ends: a small
// tmpfs that fills up, or a folder made read-only. Mounting needs root (with
// CAP_SYS_ADMIN); when it cannot be done, error() says why, and denied()
// tells whether it is for want of that right.
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
    // Makes the folder read-only to this process: by its mode for a user,
    // by binding it onto itself read-only for root, whom modes do not stop.
    bool readOnly(const std::string& folder);
    const std::string& error() const { return m_error; }
    bool denied() const { return m_denied; }

private:
    bool failed(const std::string& what, const std::string& folder);

    std::string m_folder;   // mounted on
    std::string m_locked;   // made read-only by its mode
    std::string m_error;
    bool m_denied = false;
};

// Free bytes left on the file system that holds `path`.
unsigned long long freeBytes(const std::string& path);

}  // namespace testing_rm
