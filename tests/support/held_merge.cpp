#include "support/held_merge.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace testing_rm {

HeldRun::HeldRun(const std::vector<std::string>& argv, const std::string& watched, int reads,
                 const std::string& errFile)
{
    m_fanotify = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_REPORT_TID, O_RDONLY | O_LARGEFILE);
    if (m_fanotify < 0 || fanotify_mark(m_fanotify, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, watched.c_str()) != 0) {
        m_error = std::string("fanotify: ") + std::strerror(errno);
        m_denied = errno == EPERM;
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDIN_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int allowed = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_held < 0 && std::chrono::steady_clock::now() < deadline && waitpid(m_pid, nullptr, WNOHANG) == 0) {
        pollfd ready{m_fanotify, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            continue;
        alignas(fanotify_event_metadata) char events[64 * sizeof(fanotify_event_metadata)];
        ssize_t left = read(m_fanotify, events, sizeof events);
        for (auto* event = reinterpret_cast<fanotify_event_metadata*>(events); FAN_EVENT_OK(event, left);
             event = FAN_EVENT_NEXT(event, left)) {
            // Events name the thread that reads; only the program's count.
            const bool ours =
                std::filesystem::exists("/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(event->pid));
            if (ours && ++allowed == reads) {
                m_held = event->fd;
                m_heldThread = event->pid;
            } else {
                answer(event->fd, true);
            }
        }
    }
    if (m_held < 0)
        m_error = "the program ended before its read number " + std::to_string(reads);
}

HeldRun::~HeldRun()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        finish();
    }
}

void HeldRun::signal(int sig) const
{
    syscall(SYS_tgkill, m_pid, m_heldThread, sig);
}

int HeldRun::finish(bool refuse)
{
    if (m_held >= 0)
        answer(m_held, !refuse);
    m_held = -1;
    if (m_fanotify >= 0)
        close(m_fanotify);  // nothing is held from here on
    m_fanotify = -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void HeldRun::answer(int fd, bool allow) const
{
    const fanotify_response response{fd, static_cast<__u32>(allow ? FAN_ALLOW : FAN_DENY)};
    (void)!write(m_fanotify, &response, sizeof response);
    close(fd);
}

}  // namespace testing_rm
