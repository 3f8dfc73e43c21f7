// Texts from pages, the command line and the string table pass through these helpers.
#include "shell/common/utilities/TextUtil.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    CString input(text);
    textutil::StripHtmlTags(input);
    CString stripped = textutil::StripQuotes(input);
    if (stripped.GetLength() > input.GetLength())
        __builtin_trap();
    textutil::ClassifyHandoverPath(stripped);
    textutil::StringPart(input, 1);
    textutil::StringPart(input, 2);
    textutil::BuildVersionText(input);
    CString folder = textutil::FolderOfPath(input);
    CString file = textutil::FileOfPath(input);
    if (folder.GetLength() + file.GetLength() > input.GetLength())
        __builtin_trap();
    return 0;
}
