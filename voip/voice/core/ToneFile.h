// Tone files are plain WAV files of 8 kHz mono 16-bit samples; the player only needs where the
// samples start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voice {

constexpr size_t kToneHeadBytes = 4096;

// Offset of the first sample: 8 bytes after the first "data" within the first 4096 bytes of
// `head`; -1 when there is none (the file plays nothing).
long FindToneData(const uint8_t* head, size_t size);

// The file name of a DTMF digit's tone ("*" is played as "_"); false for digits other than 0-9, *, #.
bool DtmfFileName(char digit, char out[8]);

}  // namespace voice
