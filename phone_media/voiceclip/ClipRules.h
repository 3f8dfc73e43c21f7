// The voice-clip panel's portable rules: the progress strip in eighths, where the panel goes
// beside another window, temporary names, the clip information read from a WAV file and the
// copy of a received clip into the panel's own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace clip {

// Results of the clip information reader.
constexpr int kInfoWave = 1;
constexpr int kInfoCannotOpen = -11;
constexpr int kInfoInvalid = -12;

struct ClipInfo {
    int kind = 0;                // 1: wave
    std::int64_t durationMs = 0; // whole milliseconds
};

// A WAV file's information from its bytes: "RIFF"/"WAVE" in the first 18 bytes, a "fmt " chunk
// of at least 16 bytes holding PCM with a non-zero average byte rate, a "data" chunk; the
// duration is the data present (cut to the file) x 1000 / average bytes per second and must be
// at least 1 ms. 1 on success, else kInfoInvalid.
int ReadWaveInfo(const std::uint8_t* data, std::size_t size, ClipInfo* info);
// The same for a file: kInfoCannotOpen when it can't be read (or is too large for a clip).
int GetMediaFileInfo(const char* path, ClipInfo* info);

// The progress strip: elapsed and total in ms, the width shown and the control's full width.
class ProgressStrip {
public:
    explicit ProgressStrip(int fullWidth = 0) : m_fullWidth(fullWidth) {}
    void SetFullWidth(int width) { m_fullWidth = width; }
    void Reset()
    {
        m_elapsed = 0;
        m_shown = 0;
        m_total = 0;
    }
    void Start(int totalMs)
    {
        Reset();
        m_total = totalMs;
    }
    // elapsed += 100 ms; true when the width to show changed.
    bool Advance();
    int Width() const { return m_shown; }
    int Elapsed() const { return m_elapsed; }
    int Total() const { return m_total; }
    int FullWidth() const { return m_fullWidth; }

private:
    int m_fullWidth;
    int m_total = 0;
    int m_elapsed = 0;
    int m_shown = 0;
};

struct Box {
    int left, top, right, bottom;
};
struct Spot {
    int x, y;
};
// The panel's top-left corner beside owner: at its right when the panel fits on the desktop,
// else at its left; level with its top.
Spot BesidePosition(const Box& panel, const Box& owner, int desktopWidth);

// A temporary file's name with its extension (the last four characters, ".tmp") replaced by
// extension; the folders are left alone. Empty when the name has no such extension.
std::string ReplaceTempExtension(const std::string& tempName, const char* extension);

// Copies source to target in blocks of 10240 bytes: 1 when target then holds as many bytes as
// source, 0 otherwise (source missing or empty, target not writable). The same path, or the same
// file under another spelling, is never copied onto itself: 1 without copying when it exists.
int CopyClipFile(const char* target, const char* source);
// Whether two names reach the same existing file.
bool IsSameFile(const char* a, const char* b);

} // namespace clip
