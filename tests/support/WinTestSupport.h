// Helpers for Windows test programs run under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nvtest {

// Dispatches messages of this thread until done() is true or timeoutMs has passed; returns
// done()'s last answer. Waits on the message queue, never sleeps a fixed time.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Dispatches what is queued now (messages already posted), without waiting.
void PumpPending();

// A Unix path (from the test's environment) as Wine's Windows path on drive Z:.
std::string UnixToWindowsPath(const std::string& unixPath);

// An environment variable, or fallback when it is not set.
std::string Env(const char* name, const char* fallback = "");

// Whole-file reads and writes for test fixtures (Windows paths); an unreadable file reads as empty.
std::vector<std::uint8_t> ReadFileBytes(const char* path);
inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) { return ReadFileBytes(path.c_str()); }
bool WriteFileBytes(const char* path, const std::vector<std::uint8_t>& data);
inline bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& data) { return WriteFileBytes(path.c_str(), data); }

// Deletes a folder and everything below it (test scratch folders).
void RemoveTree(const std::string& folder);

// Saves the screen area of a window (with its frame) as <NV_SCREENSHOT_DIR>/<name>.png.
// Returns the Windows path written, or an empty text when there is no display or folder.
std::string SaveWindowScreenshot(HWND window, const std::string& name);

// Records messages in the order a window received or posted them, for comparison with an
// expected sequence (the shape of Wine's message-sequence tests).
struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const RecordedMessage& o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

class MessageSequence {
public:
    void Add(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { m_items.push_back({message, wParam, lParam}); }
    void Clear() { m_items.clear(); }
    const std::vector<RecordedMessage>& Items() const { return m_items; }
    // Empty when equal; otherwise both sequences side by side, the first difference marked.
    std::string Compare(const std::vector<RecordedMessage>& expected) const;

private:
    std::vector<RecordedMessage> m_items;
};

} // namespace nvtest
