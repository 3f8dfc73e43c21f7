#include "voip/win/ResourceText.h"

#include "platform/nvres/nvres.h"

#include <windows.h>

#include <cstdlib>

namespace qelo {

std::string ResourceText(int number)
{
    char buffer[256];
    int length = LoadStringA(hDllNvres, static_cast<UINT>(std::abs(number)), buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

const char* LoadResourceText(int number)
{
    // Per thread: the call, wave, voice and tone threads each rotate through their own buffers.
    thread_local char buffers[8][256];
    thread_local int next = 0;
    char* buffer = buffers[next];
    next = (next + 1) % 8;
    std::string text = ResourceText(number);
    text.copy(buffer, sizeof buffers[0] - 1);
    buffer[text.size() < sizeof buffers[0] ? text.size() : sizeof buffers[0] - 1] = '\0';
    return buffer;
}

} // namespace qelo
