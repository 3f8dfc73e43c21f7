// The terms of use fetched with the HTTP reader: each piece is normalised (every line end made
// CR LF, also across pieces) and handed to the caller, which shows the text so far. The download
// succeeded only when the reader succeeded, the end was reported and at least one piece came; a
// status other than 200, an empty body or a text over the cap is a failure.
#pragma once

#include "shell/common/utilities/WinUtil.h"
#include "signup/core/TermsText.h"

#include <functional>
#include <string>

struct TermsResult {
    bool ok = false;
    long error = 0; // the reader's error (a WinINet error, an HTTP status, or -1)
    int pieces = 0;
};

class CTermsDownload {
public:
    static constexpr std::size_t kCapBytes = 1u << 20;

    // options: the connection's settings (agent, proxy, flags); the cap is set here.
    TermsResult Fetch(const CString& url, winutil::HttpGetOptions options,
                      const std::function<void(const std::string& textSoFar)>& onPiece);
    const std::string& Text() const { return m_text.Text(); }

private:
    CTermsText m_text{kCapBytes};
};
