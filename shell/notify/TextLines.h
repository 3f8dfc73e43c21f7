// The lines of an LF-separated text: each without its LF and without one CR before it; a last
// line without LF counts too. Portable.
#pragma once

#include <cstddef>
#include <string>

namespace notify {

template <class Visit>
void ForEachLine(const std::string& text, Visit visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        if (end > pos && text[end - 1] == '\r')
            --end;
        visit(pos, end - pos);
        pos = next;
    }
}

} // namespace notify
