// Drives the byte reader with a script taken from the input itself: every read must stay inside
// the buffer and a failed reader must stay failed. What the reads gave, written by the byte writer
// with the same script, reads back the same.
#include "framework/core/ByteBuffer.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Value {
    std::uint32_t number = 0;
    std::string text;
    bool operator!=(const Value& other) const { return number != other.number || text != other.text; }
};

Value ReadOne(CByteReader& r, std::uint8_t op)
{
    Value v;
    switch (op % 8) {
    case 0: v.number = r.U8(); break;
    case 1: v.number = r.U16BE(); break;
    case 2: v.number = r.U32BE(); break;
    case 3: v.number = r.U16LE(); break;
    case 4: v.number = r.U32LE(); break;
    case 5: v.text = r.FixedString(op / 8).str(); break;
    case 6: {
        std::vector<std::uint8_t> taken = r.Take(op / 8);
        v.text.assign(taken.begin(), taken.end());
        break;
    }
    default: r.Skip(op / 8); break;
    }
    return v;
}

void WriteOne(CByteWriter& w, std::uint8_t op, const Value& v)
{
    switch (op % 8) {
    case 0: w.U8(static_cast<std::uint8_t>(v.number)); break;
    case 1: w.U16BE(static_cast<std::uint16_t>(v.number)); break;
    case 2: w.U32BE(v.number); break;
    case 3: w.U16LE(static_cast<std::uint16_t>(v.number)); break;
    case 4: w.U32LE(v.number); break;
    case 5: w.FixedString(v.text.c_str(), op / 8, false); break;
    case 6: w.Bytes(v.text.data(), v.text.size()); break;
    default: w.Zeros(op / 8); break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::size_t split = data[0] % (size);
    const std::uint8_t* script = data + 1;
    std::size_t scriptLength = split > 0 ? split - 1 : 0;
    CByteReader r(data + split, size - split);
    bool failed = false;
    std::vector<Value> values;
    std::size_t good = 0; // script steps read before the reader failed
    for (std::size_t i = 0; i < scriptLength; ++i) {
        std::size_t before = r.Position();
        values.push_back(ReadOne(r, script[i]));
        if (failed && (!r.Failed() || r.Position() != before))
            std::abort();
        failed = r.Failed();
        if (!failed)
            good = i + 1;
        if (r.Position() > size - split)
            std::abort();
    }

    CByteWriter w;
    for (std::size_t i = 0; i < good; ++i)
        WriteOne(w, script[i], values[i]);
    if (w.Size() != r.Position() && !failed)
        std::abort();
    CByteReader again(w.Data().data(), w.Size());
    for (std::size_t i = 0; i < good; ++i)
        if (ReadOne(again, script[i]) != values[i] || again.Failed())
            std::abort();
    // Patches land inside what was written, never past it.
    if (w.Size() >= 4) {
        std::size_t at = data[size - 1] % w.Size();
        bool fits = at + 4 <= w.Size();
        if (w.PatchU32BE(at, 0x01020304u) != fits || (fits && w.Data()[at + 3] != 4))
            std::abort();
        if (w.PatchU16BE(w.Size() - 1, 1))
            std::abort();
    }
    return 0;
}
