#include "framework/thread.h"

#include <system_error>

CWinThread::CWinThread(AFX_THREADPROC proc, void* param) : m_thread(proc, param) {}

CWinThread::~CWinThread()
{
    Wait();
}

void CWinThread::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC proc, void* param)
{
    try {
        return std::make_unique<CWinThread>(proc, param);
    } catch (const std::system_error&) {
        return nullptr;
    }
}
