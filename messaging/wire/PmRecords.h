// Records exchanged with the message server: a 28-byte header and a body per type, every
// multi-byte integer in network byte order, text as code page 932 bytes in NUL-padded fields that
// carry no terminator when full. Records are built and read through bounded writers and readers;
// nothing is overlaid on received bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Wire times count seconds since 1990-01-01 00:00 UTC.
constexpr std::uint32_t WIRE_EPOCH_OFFSET = 631152000;
std::uint32_t PmToWireTime(std::int64_t unixTime);
std::int64_t PmFromWireTime(std::uint32_t wireTime);

enum PmRecordType : std::uint16_t {
    PM_TYPE_RESULT = 8,
    PM_TYPE_MESSAGE = 9,
    PM_TYPE_EXT_SEND_HEADER = 10,
    PM_TYPE_MESSAGE_LIST = 11,
    PM_TYPE_LIST_REQUEST = 12,
    PM_TYPE_FETCH = 13,
    PM_TYPE_EXT_RECEIVE = 14,
    PM_TYPE_DELETE = 15,
    PM_TYPE_LIST_QUERY = 16,
    PM_TYPE_LIST_PAGE = 17,
    PM_TYPE_URL_TEXT = 18,
    PM_TYPE_LIST_CLEAR = 23,
    PM_TYPE_SESSION_START = 259,
    PM_TYPE_SESSION_ANSWER = 260,
    PM_TYPE_PRESENCE = 261,
};

constexpr std::size_t PM_HEADER_SIZE = 28;
constexpr std::size_t PM_MESSAGE_FIXED_SIZE = 84;
constexpr std::size_t PM_MESSAGE_TEXT_MAX = 900;
constexpr std::size_t PM_RESULT_SIZE = 36;
constexpr std::size_t PM_U32_RECORD_SIZE = 32;
constexpr std::size_t PM_LIST_QUERY_SIZE = 36;
constexpr std::size_t PM_URL_FIXED_SIZE = 30;
constexpr std::size_t PM_URL_TEXT_MAX = 512;
constexpr std::size_t PM_MESSAGE_LIST_FIXED_SIZE = 32;
constexpr std::size_t PM_MESSAGE_LIST_ENTRY_SIZE = 44;
constexpr std::size_t PM_MESSAGE_LIST_MAX = 18;
constexpr std::size_t PM_LIST_PAGE_FIXED_SIZE = 36;
constexpr std::size_t PM_LIST_PAGE_ENTRY_SIZE = 36;
constexpr std::size_t PM_LIST_PAGE_ENTRY_DATA = 32;
constexpr std::uint32_t PM_LIST_KIND_FRIENDS = 1;
constexpr std::uint32_t PM_LIST_KIND_URLS = 2;
constexpr std::uint32_t PM_ATTR_BASE = 0x40000000;
constexpr std::uint32_t PM_ATTR_ATTACHMENT_MASK = 0x0F000000;

// A 16-byte text field (communication IDs, names) kept as its bytes, so that what was received is
// what is passed on.
typedef std::array<std::uint8_t, 16> PmField16;
// Bounded copy into a field: a 16-character value fills it without terminator, a shorter one is
// NUL-padded, a longer one is cut between characters.
PmField16 PmField(const std::string& text);
// The field's text up to its first NUL or its end.
std::string PmFieldText(const PmField16& field);

struct PmHeader {
    std::uint16_t version = 0;
    std::uint16_t type = 0;
    std::uint32_t sequence = 0;
    PmField16 commId{};
    std::uint32_t session = 0;
};

// Type 9 in both directions: a message to send, or a fetched one.
struct PmMessage {
    PmHeader header;
    PmField16 partnerId{};
    PmField16 partnerName{};
    std::int64_t time = 0; // Unix time
    std::uint32_t number = 0;
    std::uint32_t attributes = 0;
    std::uint32_t fileFlag = 0;
    std::uint32_t fileLength = 0;
    std::string text; // at most 900 bytes go on the wire
};
// The attributes word of an outgoing message: kinds other than 0, 1 and 2 go out as 0.
std::uint32_t PmMessageAttributes(int kind);

// Types 8 (result: code, second value) and 10 (extended-data send header: message number,
// file length): a header and two words.
struct PmResult {
    PmHeader header;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
};

// Types 13, 14, 15, 261 and 260: a header and one word.
struct PmU32Record {
    PmHeader header;
    std::uint32_t value = 0;
};

// Type 16.
struct PmListQuery {
    PmHeader header;
    std::uint32_t kind = 0;
    std::uint16_t page = 0;
    std::uint16_t reserved = 0;
};

// Type 18.
struct PmUrlText {
    PmHeader header;
    std::string text; // at most 512 bytes go on the wire
};

// Type 11.
struct PmListEntry {
    PmField16 senderId{};
    PmField16 senderName{};
    std::uint32_t number = 0;
    std::int64_t time = 0; // Unix time
    std::uint32_t attributes = 0;
};
struct PmMessageList {
    PmHeader header;
    std::vector<PmListEntry> entries;
};

// Type 17.
struct PmPageEntry {
    std::array<std::uint8_t, PM_LIST_PAGE_ENTRY_DATA> data{};
    std::uint32_t value = 0;
};
struct PmListPage {
    PmHeader header;
    std::uint32_t total = 0;
    std::uint16_t reserved = 0;
    std::vector<PmPageEntry> entries;
};

// Encoders give the record's wire bytes. Texts longer than their limit are cut to the limit
// (between characters, so the length may be one less).
std::vector<std::uint8_t> EncodeHeaderOnly(const PmHeader& header); // types 12, 23, 259
std::vector<std::uint8_t> EncodeMessage(const PmMessage& message);
std::vector<std::uint8_t> EncodeResult(const PmResult& result);
std::vector<std::uint8_t> EncodeU32(const PmU32Record& record);
std::vector<std::uint8_t> EncodeListQuery(const PmListQuery& query);
std::vector<std::uint8_t> EncodeU16(const PmUrlText& url);                 // type 18
// At most 18 entries and 65535 page entries are written; callers keep within the limits.
std::vector<std::uint8_t> EncodeMessageList(const PmMessageList& list);
std::vector<std::uint8_t> EncodeUserList(const PmListPage& page);          // type 17

// Decoders take the received record and its length, and accept only a record whose length is
// exactly what its fields say; they return false and leave *out unspecified otherwise.
bool DecodeHeader(const std::uint8_t* data, std::size_t length, PmHeader* out); // at least 28
bool DecodeHeaderOnly(const std::uint8_t* data, std::size_t length, PmHeader* out);
bool DecodeMessage(const std::uint8_t* data, std::size_t length, PmMessage* out);
bool DecodeResult(const std::uint8_t* data, std::size_t length, PmResult* out);
bool DecodeU32(const std::uint8_t* data, std::size_t length, PmU32Record* out);
bool DecodeListQuery(const std::uint8_t* data, std::size_t length, PmListQuery* out);
bool DecodeU16(const std::uint8_t* data, std::size_t length, PmUrlText* out); // type 18
// More than 18 entries: the record is dropped whole.
bool DecodeMessageList(const std::uint8_t* data, std::size_t length, PmMessageList* out);
// Type 17: a count that reads as negative (0x8000 and above) is refused.
bool DecodeUserList(const std::uint8_t* data, std::size_t length, PmListPage* out);
