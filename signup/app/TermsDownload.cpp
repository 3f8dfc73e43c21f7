#include "signup/app/TermsDownload.h"

TermsResult CTermsDownload::Fetch(const CString& url, winutil::HttpGetOptions options,
                                  const std::function<void(const std::string&)>& onPiece)
{
    TermsResult result;
    m_text.Clear();
    bool complete = false, failed = false;
    options.maxBytes = static_cast<DWORD>(kCapBytes);
    CString whole;
    long error = 0;
    const bool read = winutil::HttpGetUrl(url, whole, [&](const CString& chunk, int state) {
        if (state == 0) {
            if (chunk.IsEmpty())
                return;
            ++result.pieces;
            if (!m_text.AppendPiece(chunk.GetString(), static_cast<std::size_t>(chunk.GetLength())))
                failed = true;
            if (onPiece)
                onPiece(m_text.Text());
        } else if (state == 1) {
            complete = true;
        } else {
            failed = true;
        }
    }, options, &error);
    result.error = error;
    result.ok = read && complete && !failed && result.pieces > 0 && !m_text.OverCap();
    if (result.ok)
        result.error = 0;
    else if (result.error == 0)
        result.error = -1;
    return result;
}
