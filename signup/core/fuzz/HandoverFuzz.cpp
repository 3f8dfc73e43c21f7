// Hand-over names of any bytes (an atom holds at most 255): the path test never reads outside
// the text and a taken path is a ".cni" file within the name.
#include "signup/core/SignupRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string name(reinterpret_cast<const char*>(data), size);
    name = name.substr(0, name.find('\0'));
    CString path;
    if (signup::ConnectionFileOfHandover(CString(name), &path)) {
        if (path.GetLength() < 4 || path.GetLength() > static_cast<int>(name.size()))
            std::abort();
        if (name.find(path.str()) == std::string::npos)
            std::abort();
    }
    return 0;
}
