// Base64 (RFC 4648 alphabet, "=" padding, one line) for the token of an HTTP "basic" proxy
// authorization: the message-server transport and the chat engine encode "user:password" here
// and send "Proxy-authorization: basic <token>".
#pragma once

#include "framework/core/CString.h"

class CBase64 {
public:
    CBase64() = default;
    virtual ~CBase64() = default;
    // The encoding of the length bytes at text; every length is encoded (an empty input gives an
    // empty text). The result never holds a line break.
    CString Encode(const char* text, int length);
};
