#include "framework/thread.h"

#include <system_error>

#include "framework/script_hooks.h"

CWinThread::CWinThread(AFX_THREADPROC proc, void* param, std::shared_future<void> start)
    : m_thread([proc, param, start] {
          if (start.valid())
              start.wait();
          proc(param);
      })
{
}

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
        AfxScriptHooks* hooks = AfxGetScriptHooks();
        return std::make_unique<CWinThread>(proc, param, hooks ? hooks->OnBeginThread() : std::shared_future<void>());
    } catch (const std::system_error&) {
        return nullptr;
    }
}
