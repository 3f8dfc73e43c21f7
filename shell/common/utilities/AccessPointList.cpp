#include "shell/common/utilities/AccessPointList.h"

#include <string>

std::vector<AccessPoint> ParseAccessPointList(const char* data, std::size_t size)
{
    std::vector<AccessPoint> list;
    if (!data)
        return list;
    std::string text(data, size);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        std::size_t cr = line.find('\r');
        if (cr != std::string::npos)
            line.resize(cr);
        if (line.empty() || line[0] == '/')
            continue;
        std::string fields[4];
        std::size_t from = 0;
        int count = 0;
        for (; count < 3; ++count) {
            std::size_t comma = line.find(',', from);
            if (comma == std::string::npos)
                break;
            fields[count] = line.substr(from, comma - from);
            from = comma + 1;
        }
        if (count < 3)
            continue;
        fields[3] = line.substr(from);
        list.push_back({CString(fields[0]), CString(fields[1]), CString(fields[2]), CString(fields[3])});
    }
    return list;
}

const AccessPoint* FindAccessPoint(const std::vector<AccessPoint>& list, const CString& number)
{
    if (number.IsEmpty())
        return nullptr;
    for (const AccessPoint& entry : list) {
        if (entry.number.Compare(number) == 0)
            return &entry;
    }
    return nullptr;
}
