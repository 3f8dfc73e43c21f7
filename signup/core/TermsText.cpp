#include "signup/core/TermsText.h"

bool CTermsText::AppendPiece(const char* data, std::size_t length)
{
    if (m_overCap)
        return false;
    std::string out;
    out.reserve(length + length / 8 + 2);
    for (std::size_t i = 0; i < length; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (!m_lastWasCr)
                out += "\r\n";
            m_lastWasCr = false;
        } else if (c == '\r') {
            out += "\r\n";
            m_lastWasCr = true;
        } else {
            out += c;
            m_lastWasCr = false;
        }
    }
    if (m_text.size() + out.size() > m_cap) {
        m_overCap = true;
        return false;
    }
    m_text += out;
    return true;
}

void CTermsText::Clear()
{
    m_text.clear();
    m_lastWasCr = false;
    m_overCap = false;
}
