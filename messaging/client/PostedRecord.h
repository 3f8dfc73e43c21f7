// Records that the message-server client posts to windows (0x403 and 0x404, and what the main
// window forwards as 0x40A). Each carries its length: a size word comes before the record bytes,
// and a receiver checks the size before it reads a field. The bytes keep the record's layout (the
// offsets of the message-server records) with every integer in host order. Whoever receives a
// record frees it with PmFreePostedRecord, whatever it did with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct PmPostedRecord {
    std::uint32_t size;     // bytes that follow
    std::uint32_t reserved; // keeps the bytes 8-byte aligned

    // The size bytes that follow this head in the same block.
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this + 1); }

    // Bounded reads: false (and *value untouched) when the field does not lie inside the record.
    bool U16At(std::size_t offset, std::uint16_t* value) const { return Read(offset, value, sizeof *value); }
    bool U32At(std::size_t offset, std::uint32_t* value) const { return Read(offset, value, sizeof *value); }
    bool BytesAt(std::size_t offset, void* out, std::size_t length) const { return Read(offset, out, length); }
    // The header fields every record has (0 when the record is too short for them).
    std::uint16_t Type() const { std::uint16_t v = 0; U16At(2, &v); return v; }
    std::uint32_t Sequence() const { std::uint32_t v = 0; U32At(4, &v); return v; }

private:
    bool Read(std::size_t offset, void* out, std::size_t length) const
    {
        if (offset > size || length > size - offset)
            return false;
        std::memcpy(out, Bytes() + offset, length);
        return true;
    }
};

// A new record holding a copy of length bytes (null data: zero-filled); null when out of memory.
PmPostedRecord* PmNewPostedRecord(const void* data, std::size_t length);
void PmFreePostedRecord(PmPostedRecord* record);

// The record as the lParam of a posted message, and back (pointer-sized in both builds).
inline std::intptr_t PmRecordToParam(PmPostedRecord* record) { return reinterpret_cast<std::intptr_t>(record); }
inline PmPostedRecord* PmRecordFromParam(std::intptr_t param) { return reinterpret_cast<PmPostedRecord*>(param); }

// The messages and their wParam forms.
constexpr unsigned WM_PM_MESSAGE_RESULT = 0x403; // message, list, fetch, delete, extended data
constexpr unsigned WM_PM_LIST_RESULT = 0x404;    // friend and URL lists, list clear, presence
enum PmResultForm : int {
    PM_POST_FAILED = -1,
    PM_POST_MESSAGE_LIST = 10,
    PM_POST_SENT = 11,
    PM_POST_FETCHED = 12,
    PM_POST_DELETED = 13,
    PM_POST_BODY_SENT = 14,
    PM_POST_BODY_RECEIVED = 15,
    PM_POST_LIST_COMPLETE = 0,
    PM_POST_LIST_CLEARED = 5,
    PM_POST_PRESENCE_SET = 6,
};

static_assert(sizeof(PmPostedRecord) == 8, "the record bytes follow an 8-byte head");

// Record sizes that receivers check.
constexpr std::size_t PM_POSTED_FAILURE_SIZE = 28;
constexpr std::size_t PM_POSTED_LIST_COPY_SIZE = 824;   // header, count, 18 entries
constexpr std::size_t PM_POSTED_LIST_BLOCK_SIZE = 3636; // 36-byte head, 100 entries of 36
constexpr std::size_t PM_LIST_BLOCK_ENTRIES = 100;
