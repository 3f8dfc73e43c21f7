// Decodes a stream held in memory through a decoder object and two rings, exactly as the
// converter's server would, for readers of whole buffers and for the fuzzers.
#pragma once

#include "phone_media/zob/ZobStreamFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// False when the stream's header was not recognised. Samples are interleaved; at most
// maximumSamples per channel are decoded.
bool ZobDecodeBuffer(const std::uint8_t* data, std::size_t size, ZobStreamInfo* info, std::vector<std::int16_t>* samples,
    std::uint32_t maximumSamples = 0xFFFFFFFFu);
