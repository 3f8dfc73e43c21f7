#include "framework/core/CString.h"

#include "framework/core/Cp932.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the character (one or two bytes) at ch is one of the characters of set.
bool SetHasChar(const char* set, const char* ch, std::size_t chLength)
{
    if (!set)
        return false;
    std::size_t setLength = std::strlen(set);
    for (std::size_t at = 0; at < setLength;) {
        std::size_t n = cp932::CharLength(set + at, setLength - at);
        if (n == chLength && std::memcmp(set + at, ch, n) == 0)
            return true;
        at += n;
    }
    return false;
}

std::size_t Clamp(int value, std::size_t high)
{
    if (value < 0)
        return 0;
    return std::min(static_cast<std::size_t>(value), high);
}

} // namespace

CString::CString(const char* text, int length)
{
    if (text && length > 0)
        m_text.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0)
        m_text.assign(static_cast<std::size_t>(repeat), ch);
}

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    m_text.assign(1, ch);
    return *this;
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength())
        return '\0';
    return m_text[static_cast<std::size_t>(index)];
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && index < GetLength())
        m_text[static_cast<std::size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other)
{
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text)
        m_text += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
CString operator+(char a, const CString& b) { CString r(a); r += b; return r; }

int CString::Compare(const char* other) const
{
    return std::strcmp(m_text.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const
{
    const char* a = m_text.c_str();
    const char* b = other ? other : "";
    std::size_t aLength = std::strlen(a), bLength = std::strlen(b);
    std::size_t i = 0, j = 0;
    while (i < aLength && j < bLength) {
        std::size_t an = cp932::CharLength(a + i, aLength - i);
        std::size_t bn = cp932::CharLength(b + j, bLength - j);
        if (an == 1 && bn == 1) {
            unsigned char ca = static_cast<unsigned char>(AsciiLower(a[i]));
            unsigned char cb = static_cast<unsigned char>(AsciiLower(b[j]));
            if (ca != cb)
                return ca < cb ? -1 : 1;
        } else {
            int r = std::memcmp(a + i, b + j, std::min(an, bn));
            if (r != 0)
                return r < 0 ? -1 : 1;
            if (an != bn)
                return an < bn ? -1 : 1;
        }
        i += an;
        j += bn;
    }
    if (i < aLength)
        return 1;
    if (j < bLength)
        return -1;
    return 0;
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const
{
    std::size_t start = Clamp(first, m_text.size());
    std::size_t n = Clamp(count, m_text.size() - start);
    return CString(m_text.substr(start, n));
}

CString CString::Left(int count) const { return CString(m_text.substr(0, Clamp(count, m_text.size()))); }

CString CString::Right(int count) const
{
    std::size_t n = Clamp(count, m_text.size());
    return CString(m_text.substr(m_text.size() - n));
}

CString CString::SafeLeft(int count) const
{
    std::size_t end = cp932::BoundaryAtOrBefore(m_text.data(), m_text.size(), Clamp(count, m_text.size()));
    return CString(m_text.substr(0, end));
}

CString CString::SafeRight(int count) const
{
    std::size_t start = m_text.size() - Clamp(count, m_text.size());
    start = cp932::BoundaryAtOrAfter(m_text.data(), m_text.size(), start);
    return CString(m_text.substr(start));
}

CString CString::SafeMid(int first) const { return SafeMid(first, GetLength()); }

CString CString::SafeMid(int first, int count) const
{
    std::size_t start = Clamp(first, m_text.size());
    std::size_t end = start + Clamp(count, m_text.size() - start);
    start = cp932::BoundaryAtOrAfter(m_text.data(), m_text.size(), start);
    end = cp932::BoundaryAtOrBefore(m_text.data(), m_text.size(), end);
    if (end <= start)
        return CString();
    return CString(m_text.substr(start, end - start));
}

CString CString::SpanIncluding(const char* charSet) const
{
    std::size_t at = 0;
    while (at < m_text.size()) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (!SetHasChar(charSet, m_text.data() + at, n))
            break;
        at += n;
    }
    return Left(static_cast<int>(at));
}

CString CString::SpanExcluding(const char* charSet) const
{
    std::size_t at = 0;
    while (at < m_text.size()) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (SetHasChar(charSet, m_text.data() + at, n))
            break;
        at += n;
    }
    return Left(static_cast<int>(at));
}

void CString::MakeUpper()
{
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1)
            m_text[at] = AsciiUpper(m_text[at]);
        at += n;
    }
}

void CString::MakeLower()
{
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1)
            m_text[at] = AsciiLower(m_text[at]);
        at += n;
    }
}

void CString::MakeReverse()
{
    std::string reversed(m_text.size(), '\0');
    std::size_t out = m_text.size();
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        out -= n;
        std::memcpy(&reversed[out], m_text.data() + at, n);
        at += n;
    }
    m_text.swap(reversed);
}

template <class Pred> void CString::TrimLeftWhile(Pred pred)
{
    std::size_t at = 0;
    while (at < m_text.size()) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (!pred(m_text.data() + at, n))
            break;
        at += n;
    }
    m_text.erase(0, at);
}

template <class Pred> void CString::TrimRightWhile(Pred pred)
{
    std::size_t keep = 0;
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        at += n;
        if (!pred(m_text.data() + at - n, n))
            keep = at;
    }
    m_text.resize(keep);
}

void CString::TrimLeft() { TrimLeftWhile([](const char* c, std::size_t n) { return n == 1 && IsAsciiSpace(*c); }); }
void CString::TrimRight() { TrimRightWhile([](const char* c, std::size_t n) { return n == 1 && IsAsciiSpace(*c); }); }
void CString::TrimLeft(char target) { TrimLeftWhile([target](const char* c, std::size_t n) { return n == 1 && *c == target; }); }
void CString::TrimRight(char target) { TrimRightWhile([target](const char* c, std::size_t n) { return n == 1 && *c == target; }); }
void CString::TrimLeft(const char* targets) { TrimLeftWhile([targets](const char* c, std::size_t n) { return SetHasChar(targets, c, n); }); }
void CString::TrimRight(const char* targets) { TrimRightWhile([targets](const char* c, std::size_t n) { return SetHasChar(targets, c, n); }); }

bool CString::IsCharStart(std::size_t index) const
{
    return cp932::IsBoundary(m_text.data(), m_text.size(), index);
}

int CString::Find(char ch, int start) const
{
    if (start < 0)
        start = 0;
    for (std::size_t at = cp932::BoundaryAtOrAfter(m_text.data(), m_text.size(), static_cast<std::size_t>(start));
         at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1 && m_text[at] == ch)
            return static_cast<int>(at);
        at += n;
    }
    return -1;
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || static_cast<std::size_t>(start) > m_text.size())
        return -1;
    std::size_t subLength = std::strlen(sub);
    std::size_t at = cp932::BoundaryAtOrAfter(m_text.data(), m_text.size(), static_cast<std::size_t>(start));
    while (at + subLength <= m_text.size()) {
        if (m_text.compare(at, subLength, sub) == 0)
            return static_cast<int>(at);
        if (at == m_text.size())
            break;
        at += cp932::CharLength(m_text.data() + at, m_text.size() - at);
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    int found = -1;
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1 && m_text[at] == ch)
            found = static_cast<int>(at);
        at += n;
    }
    return found;
}

int CString::FindOneOf(const char* charSet) const
{
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (SetHasChar(charSet, m_text.data() + at, n))
            return static_cast<int>(at);
        at += n;
    }
    return -1;
}

int CString::Replace(char oldCh, char newCh)
{
    int count = 0;
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1 && m_text[at] == oldCh) {
            m_text[at] = newCh;
            ++count;
        }
        at += n;
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    std::string replacement = newText ? newText : "";
    std::size_t oldLength = std::strlen(oldText);
    std::string out;
    int count = 0;
    std::size_t at = 0;
    while (at < m_text.size()) {
        if (m_text.compare(at, oldLength, oldText) == 0 && at + oldLength <= m_text.size()) {
            out += replacement;
            at += oldLength;
            ++count;
            continue;
        }
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        out.append(m_text, at, n);
        at += n;
    }
    if (count)
        m_text.swap(out);
    return count;
}

int CString::Remove(char ch)
{
    std::string out;
    int count = 0;
    for (std::size_t at = 0; at < m_text.size();) {
        std::size_t n = cp932::CharLength(m_text.data() + at, m_text.size() - at);
        if (n == 1 && m_text[at] == ch)
            ++count;
        else
            out.append(m_text, at, n);
        at += n;
    }
    m_text.swap(out);
    return count;
}

int CString::Insert(int index, char ch)
{
    m_text.insert(Clamp(index, m_text.size()), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const char* text)
{
    if (text)
        m_text.insert(Clamp(index, m_text.size()), text);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    std::size_t start = Clamp(index, m_text.size());
    m_text.erase(start, Clamp(count, m_text.size() - start));
    return GetLength();
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format ? format : "", copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format ? format : "", args);
    m_text.assign(buffer.data(), static_cast<std::size_t>(needed));
}

void CString::AppendFormat(const char* format, ...)
{
    CString more;
    va_list args;
    va_start(args, format);
    more.FormatV(format, args);
    va_end(args);
    m_text += more.m_text;
}

char* CString::GetBuffer(int minLength)
{
    std::size_t want = minLength > 0 ? static_cast<std::size_t>(minLength) : 0;
    if (m_text.size() < want)
        m_text.resize(want, '\0');
    return &m_text[0];
}

char* CString::GetBufferSetLength(int length)
{
    m_text.resize(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        m_text.resize(std::strlen(m_text.c_str()));
    else
        m_text.resize(std::min(static_cast<std::size_t>(newLength), m_text.size()));
}
