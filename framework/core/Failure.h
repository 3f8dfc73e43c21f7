// The program-wide failure hook: where errors go that no caller can be told of (an exception
// stopped at a window procedure, a worker thread's step that throws). The application registers
// its error log here at start-up; until then, and in programs that register nothing, reports go
// to standard error. Reports may come from any thread: the hook must be thread-safe and must not
// throw (an exception it throws is swallowed here).
#pragma once

namespace nv {

// where: the place that caught the failure ("window procedure", "socket time-out thread", ...);
// what: what was caught (an exception's text, or "unknown exception").
using FailureHook = void (*)(const char* where, const char* what);

// Registers the hook (nullptr restores the default) and returns the one it replaces.
FailureHook SetFailureHook(FailureHook hook);

// Hands one failure to the registered hook. Never throws; null texts are reported as "".
void ReportFailure(const char* where, const char* what) noexcept;

} // namespace nv
