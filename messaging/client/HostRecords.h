// The byte layouts of posted records: a message-server record at its own offsets with every integer
// in host order (wire times become Unix times). Built from decoded records, so nothing that failed
// the wire checks reaches a window. Portable.
#pragma once

#include "messaging/wire/PmRecords.h"

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> HostHeader(const PmHeader& header);          // 28 bytes
std::vector<std::uint8_t> HostResult(const PmResult& result);          // 36 bytes (types 8, 10)
std::vector<std::uint8_t> HostU32(const PmU32Record& record);          // 32 bytes (type 260)
std::vector<std::uint8_t> HostMessage(const PmMessage& message);       // 84 + text bytes (type 9)
std::vector<std::uint8_t> HostMessageList(const PmMessageList& list);  // always 824 bytes, unused entries 0

// A failure record: header-shaped, with the version, the type (or a result code) and the sequence;
// the other bytes are 0.
std::vector<std::uint8_t> HostFailure(std::uint16_t version, std::uint16_t type, std::uint32_t sequence);

// Readers for receivers and tests (false when the record is too short or of another type).
bool ReadHostResult(const std::uint8_t* bytes, std::size_t size, PmResult* out);
bool ReadHostMessage(const std::uint8_t* bytes, std::size_t size, PmMessage* out);
bool ReadHostMessageList(const std::uint8_t* bytes, std::size_t size, PmMessageList* out);
