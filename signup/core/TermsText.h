// The terms of use arrive in pieces; every line end (CR LF, a lone CR or a lone LF) becomes
// CR LF, also when a CR ends one piece and the LF that belongs to it starts the next.
#pragma once

#include <cstddef>
#include <string>

class CTermsText {
public:
    explicit CTermsText(std::size_t capBytes = kDefaultCap) : m_cap(capBytes) {}
    // Appends one piece; false (and nothing more appended) once the text would exceed the cap.
    bool AppendPiece(const char* data, std::size_t length);
    const std::string& Text() const { return m_text; }
    bool OverCap() const { return m_overCap; }
    void Clear();

    static constexpr std::size_t kDefaultCap = 1u << 20;

private:
    std::string m_text;
    std::size_t m_cap;
    bool m_lastWasCr = false;
    bool m_overCap = false;
};
