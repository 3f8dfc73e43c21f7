// A multi-byte string in the framework's style: copy semantics, code page 932 text.
// Byte-based operations (Mid, Left, Right, GetLength) count bytes as the framework always has;
// the Safe* cuts and every search, trim and case change respect double-byte characters.
#pragma once

#include "framework/core/Types.h"

#include <cstdarg>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    CString(const std::string& text) : m_text(text) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }
    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    // Byte-wise comparison as strcmp does; CompareNoCase folds ASCII letters only and never
    // inside a double-byte character.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;
    int Collate(const char* other) const { return Compare(other); }

    // Byte cuts; out-of-range counts are clamped.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    // Cuts that never split a double-byte character: at most count bytes, whole characters only.
    CString SafeLeft(int count) const;
    CString SafeRight(int count) const;
    CString SafeMid(int first, int count) const;
    CString SafeMid(int first) const;

    CString SpanIncluding(const char* charSet) const;
    CString SpanExcluding(const char* charSet) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();

    void TrimLeft();
    void TrimRight();
    void Trim() { TrimRight(); TrimLeft(); }
    void TrimLeft(char target);
    void TrimRight(char target);
    void TrimLeft(const char* targets);
    void TrimRight(const char* targets);

    // Searches return byte indexes, or -1; a match never starts on a trail byte.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* charSet) const;

    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);

    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // Direct access to the buffer: GetBuffer gives room for at least minLength bytes plus a NUL;
    // ReleaseBuffer(-1) takes the length up to the first NUL.
    char* GetBuffer(int minLength = 0);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Loads a text of the program's string table (Windows builds only). windows.h may or may
    // not have made LoadString a macro for LoadStringA by now: both names work.
#pragma push_macro("LoadString")
#undef LoadString
    BOOL LoadString(UINT id);
    BOOL LoadStringA(UINT id) { return LoadString(id); }
#pragma pop_macro("LoadString")

private:
    bool IsCharStart(std::size_t index) const;
    template <class Pred> void TrimLeftWhile(Pred pred);
    template <class Pred> void TrimRightWhile(Pred pred);

    std::string m_text;
};

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
inline bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
inline bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
inline bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
