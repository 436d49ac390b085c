#include "framework/script_hooks.h"

namespace {
AfxScriptHooks* g_hooks = nullptr;
}

void AfxSetScriptHooks(AfxScriptHooks* hooks)
{
    g_hooks = hooks;
}

AfxScriptHooks* AfxGetScriptHooks()
{
    return g_hooks;
}

std::shared_future<void> AfxScriptHooks::OnBeginThread()
{
    std::promise<void> now;
    now.set_value();
    return now.get_future().share();
}
