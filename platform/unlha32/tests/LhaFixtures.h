// Archives made by an independent LHA implementation (jlha-utils), kept as byte arrays, and the
// generator of their members' contents (mirrors make_fixtures.py).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lhatest {

struct Fixture {
    const char* name;
    int level;
    const char* method;  // of text.txt (far.dat may be stored when that is smaller)
    const unsigned char* data;
    std::size_t size;
};

const std::vector<Fixture>& JlhaFixtures();

class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : m_x(seed) {}
    std::uint32_t Next()
    {
        m_x = (m_x * 1103515245u + 12345u) & 0x7FFFFFFFu;
        return (m_x >> 16) & 0x7FFF;
    }

private:
    std::uint32_t m_x;
};

inline std::vector<std::uint8_t> FixtureText()
{
    static const char* const words[] = {"skin", "main", "bitmap", "region", "window", "key", "colour", "\r\n"};
    Lcg g(7);
    std::string text;
    for (int i = 0; i < 900; ++i) {
        if (i)
            text += ' ';
        text += words[g.Next() % 8];
    }
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::vector<std::uint8_t> FixtureFar()
{
    Lcg g(11);
    std::vector<std::uint8_t> block;
    for (int i = 0; i < 300; ++i)
        block.push_back(static_cast<std::uint8_t>(g.Next() & 0xFF));
    std::vector<std::uint8_t> out = block;
    out.resize(out.size() + 20000, 0);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

} // namespace lhatest
