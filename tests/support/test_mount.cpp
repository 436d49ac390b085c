#include "support/test_mount.h"

#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>

namespace testing_rm {

TestMount::~TestMount()
{
    if (!m_folder.empty())
        umount2(m_folder.c_str(), MNT_DETACH);
}

bool TestMount::failed(const std::string& what)
{
    m_error = what + " " + m_folder + ": " + std::strerror(errno);
    m_folder.clear();
    return false;
}

bool TestMount::tmpfs(const std::string& folder, std::size_t bytes)
{
    m_folder = folder;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return failed("cannot mount a tmpfs on");
    return true;
}

bool TestMount::readOnly(const std::string& folder)
{
    m_folder = folder;
    if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return failed("cannot bind");
    // A bind mount takes its read-only flag only when remounted.
    if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        const int why = errno;
        umount2(folder.c_str(), MNT_DETACH);
        errno = why;
        return failed("cannot make read-only");
    }
    return true;
}

unsigned long long freeBytes(const std::string& path)
{
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0)
        return 0;
    return static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
}

}  // namespace testing_rm
