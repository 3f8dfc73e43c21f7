// Seeded byte substitution that hides message-server payloads on the wire. Both directions step
// the same linear congruential generator once per byte and use its top byte as the key; the
// substitution tables and multipliers are fixed data shared with the server
// (data/pm_scrambler_tables.txt, built into the program).
#pragma once

#include <cstddef>
#include <cstdint>

struct PmScramblerTables {
    const std::uint8_t (*fwd)[256]; // 4 permutations of 0..255
    const std::uint8_t (*inv)[256]; // their inverses
    const std::uint32_t* mult;      // 3 multipliers, each 1 modulo 4
};
const PmScramblerTables& PmTables();

// Mode and multiplier depend only on the payload length, so a receiver can set up from the
// frame's length field alone.
unsigned PmScramblerMode(std::size_t length);
std::uint32_t PmScramblerMultiplier(std::size_t length);

// One-shot, in place, for a whole payload of length bytes.
void PmEncryptBuffer(std::uint8_t* buffer, std::size_t length, std::uint32_t seed);
void PmDecryptBuffer(std::uint8_t* buffer, std::size_t length, std::uint32_t seed);

// Piecewise: the state is set up for the total length once, then any number of Encrypt or
// Decrypt calls continue the same key stream (out and in may be the same buffer).
struct PmCipherState {
    unsigned mode = 0;
    std::uint32_t seed = 0;
    std::uint32_t running = 0;
    std::uint32_t multiplier = 1;
};
void PmCipherInit(PmCipherState& state, std::size_t length, std::uint32_t seed);
void PmEncrypt(PmCipherState& state, std::uint8_t* out, const std::uint8_t* in, std::size_t length);
void PmDecrypt(PmCipherState& state, std::uint8_t* out, const std::uint8_t* in, std::size_t length);
