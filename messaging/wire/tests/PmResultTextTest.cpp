// Every result code of the message-server client has its user text under the id equal to the
// code, as the error reporter loads it (Windows only: it reads the compiled string table).
#include "messaging/wire/PmResultCodes.h"

#include "resources/StringIds.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring LoadW(UINT id)
{
    wchar_t buffer[512];
    const int n = ::LoadStringW(::GetModuleHandleA(nullptr), id, buffer, 512);
    return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

static_assert(IDS_PM_EXT_CANCELLED == PM_ERR_EXT_CANCELLED, "ids equal codes");
static_assert(IDS_PM_CONNECTION_FAILED == PM_ERR_CONNECTION_FAILED, "ids equal codes");
static_assert(IDS_PM_PROXY_CONNECTION_REFUSED == PM_ERR_PROXY_CONNECTION_REFUSED, "ids equal codes");

TEST(PmResultTexts, EveryCodeHasItsText)
{
    int previous = PM_RESULT_FIRST - 1;
    for (int code : kPmResultCodes) {
        SCOPED_TRACE(code);
        EXPECT_GT(code, previous) << "codes ascend";
        EXPECT_LE(code, PM_RESULT_LAST);
        previous = code;
        EXPECT_FALSE(LoadW(static_cast<UINT>(code)).empty());
    }
    EXPECT_TRUE(LoadW(12240).empty()) << "no text for an unused code";
}

TEST(PmResultTexts, TextsAreTheStoredOnes)
{
    struct Row { int code; const wchar_t* text; };
    const Row rows[] = {
        {PM_ERR_EXT_CANCELLED, L"ﾕｰｻﾞによって拡張ﾒｯｾｰｼﾞ通信がｷｬﾝｾﾙされました."},
        {PM_ERR_TCP_SESSION_CLOSED, L"TCP接続の通信ｾｯｼｮﾝが終了しました."},
        {PM_ERR_CONNECTION_FAILED, L"UDP/TCPの受信がｴﾗｰを起こしました."},
        {PM_ERR_PROXY_CONNECTION_REFUSED, L"ﾌﾟﾛｷｼｻｰﾊﾞｰとの接続が拒否されました."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(std::wstring(row.text), LoadW(static_cast<UINT>(row.code)));
    }
    char ansi[256];
    const int n = ::LoadStringA(::GetModuleHandleA(nullptr), PM_ERR_SEND_FAILED, ansi, sizeof ansi);
    EXPECT_EQ(std::string("PM \x82\xCC\x91\x97\x90\x4D\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD."),
              std::string(ansi, n > 0 ? n : 0))
        << "code page 932 bytes for LoadStringA";
}

} // namespace
