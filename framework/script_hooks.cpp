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
