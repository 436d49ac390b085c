// kestrova-cli merge meeting faults while it writes: held at a chosen point
// of its work, then cancelled by a signal or robbed of its output folder;
// writing to a full file system or a read-only folder. The user always gets
// a message and the exit status 1, and the disk is left as it was found:
// the source unchanged, the file already at the output path unchanged, no
// temporary file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/fanotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "support/test_mount.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

constexpr char kPrecious[] = "the file the user had at the output path";

// kestrova-cli, held at an exact point of its work however fast it runs:
// every read it makes of `watched` waits for this test's leave (a fanotify
// permission event), and its read number `reads` (counting from 1) is held
// until finish(). Reads of a source are 256 KiB each, from the scan's first
// one on. fanotify needs root (CAP_SYS_ADMIN); error() tells why it could
// not be used, and denied() whether it is for want of that right.
// A signal is sent to the thread held in its read, so that its handler runs
// before that read returns, whatever the load of the machine.
class HeldMerge {
public:
    HeldMerge(const std::vector<std::string>& args, const std::string& watched, int reads,
              const std::string& errFile)
    {
        m_fanotify = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_REPORT_TID, O_RDONLY | O_LARGEFILE);
        if (m_fanotify < 0
            || fanotify_mark(m_fanotify, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, watched.c_str()) != 0) {
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
            std::vector<char*> argv{const_cast<char*>(KESTROVA_CLI)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(KESTROVA_CLI, argv.data());
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
                // Events name the thread that reads; only the merge's count.
                const bool ours = fs::exists("/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(event->pid));
                if (ours && ++allowed == reads) {
                    m_held = event->fd;
                    m_heldThread = event->pid;
                } else {
                    allow(event->fd);
                }
            }
        }
        if (m_held < 0)
            m_error = "the merge ended before its read number " + std::to_string(reads);
    }

    ~HeldMerge()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            finish();
        }
    }

    bool held() const { return m_held >= 0; }
    const std::string& error() const { return m_error; }
    bool denied() const { return m_denied; }
    void signal(int sig) const { syscall(SYS_tgkill, m_pid, m_heldThread, sig); }

    // Lets it read on and waits for its end; returns its exit status (128 +
    // the signal that ended it).
    int finish()
    {
        if (m_held >= 0)
            allow(m_held);
        m_held = -1;
        if (m_fanotify >= 0)
            close(m_fanotify);  // nothing is held from here on
        m_fanotify = -1;
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    void allow(int fd) const
    {
        const fanotify_response response{fd, FAN_ALLOW};
        (void)!write(m_fanotify, &response, sizeof response);
        close(fd);
    }

    int m_fanotify = -1;
    pid_t m_pid = 0;
    int m_held = -1;
    pid_t m_heldThread = 0;
    std::string m_error;
    bool m_denied = false;
};

struct CliFaultFixture : ::testing::Test {
    TempDir dir;     // the source and what the merge prints
    TempDir outDir;  // the output, beside a file already there
    std::string source = dir.file("source.rm");
    std::string output = outDir.file("out.rm");
    std::string err = dir.file("err.txt");
    std::string sourceBytes;

    // A source of 4 MiB: sixteen reads, four times the output's write buffer.
    void bigSource()
    {
        FileSpec layout;
        layout.streams.resize(1);
        for (uint32_t k = 0; k < 1024; ++k)
            layout.packets.push_back({0, k, std::string(4096, static_cast<char>('a' + k % 26))});
        useSource(buildFile(layout));
    }

    void useSource(const std::string& bytes)
    {
        sourceBytes = bytes;
        writeFileBytes(source, sourceBytes);
        writeFileBytes(output, kPrecious);
    }

    std::string message() const { return readFileBytes(err); }

    void expectDiskAsItWas()
    {
        EXPECT_EQ(checksum(readFileBytes(source)), checksum(sourceBytes)) << "the source changed";
        EXPECT_EQ(checksum(readFileBytes(output)), checksum(kPrecious)) << "the file at the output path changed";
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"out.rm"});
    }
};

}  // namespace

TEST_F(CliFaultFixture, CancelBySignalAtManyPointsLeavesTheDiskAsItWas)
{
    bigSource();
    // The signals a terminal and the system send, from the first read of the
    // merge (the scan made the first) to the last but one.
    const std::vector<std::pair<int, int>> cancels = {
        {SIGINT, 2}, {SIGTERM, 3}, {SIGHUP, 5}, {SIGINT, 8}, {SIGTERM, 12}, {SIGHUP, 16}};
    for (const auto& [sig, reads] : cancels) {
        SCOPED_TRACE(std::string(strsignal(sig)) + " at read " + std::to_string(reads));
        HeldMerge merge({"merge", "-o", output, source}, source, reads, err);
        if (merge.denied())
            GTEST_SKIP() << "holding a merge at a read needs fanotify, which needs root (" << merge.error()
                         << "); CliMerge.InterruptCancelsTheMergeAndRemovesThePartialOutput cancels one";
        ASSERT_TRUE(merge.held()) << merge.error();
        merge.signal(sig);
        EXPECT_EQ(merge.finish(), 1);
        EXPECT_EQ(message(), "kestrova-cli: merge cancelled; nothing was written\n");
        expectDiskAsItWas();
    }
}

TEST_F(CliFaultFixture, OutputFolderRemovedDuringTheMergeFailsWithAMessage)
{
    bigSource();
    HeldMerge merge({"merge", "-o", output, source}, source, 8, err);
    if (merge.denied())
        GTEST_SKIP() << "holding a merge at a read needs fanotify, which needs root (" << merge.error() << ")";
    ASSERT_TRUE(merge.held()) << merge.error();
    fs::remove_all(outDir.path());
    EXPECT_EQ(merge.finish(), 1);
    EXPECT_EQ(message(), "kestrova-cli: Cannot put the output at " + output + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(outDir.path()));
    EXPECT_EQ(checksum(readFileBytes(source)), checksum(sourceBytes));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"err.txt", "source.rm"}));
}

TEST_F(CliFaultFixture, FullFileSystemFailsWithAMessage)
{
    TestMount mount;
    if (!mount.tmpfs(outDir.path().string(), 64 * 1024) && mount.denied())
        GTEST_SKIP() << mount.error() << "; CliMerge.FullDiskFailsCleanlyAndKeepsTheExistingOutput covers a full "
                     << "disk through a file size limit";
    ASSERT_EQ(mount.error(), "");
    useSource(readFileBytes(dataFile("video_rv20_ac3.rm")));
    const Outcome o = run({KESTROVA_CLI, "merge", "-o", output, source});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kestrova-cli: Cannot write the output file: No space left on device\n");
    expectDiskAsItWas();
}

TEST_F(CliFaultFixture, ReadOnlyFolderFailsWithAMessage)
{
    useSource(readFileBytes(dataFile("video_rv10.rm")));
    TestMount mount;
    if (!mount.readOnly(outDir.path().string()) && mount.denied())
        GTEST_SKIP() << mount.error();
    ASSERT_EQ(mount.error(), "");
    const Outcome o = run({KESTROVA_CLI, "merge", "-o", output, source});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.rfind("kestrova-cli: Cannot create the output file in " + outDir.path().string() + ": ", 0), 0u)
        << o.err;
    expectDiskAsItWas();
}
