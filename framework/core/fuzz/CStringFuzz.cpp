// Text from outside (skins, servers, files) is arbitrary bytes: cuts, trims and searches must
// stay inside the text and never leave half a double-byte character behind a safe cut.
#include "framework/core/CString.h"
#include "framework/core/Cp932.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    int a = data[0], b = data[1];
    std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    CString text(bytes.c_str()); // stops at the first NUL, as the framework's text does
    int length = text.GetLength();

    CString left = text.SafeLeft(a);
    if (left.GetLength() > a || !cp932::IsBoundary(text, length, left.GetLength()))
        std::abort();
    CString mid = text.SafeMid(a, b);
    if (mid.GetLength() > b)
        std::abort();
    CString right = text.SafeRight(b);
    if (!cp932::IsBoundary(text, length, length - right.GetLength()))
        std::abort();

    int found = text.Find(static_cast<char>(a));
    if (found >= length || (found >= 0 && !cp932::IsBoundary(text, length, found)))
        std::abort();
    int reverse = text.ReverseFind(static_cast<char>(b));
    if (reverse >= length)
        std::abort();

    CString copy = text;
    copy.MakeUpper();
    copy.MakeReverse();
    copy.MakeReverse();
    copy.TrimRight('\\');
    copy.Trim();
    if (copy.GetLength() > length)
        std::abort();
    CString pattern = text.SafeLeft(b % 4);
    copy.Replace(pattern, "xy");
    copy.Format("%s%d", static_cast<const char*>(text), a);
    return 0;
}
