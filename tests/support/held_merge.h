// A program run by a test and held at an exact point of its work however
// fast it runs: every read it makes of a watched file waits for the test's
// leave (a fanotify permission event), and its read number N (counting from
// 1) is held until the test lets it go on, or refused, which makes that read
// fail with EPERM as a file-access policy would. fanotify needs root
// (CAP_SYS_ADMIN); error() tells why it could not be used, and denied()
// whether it is for want of that right.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_rm {

class HeldRun {
public:
    // Runs argv (argv[0] the program's path) with stdout to /dev/null and
    // stderr to `errFile`, and waits until its read number `reads` of
    // `watched` is held.
    HeldRun(const std::vector<std::string>& argv, const std::string& watched, int reads, const std::string& errFile);
    ~HeldRun();
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

    bool held() const { return m_held >= 0; }
    const std::string& error() const { return m_error; }
    bool denied() const { return m_denied; }
    // Sends a signal to the thread held in its read, so that its handler
    // runs before that read returns, whatever the load of the machine.
    void signal(int sig) const;

    // Lets the held read go on (or fails it when `refuse`), lets every later
    // read through and waits for the program's end; returns its exit status
    // (128 + the signal that ended it).
    int finish(bool refuse = false);

private:
    void answer(int fd, bool allow) const;

    int m_fanotify = -1;
    pid_t m_pid = 0;
    int m_held = -1;
    pid_t m_heldThread = 0;
    std::string m_error;
    bool m_denied = false;
};

}  // namespace testing_rm
