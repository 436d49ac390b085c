#include "support/test_mount.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testing_rm {

TestMount::~TestMount()
{
    if (!m_folder.empty())
        umount2(m_folder.c_str(), MNT_DETACH);
    if (!m_locked.empty())
        chmod(m_locked.c_str(), 0700);
}

bool TestMount::failed(const std::string& what, const std::string& folder)
{
    m_error = what + " " + folder + ": " + std::strerror(errno);
    m_denied = errno == EPERM || errno == EACCES;
    m_folder.clear();
    return false;
}

bool TestMount::tmpfs(const std::string& folder, std::size_t bytes)
{
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return failed("cannot mount a tmpfs on", folder);
    m_folder = folder;
    return true;
}

bool TestMount::readOnly(const std::string& folder)
{
    if (geteuid() != 0) {
        if (chmod(folder.c_str(), 0500) != 0)
            return failed("cannot make read-only", folder);
        m_locked = folder;
        return true;
    }
    if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return failed("cannot bind", folder);
    // A bind mount takes its read-only flag only when remounted.
    if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        const int why = errno;
        umount2(folder.c_str(), MNT_DETACH);
        errno = why;
        return failed("cannot make read-only", folder);
    }
    m_folder = folder;
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
