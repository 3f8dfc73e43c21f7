#include "phone_media/voiceclip/ClipRules.h"

#include "phone_media/audiofile/WaveHeader.h"

#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace clip {

namespace {
// A received clip is small (10 s of 8 kHz); files beyond this are not clips.
constexpr long kLargestClipFile = 64L * 1024 * 1024;

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The "fmt " chunk's size, or -1 when the file has none within its bytes.
long FormatChunkSize(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 12;
    while (at + 8 <= size) {
        std::uint32_t chunkSize = Le32(data + at + 4);
        if (std::memcmp(data + at, "fmt ", 4) == 0)
            return static_cast<long>(chunkSize > 0x7FFFFFFFu ? 0x7FFFFFFFu : chunkSize);
        std::uint64_t next = static_cast<std::uint64_t>(at) + 8 + chunkSize + (chunkSize & 1);
        if (next > size)
            break;
        at = static_cast<std::size_t>(next);
    }
    return -1;
}

std::size_t FormatChunkOffset(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 12;
    while (at + 8 <= size) {
        std::uint32_t chunkSize = Le32(data + at + 4);
        if (std::memcmp(data + at, "fmt ", 4) == 0)
            return at + 8;
        at = static_cast<std::size_t>(static_cast<std::uint64_t>(at) + 8 + chunkSize + (chunkSize & 1));
    }
    return 0;
}
} // namespace

int ReadWaveInfo(const std::uint8_t* data, std::size_t size, ClipInfo* info)
{
    *info = ClipInfo{};
    if (!data || size < 18 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return kInfoInvalid;
    // The format record is read as 16 bytes: a shorter "fmt " chunk is no WAV of ours.
    long formatSize = FormatChunkSize(data, size);
    if (formatSize < 16)
        return kInfoInvalid;
    std::size_t formatAt = FormatChunkOffset(data, size);
    if (formatAt == 0 || formatAt + 16 > size)
        return kInfoInvalid;
    WaveLayout layout;
    if (!ParseWavHeader(data, size, &layout))
        return kInfoInvalid;
    std::uint32_t averageBytes = Le32(data + formatAt + 8);
    if (averageBytes == 0)
        return kInfoInvalid;
    std::uint64_t frameBytes = static_cast<std::uint64_t>(layout.channels) * static_cast<std::uint64_t>((layout.bits + 7) / 8);
    std::uint64_t dataBytes = static_cast<std::uint64_t>(layout.frames) * frameBytes;
    std::uint64_t duration = dataBytes * 1000u / averageBytes;
    if (duration < 1)
        return kInfoInvalid;
    info->kind = kInfoWave;
    info->durationMs = static_cast<std::int64_t>(duration);
    return kInfoWave;
}

int GetMediaFileInfo(const char* path, ClipInfo* info)
{
    *info = ClipInfo{};
    if (!path)
        return kInfoCannotOpen;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return kInfoCannotOpen;
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return kInfoCannotOpen;
    }
    long length = std::ftell(file);
    if (length < 0 || length > kLargestClipFile || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return length > kLargestClipFile ? kInfoInvalid : kInfoCannotOpen;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return ReadWaveInfo(bytes.data(), got, info);
}

bool ProgressStrip::Advance()
{
    m_elapsed += 100;
    int width = m_fullWidth;
    if (m_total > 0) {
        double ratio = 8.0 * static_cast<double>(m_elapsed) / static_cast<double>(m_total);
        long step = 1 + static_cast<long>(ratio);
        if (step < 8)
            width = static_cast<int>(step) * (m_fullWidth / 8);
    }
    if (width == m_shown)
        return false;
    m_shown = width;
    return true;
}

Spot BesidePosition(const Box& panel, const Box& owner, int desktopWidth)
{
    int width = panel.right - panel.left;
    if (owner.right + width <= desktopWidth)
        return Spot{owner.right, owner.top};
    return Spot{owner.left - width, owner.top};
}

std::string ReplaceTempExtension(const std::string& tempName, const char* extension)
{
    if (tempName.size() < 5 || tempName[tempName.size() - 4] != '.')
        return std::string();
    std::string name = tempName.substr(0, tempName.size() - 4);
    char last = name.back();
    if (last == '\\' || last == '/')
        return std::string();
    return name + extension;
}

bool IsSameFile(const char* a, const char* b)
{
    if (!a || !b)
        return false;
#ifdef _WIN32
    auto identity = [](const char* path, BY_HANDLE_FILE_INFORMATION* out) {
        HANDLE h = ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BOOL ok = ::GetFileInformationByHandle(h, out);
        ::CloseHandle(h);
        return ok != FALSE;
    };
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!identity(a, &ia) || !identity(b, &ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
#else
    struct stat sa, sb;
    if (::stat(a, &sa) != 0 || ::stat(b, &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

int CopyClipFile(const char* target, const char* source)
{
    if (!target || !source)
        return 0;
    if (std::strcmp(target, source) == 0 || IsSameFile(target, source)) {
        std::FILE* probe = std::fopen(source, "rb");
        if (!probe)
            return 0;
        std::fclose(probe);
        return 1;
    }
    std::FILE* in = std::fopen(source, "rb");
    if (!in)
        return 0;
    std::fseek(in, 0, SEEK_END);
    long sourceLength = std::ftell(in);
    std::fseek(in, 0, SEEK_SET);
    if (sourceLength <= 0) {
        std::fclose(in);
        return 0;
    }
    std::FILE* out = std::fopen(target, "wb");
    if (!out) {
        std::fclose(in);
        return 0;
    }
    char block[10240];
    bool failed = false;
    for (;;) {
        std::size_t got = std::fread(block, 1, sizeof block, in);
        if (got > 0 && std::fwrite(block, 1, got, out) != got) {
            failed = true;
            break;
        }
        if (got < sizeof block)
            break;
    }
    if (std::ferror(in))
        failed = true;
    std::fclose(in);
    long targetLength = failed ? -1 : std::ftell(out);
    if (std::fclose(out) != 0)
        failed = true;
    return !failed && targetLength == sourceLength ? 1 : 0;
}

} // namespace clip
