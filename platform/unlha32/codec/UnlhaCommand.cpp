#include "platform/unlha32/codec/UnlhaCommand.h"

namespace lha {

namespace {

void SkipBlanks(const std::string& s, std::size_t& i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
}

// One blank-separated token; a token that starts with '"' runs to the closing quote.
// Quotes and blanks are never trail bytes of code page 932, so a byte scan is safe.
std::string NextToken(const std::string& s, std::size_t& i)
{
    SkipBlanks(s, i);
    std::string token;
    if (i < s.size() && s[i] == '"') {
        std::size_t end = s.find('"', i + 1);
        if (end == std::string::npos)
            end = s.size();
        token = s.substr(i + 1, end - i - 1);
        i = end < s.size() ? end + 1 : end;
        return token;
    }
    while (i < s.size() && s[i] != ' ' && s[i] != '\t')
        token += s[i++];
    return token;
}

// Whether the text ends with a path separator that is not the second byte of a double-byte
// character ("表" is 0x95 0x5C).
bool EndsWithSeparator(const std::string& s)
{
    bool separator = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < s.size()) {
            ++i;
            separator = false;
        } else {
            separator = c == '\\' || c == '/';
        }
    }
    return separator;
}

} // namespace

bool ParseCommand(const std::string& line, Command& command)
{
    command = Command();
    std::size_t i = 0;
    std::string verb = NextToken(line, i);
    if (verb.size() != 1)
        return false;
    switch (verb[0]) {
    case 'e': case 'E': case 'x': case 'X': command.verb = 'e'; break;
    case 'a': case 'A': command.verb = 'a'; break;
    case 't': case 'T': command.verb = 't'; break;
    default: return false;
    }
    for (;;) {
        SkipBlanks(line, i);
        if (i < line.size() && line[i] == '-') {
            command.switches.push_back(NextToken(line, i));
            continue;
        }
        break;
    }
    command.archive = NextToken(line, i);
    if (command.archive.empty())
        return false;
    if (command.verb == 't')
        return true;
    SkipBlanks(line, i);
    std::string rest = line.substr(i);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
        rest.pop_back();
    if (!rest.empty() && rest[0] != '"' && EndsWithSeparator(rest)) {
        command.folder = rest;
    } else {
        std::size_t j = 0;
        command.folder = NextToken(rest, j);
    }
    if (command.folder.empty())
        return false;
    if (!EndsWithSeparator(command.folder))
        command.folder += '\\';
    return true;
}

} // namespace lha
