// CBase64 against coreutils base64 for every length from 0 to 64.
#include "net/base64/Base64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string Coreutils(const std::string& bytes)
{
    char path[] = "/tmp/nvb64XXXXXX";
    int fd = ::mkstemp(path);
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), ::write(fd, bytes.data(), bytes.size()));
    ::close(fd);
    std::string command = std::string("base64 -w0 < ") + path;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buf[256];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        out.append(buf, n);
    ::pclose(pipe);
    ::unlink(path);
    return out;
}

TEST(Base64, EveryLengthFrom0To64MatchesCoreutils)
{
    std::string bytes;
    for (int length = 0; length <= 64; ++length) {
        SCOPED_TRACE(length);
        // Bytes over the whole range, high bits included, different at every length.
        bytes.clear();
        for (int i = 0; i < length; ++i)
            bytes += static_cast<char>((i * 97 + length * 31 + 0xA5) & 0xFF);
        CString encoded = CBase64().Encode(bytes.data(), length);
        EXPECT_EQ(Coreutils(bytes), std::string(encoded.GetString()));
        EXPECT_EQ(-1, encoded.FindOneOf("\r\n"));
        EXPECT_EQ((length + 2) / 3 * 4, encoded.GetLength());
    }
}

TEST(Base64, ProxyCredentialsIncludingEmptyOnes)
{
    const struct {
        const char* text;
        const char* token;
    } rows[] = {
        {":", "Og=="}, // empty user and password are still sent
        {"user:pw", "dXNlcjpwdw=="},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_STREQ(r.token, CBase64().Encode(r.text, static_cast<int>(std::string(r.text).size())));
    }
    EXPECT_STREQ("", CBase64().Encode("", 0));
    EXPECT_STREQ("", CBase64().Encode(nullptr, 5));
}

} // namespace
