// CBase64 in the Windows build: the same encoder, checked with vectors from RFC 4648.
#include "net/base64/Base64.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Base64, Rfc4648VectorsAndProxyCredentials)
{
    const struct {
        const char* text;
        const char* token;
    } rows[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {":", "Og=="}, {"\x83\x5C:\xFF", "g1w6/w=="},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_STREQ(r.token, CBase64().Encode(r.text, static_cast<int>(std::strlen(r.text))));
    }
}
