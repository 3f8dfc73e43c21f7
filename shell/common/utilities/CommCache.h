// The connection cache commcash.dat: pairs of a communication ID and a telephone call ID, most
// recent first, kept as one text "key,value,key,value..." without a line end.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <utility>
#include <vector>

class CCommCache {
public:
    static constexpr std::size_t kMaxFileBytes = 3800;
    static constexpr std::size_t kMaxFields = 200;
    static constexpr std::size_t kMaxPairs = 100;

    using Pair = std::pair<CString, CString>;

    // Replaces the pairs with those of a file's text. Only the first kMaxFileBytes bytes and
    // kMaxFields fields are read: a longer file keeps what fits instead of being dropped whole.
    // A pair with an empty key is dropped; a field cut by the byte limit is dropped too.
    void Parse(const char* data, std::size_t size);
    // The file text: every pair as key "," value, the pairs joined by ",". Pairs are written only
    // while the text stays within kMaxFileBytes, so the next Parse reads all that was written.
    CString Format() const;

    // Removes the first pair with this key; a non-empty value is put in front; past kMaxPairs
    // the last pair goes.
    void Update(const CString& key, const CString& value);
    // Compares text with each pair's value (byValue) or key; on a match the other half goes to
    // result. Returns false and leaves result alone otherwise.
    bool Lookup(bool byValue, const CString& text, CString& result) const;

    const std::vector<Pair>& Pairs() const { return m_pairs; }
    void Clear() { m_pairs.clear(); }

private:
    std::vector<Pair> m_pairs;
};
