// The password scrambler: short secrets of the shared profile (NetInfo passwords, the phone's
// gateway account) are stored as upper-case hexadecimal text of the bytes combined with a fixed
// 8-byte key. The sign-up program writes the same text, so both programs link this code.
#pragma once

#include <cstddef>
#include <string>

namespace scrambler {

// Longest plain value and longest scrambled text the profile holds.
constexpr std::size_t kMaxPlainBytes = 31;
constexpr std::size_t kMaxHexDigits = kMaxPlainBytes * 2;

enum ScrambleMode { kUnscramble = 0, kScramble = 1 };

// In place on a caller's buffer of bufferSize bytes. Scramble: length plain bytes in, their
// scrambled text out (the buffer must hold 2*length+1). Unscramble: the zero-terminated text in
// the buffer (length only has to be non-zero) is decoded. A length of 0 leaves the buffer as it
// is. Returns false, leaving the buffer untouched, when the input is out of limits, not
// hexadecimal, of odd length, or the result does not fit.
bool ScrambleText(char* buffer, std::size_t bufferSize, std::size_t length, int mode);

// Decodes pairs of hexadecimal digits (either case) into out; returns the number of bytes, or -1
// for odd-length text, a non-hex character or more than outSize bytes. An empty text gives 0.
int HexToBytes(const char* text, unsigned char* out, std::size_t outSize);
// Writes 2*count upper-case digits and a zero (out holds 2*count+1); returns the digit count.
int BytesToHex(const unsigned char* bytes, std::size_t count, char* out);

// The string forms the profile code uses. Unscramble gives false (and leaves plain empty) for a
// text that is not a valid scrambled value.
std::string Scramble(const std::string& plain);
bool Unscramble(const std::string& text, std::string& plain);

} // namespace scrambler
