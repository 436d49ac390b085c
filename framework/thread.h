// Worker threads.
#pragma once

#include <future>
#include <memory>
#include <thread>

#include "framework/afx.h"

using AFX_THREADPROC = unsigned (*)(void* param);

// A running worker thread. It is waited for, at the latest, when the object goes.
class CWinThread {
public:
    // Runs proc(param) once `start`, when it is valid, is ready.
    CWinThread(AFX_THREADPROC proc, void* param, std::shared_future<void> start = {});
    ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Returns once the thread function has returned.
    void Wait();

private:
    std::thread m_thread;
};

// Starts `proc(param)` on a new thread at once; null when no thread could be started.
std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC proc, void* param);
