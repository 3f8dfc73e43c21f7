#include "chat_web/engine/JisCodec.h"

namespace chat {
namespace {

const char kEnterJis[] = "\x1B$B";
const char kLeaveJis[] = "\x1B(B";
const unsigned char kGeta[2] = {0x22, 0x2E}; // 〓, for characters JIS X 0208 cannot hold

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsSjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Standard Shift_JIS to JIS arithmetic; false when the result lies outside the 94 x 94 table.
bool SjisPairToJis(unsigned char lead, unsigned char trail, unsigned char& j1, unsigned char& j2)
{
    int row = (lead >= 0xE0 ? lead - 0xC1 : lead - 0x81) * 2 + 0x21;
    int cell;
    if (trail >= 0x9F) {
        ++row;
        cell = trail - 0x7E;
    } else {
        cell = trail >= 0x80 ? trail - 0x20 : trail - 0x1F;
    }
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E)
        return false;
    j1 = static_cast<unsigned char>(row);
    j2 = static_cast<unsigned char>(cell);
    return true;
}

void JisPairToSjis(unsigned char j1, unsigned char j2, std::string& out)
{
    unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    unsigned char s2;
    if (j1 & 1)
        s2 = static_cast<unsigned char>(j2 + (j2 > 0x5F ? 0x20 : 0x1F));
    else
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    out += static_cast<char>(s1);
    out += static_cast<char>(s2);
}

} // namespace

std::string SjisToJis(const std::string& text)
{
    std::string out;
    bool inJis = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsSjisLead(c)) {
            if (i + 1 >= text.size() || !IsSjisTrail(static_cast<unsigned char>(text[i + 1])))
                continue; // half a character: nothing sensible to send
            unsigned char j1, j2;
            if (!SjisPairToJis(c, static_cast<unsigned char>(text[i + 1]), j1, j2)) {
                j1 = kGeta[0];
                j2 = kGeta[1];
            }
            if (!inJis) {
                out += kEnterJis;
                inJis = true;
            }
            out += static_cast<char>(j1);
            out += static_cast<char>(j2);
            ++i;
            continue;
        }
        // An ESC in the text would switch the receiver's decoder: it is not the text's to send.
        if (c == 0x1B)
            continue;
        if (inJis) {
            out += kLeaveJis;
            inJis = false;
        }
        out += static_cast<char>(c);
    }
    if (inJis)
        out += kLeaveJis;
    return out;
}

std::string JisToSjis(const std::string& text)
{
    std::string out;
    bool twoByte = false;
    std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0x1B) {
            std::string seq = text.substr(i, 3);
            if (seq == "\x1B$@" || seq == "\x1B$B") {
                twoByte = true;
                i += 3;
                continue;
            }
            if (seq == "\x1B(B" || seq == "\x1B(J") {
                twoByte = false;
                i += 3;
                continue;
            }
            if (i + 1 < n && text[i + 1] == 'K') {
                twoByte = true;
                i += 2;
                continue;
            }
            if (i + 1 < n && text[i + 1] == 'H') {
                twoByte = false;
                i += 2;
                continue;
            }
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        unsigned char d = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (twoByte && c >= 0x21 && c <= 0x7E) {
            if (d >= 0x21 && d <= 0x7E) {
                JisPairToSjis(c, d, out);
                i += 2;
            } else {
                out += static_cast<char>(c);
                ++i;
            }
            continue;
        }
        if (!twoByte && c >= 0xA1 && c <= 0xFE && d >= 0xA1 && d <= 0xFE) {
            JisPairToSjis(static_cast<unsigned char>(c & 0x7F), static_cast<unsigned char>(d & 0x7F), out);
            i += 2;
            continue;
        }
        out += static_cast<char>(c);
        ++i;
    }
    return out;
}

} // namespace chat
