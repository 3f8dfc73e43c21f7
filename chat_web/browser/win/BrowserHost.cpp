#include "chat_web/browser/win/BrowserHost.h"

namespace {

IBrowserHost g_emptyHost;
IBrowserHost* g_host = nullptr;

} // namespace

namespace browser {

void SetHost(IBrowserHost* host) { g_host = host; }
IBrowserHost& Host() { return g_host ? *g_host : g_emptyHost; }

} // namespace browser
