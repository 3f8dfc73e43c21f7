#include "messaging/wire/PmScrambler.h"

namespace {

// Generated at configure time from data/pm_scrambler_tables.txt.
#include "PmScramblerTables.inc"

const PmScramblerTables kTables = {kPmFwd, kPmInv, kPmMult};

} // namespace

const PmScramblerTables& PmTables()
{
    return kTables;
}

unsigned PmScramblerMode(std::size_t length)
{
    return static_cast<unsigned>((length >> 2) & 3);
}

std::uint32_t PmScramblerMultiplier(std::size_t length)
{
    return kPmMult[length % 3];
}

void PmCipherInit(PmCipherState& state, std::size_t length, std::uint32_t seed)
{
    state.mode = PmScramblerMode(length);
    state.seed = seed;
    state.running = seed;
    state.multiplier = PmScramblerMultiplier(length);
}

void PmEncrypt(PmCipherState& state, std::uint8_t* out, const std::uint8_t* in, std::size_t length)
{
    const std::uint8_t* table = kPmFwd[state.mode & 3];
    std::uint32_t s = state.running;
    const std::uint32_t multiplier = state.multiplier;
    for (std::size_t i = 0; i < length; ++i) {
        s = s * multiplier + 1;
        out[i] = table[static_cast<std::uint8_t>(s >> 24) ^ in[i]];
    }
    state.running = s;
}

void PmDecrypt(PmCipherState& state, std::uint8_t* out, const std::uint8_t* in, std::size_t length)
{
    const std::uint8_t* table = kPmInv[state.mode & 3];
    std::uint32_t s = state.running;
    const std::uint32_t multiplier = state.multiplier;
    for (std::size_t i = 0; i < length; ++i) {
        s = s * multiplier + 1;
        out[i] = table[in[i]] ^ static_cast<std::uint8_t>(s >> 24);
    }
    state.running = s;
}

void PmEncryptBuffer(std::uint8_t* buffer, std::size_t length, std::uint32_t seed)
{
    PmCipherState state;
    PmCipherInit(state, length, seed);
    PmEncrypt(state, buffer, buffer, length);
}

void PmDecryptBuffer(std::uint8_t* buffer, std::size_t length, std::uint32_t seed)
{
    PmCipherState state;
    PmCipherInit(state, length, seed);
    PmDecrypt(state, buffer, buffer, length);
}
