#include "framework/core/Failure.h"

#include <atomic>
#include <cstdio>

namespace nv {
namespace {

void DefaultHook(const char* where, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", where, what);
}

std::atomic<FailureHook> g_hook{&DefaultHook};

} // namespace

FailureHook SetFailureHook(FailureHook hook)
{
    return g_hook.exchange(hook ? hook : &DefaultHook);
}

void ReportFailure(const char* where, const char* what) noexcept
{
    try {
        g_hook.load()(where ? where : "", what ? what : "");
    } catch (...) {
    }
}

} // namespace nv
