// The store's platform for the native build (Linux): POSIX files, iconv for code page 932, the
// process's local time. The folders come from the environment (tests set them up).
#include "messaging/store/StorePlatform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace msgstore {
namespace {

// One converter per direction and thread: opening one loads the conversion module, which costs
// more than converting a message.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Convert(const std::string& in, std::string& out, bool replace)
    {
        out.clear();
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);   // back to the initial state
        bool clean = true;
        std::string buffer(in.size() * 4 + 16, '\0');
        char* input = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        while (inLeft > 0) {
            char* output = &buffer[0];
            std::size_t outLeft = buffer.size();
            std::size_t rc = iconv(m_cd, &input, &inLeft, &output, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                clean = false;
                if (!replace)
                    break;
                // Skip one byte of what does not convert and mark it.
                out += '?';
                ++input;
                --inLeft;
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            } else if (rc > 0) {
                clean = false;   // converted, but not reversibly
            }
        }
        return clean;
    }

private:
    iconv_t m_cd;
};

class PosixStorePlatform : public IStorePlatform {
public:
    CString GetInstallFolder() override
    {
        const char* folder = std::getenv("NV_INSTALL_FOLDER");
        return folder ? CString(folder) : CString();
    }
    CString GetWindowsUserName() override
    {
        const char* user = std::getenv("USER");
        return user && *user ? CString(user) : CString("Any");
    }
    char PathSeparator() const override { return '/'; }

    bool PathExists(const CString& path) override
    {
        struct stat info;
        return lstat(path, &info) == 0 || errno != ENOENT;
    }
    bool MakeDirectory(const CString& path) override
    {
        if (mkdir(path, 0755) == 0)
            return true;
        struct stat info;
        return errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
    }
    bool RemoveFile(const CString& path) override { return unlink(path) == 0; }
    bool CreateEmptyFile(const CString& path) override
    {
        int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return false;
        close(fd);
        return true;
    }

    bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) override
    {
        int in = open(source, O_RDONLY);
        if (in < 0)
            return false;
        int out = open(destination, O_WRONLY | O_CREAT | (exclusive ? O_EXCL : O_TRUNC), 0644);
        if (out < 0) {
            close(in);
            return false;
        }
        bool ok = true;
        long long copied = 0;
        char block[65536];
        for (;;) {
            ssize_t got = read(in, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            for (ssize_t done = 0; done < got;) {
                ssize_t put = write(out, block + done, static_cast<std::size_t>(got - done));
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0) {
                    ok = false;
                    break;
                }
                done += put;
            }
            if (!ok)
                break;
            copied += got;
        }
        struct stat sourceInfo;
        ok = ok && fstat(in, &sourceInfo) == 0 && sourceInfo.st_size == copied && fsync(out) == 0;
        ok = close(out) == 0 && ok;
        close(in);
        if (!ok && exclusive)
            unlink(destination);
        return ok;
    }

    CString MakeUniqueFile(const CString& folder, const char* prefix) override
    {
        // The shape of GetTempFileName's names: up to three prefix characters, a hexadecimal
        // number, ".tmp"; the first free number after a varying start.
        static std::atomic<unsigned> counter{static_cast<unsigned>(std::time(nullptr)) ^
                                             static_cast<unsigned>(getpid())};
        for (int attempt = 0; attempt < 65535; ++attempt) {
            unsigned number = (++counter & 0xFFFF);
            if (number == 0)
                continue;
            char name[32];
            std::snprintf(name, sizeof name, "/%.3s%X.tmp", prefix, number);
            CString path = folder + name;
            int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0) {
                close(fd);
                return path;
            }
            if (errno != EEXIST)
                return CString();
        }
        return CString();
    }

    std::string ToSqlitePath(const CString& path) override { return path.str(); }

    bool Cp932ToUtf8(const std::string& text, std::string& utf8) override
    {
        thread_local Converter converter("UTF-8", "CP932");
        return converter.Convert(text, utf8, false);
    }
    bool Utf8ToCp932(const std::string& utf8, std::string& text) override
    {
        thread_local Converter converter("CP932", "UTF-8");
        return converter.Convert(utf8, text, true);
    }

    CStoreTime Now() override
    {
        std::time_t now = std::time(nullptr);
        struct tm local;
        localtime_r(&now, &local);
        CStoreTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        return t;
    }
    bool IsDatabaseAvailable() override { return m_available; }
    void SetDatabaseAvailable(bool available) override { m_available = available; }
    CString ReadProfileString(const char*, const char*, const char* defaultValue) override
    {
        return CString(defaultValue);
    }
    int MessageBoxId(unsigned, unsigned) override { return 1; }
    int ShowMessageBox(const char*, unsigned) override { return 1; }

private:
    bool m_available = false;
};

} // namespace

IStorePlatform& DefaultStorePlatform()
{
    static PosixStorePlatform platform;
    return platform;
}

} // namespace msgstore
