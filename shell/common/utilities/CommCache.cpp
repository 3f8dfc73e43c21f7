#include "shell/common/utilities/CommCache.h"

#include <algorithm>
#include <string>

void CCommCache::Parse(const char* data, std::size_t size)
{
    m_pairs.clear();
    if (!data)
        return;
    bool cut = size > kMaxFileBytes;
    std::string text(data, std::min(size, kMaxFileBytes));
    // Text stops at a zero byte, as it always has for this file.
    std::size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
        cut = false;
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < kMaxFields) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            // The last field of a file cut at the byte limit is only part of a value.
            if (!cut)
                fields.push_back(text.substr(start));
            break;
        }
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    for (std::size_t i = 0; i + 1 < fields.size() && m_pairs.size() < kMaxPairs; i += 2) {
        if (!fields[i].empty())
            m_pairs.emplace_back(CString(fields[i]), CString(fields[i + 1]));
    }
}

CString CCommCache::Format() const
{
    std::string out;
    for (const Pair& pair : m_pairs) {
        std::string item = pair.first.str() + "," + pair.second.str();
        std::size_t needed = item.size() + (out.empty() ? 0 : 1);
        if (out.size() + needed > kMaxFileBytes)
            break;
        if (!out.empty())
            out += ',';
        out += item;
    }
    return CString(out);
}

void CCommCache::Update(const CString& key, const CString& value)
{
    auto found = std::find_if(m_pairs.begin(), m_pairs.end(), [&](const Pair& p) { return p.first.Compare(key) == 0; });
    if (found != m_pairs.end())
        m_pairs.erase(found);
    if (!value.IsEmpty())
        m_pairs.insert(m_pairs.begin(), Pair(key, value));
    if (m_pairs.size() > kMaxPairs)
        m_pairs.pop_back();
}

bool CCommCache::Lookup(bool byValue, const CString& text, CString& result) const
{
    for (const Pair& pair : m_pairs) {
        const CString& probe = byValue ? pair.second : pair.first;
        if (probe.Compare(text) == 0) {
            result = byValue ? pair.first : pair.second;
            return true;
        }
    }
    return false;
}
