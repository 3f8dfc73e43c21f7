// SplitFields over any bytes: first byte the delimiter, second the field limit.
#include "shell/common/skin/SplitFields.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    CString text(reinterpret_cast<const char*>(data + 2), static_cast<int>(size - 2));
    CStringArray out;
    int max = data[1] % 16;
    int count = SplitFields(text, static_cast<char>(data[0]), max, out);
    if (count < 0 || count > (max < 1 ? 1 : max) || out.GetSize() != (max < 1 ? 1 : max))
        __builtin_trap();
    int total = 0;
    for (int i = 0; i < out.GetSize(); ++i)
        total += out[i].GetLength();
    if (total > text.GetLength())
        __builtin_trap();
    return 0;
}
