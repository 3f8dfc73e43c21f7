// CFile and CStdioFile: files opened by path (code page 932 names on Windows) with the
// framework's open flags. Portable: the same bytes on every build. Failures are answered, never
// thrown: Open and Write return FALSE, Read returns the bytes it got. Share flags are accepted
// and not enforced.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>
#include <cstdio>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,    // create; an existing file is emptied unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,      // CStdioFile: lines end in CR LF in the file
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(const char* path, UINT flags) { Open(path, flags); }
    virtual ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Without modeCreate the file must exist. An object that is open already fails.
    virtual BOOL Open(const char* path, UINT flags);
    virtual void Close();
    void Abort() { Close(); }
    BOOL IsOpen() const { return m_file != nullptr; }

    virtual UINT Read(void* buffer, UINT count);
    virtual BOOL Write(const void* buffer, UINT count);
    virtual BOOL Flush();

    // Returns the new position, or the old one when the seek failed.
    std::uint64_t Seek(std::int64_t offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;

    CString GetFilePath() const { return m_path; }
    // The name after the last folder separator ('\\' that is no trail byte, '/' or ':').
    CString GetFileName() const;

    static BOOL Remove(const char* path);
    static BOOL Rename(const char* oldPath, const char* newPath);

protected:
    std::FILE* Stream() const { return m_file; }
    // Puts the stream in reading order after a write.
    void StartReading();
    UINT m_flags = 0;

private:
    std::FILE* m_file = nullptr;
    bool m_writing = false;
    CString m_path;
};

class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    CStdioFile(const char* path, UINT flags) { Open(path, flags); }

    // Text mode unless typeBinary is given.
    BOOL Open(const char* path, UINT flags) override;
    // One line without its line break (LF, or CR LF); FALSE at the end of the file with nothing read.
    BOOL ReadString(CString& line);
    // Writes the text; in text mode each LF goes to the file as CR LF (an LF that follows a CR
    // already stays as it is, so "\r\n" is never doubled).
    BOOL WriteString(const char* text);
};
