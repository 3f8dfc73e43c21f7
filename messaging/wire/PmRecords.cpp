#include "messaging/wire/PmRecords.h"

#include "framework/core/ByteBuffer.h"
#include "framework/core/Cp932.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t CutLength(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return cp932::BoundaryAtOrBefore(text.data(), text.size(), limit);
}

void WriteField(CByteWriter& writer, const PmField16& field)
{
    writer.Bytes(field.data(), field.size());
}

void ReadField(CByteReader& reader, PmField16& field)
{
    reader.Bytes(field.data(), field.size());
}

void WriteHeader(CByteWriter& writer, const PmHeader& header)
{
    writer.U16BE(header.version);
    writer.U16BE(header.type);
    writer.U32BE(header.sequence);
    WriteField(writer, header.commId);
    writer.U32BE(header.session);
}

void ReadHeader(CByteReader& reader, PmHeader& header)
{
    header.version = reader.U16BE();
    header.type = reader.U16BE();
    header.sequence = reader.U32BE();
    ReadField(reader, header.commId);
    header.session = reader.U32BE();
}

// A decoder succeeds only when every read stayed inside the record and nothing is left over.
bool Complete(const CByteReader& reader)
{
    return reader.Ok() && reader.Remaining() == 0;
}

} // namespace

std::uint32_t PmToWireTime(std::int64_t unixTime)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(unixTime) - WIRE_EPOCH_OFFSET);
}

std::int64_t PmFromWireTime(std::uint32_t wireTime)
{
    return static_cast<std::int64_t>(wireTime) + WIRE_EPOCH_OFFSET;
}

PmField16 PmField(const std::string& text)
{
    PmField16 field{};
    const std::size_t length = CutLength(text, field.size());
    std::memcpy(field.data(), text.data(), length);
    return field;
}

std::string PmFieldText(const PmField16& field)
{
    const auto end = std::find(field.begin(), field.end(), 0);
    return std::string(field.begin(), end);
}

std::uint32_t PmMessageAttributes(int kind)
{
    return PM_ATTR_BASE | ((kind >= 0 && kind <= 2) ? static_cast<std::uint32_t>(kind) : 0);
}

std::vector<std::uint8_t> EncodeHeaderOnly(const PmHeader& header)
{
    CByteWriter writer;
    WriteHeader(writer, header);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeMessage(const PmMessage& message)
{
    const std::size_t textLength = CutLength(message.text, PM_MESSAGE_TEXT_MAX);
    CByteWriter writer;
    WriteHeader(writer, message.header);
    WriteField(writer, message.partnerId);
    WriteField(writer, message.partnerName);
    writer.U32BE(PmToWireTime(message.time));
    writer.U32BE(message.number);
    writer.U32BE(message.attributes);
    writer.U32BE(message.fileFlag);
    writer.U32BE(message.fileLength);
    writer.U32BE(static_cast<std::uint32_t>(textLength));
    writer.Bytes(message.text.data(), textLength);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeResult(const PmResult& result)
{
    CByteWriter writer;
    WriteHeader(writer, result.header);
    writer.U32BE(result.first);
    writer.U32BE(result.second);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeU32(const PmU32Record& record)
{
    CByteWriter writer;
    WriteHeader(writer, record.header);
    writer.U32BE(record.value);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeListQuery(const PmListQuery& query)
{
    CByteWriter writer;
    WriteHeader(writer, query.header);
    writer.U32BE(query.kind);
    writer.U16BE(query.page);
    writer.U16BE(query.reserved);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeU16(const PmUrlText& url)
{
    const std::size_t textLength = CutLength(url.text, PM_URL_TEXT_MAX);
    CByteWriter writer;
    WriteHeader(writer, url.header);
    writer.U16BE(static_cast<std::uint16_t>(textLength));
    writer.Bytes(url.text.data(), textLength);
    return writer.Release();
}

std::vector<std::uint8_t> EncodeMessageList(const PmMessageList& list)
{
    const std::size_t count = std::min(list.entries.size(), PM_MESSAGE_LIST_MAX);
    CByteWriter writer;
    WriteHeader(writer, list.header);
    writer.U32BE(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const PmListEntry& entry = list.entries[i];
        WriteField(writer, entry.senderId);
        WriteField(writer, entry.senderName);
        writer.U32BE(entry.number);
        writer.U32BE(PmToWireTime(entry.time));
        writer.U32BE(entry.attributes);
    }
    return writer.Release();
}

std::vector<std::uint8_t> EncodeUserList(const PmListPage& page)
{
    const std::size_t count = std::min<std::size_t>(page.entries.size(), 0x7FFF);
    CByteWriter writer;
    WriteHeader(writer, page.header);
    writer.U32BE(page.total);
    writer.U16BE(static_cast<std::uint16_t>(count));
    writer.U16BE(page.reserved);
    for (std::size_t i = 0; i < count; ++i) {
        writer.Bytes(page.entries[i].data.data(), PM_LIST_PAGE_ENTRY_DATA);
        writer.U32BE(page.entries[i].value);
    }
    return writer.Release();
}

bool DecodeHeader(const std::uint8_t* data, std::size_t length, PmHeader* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, *out);
    return reader.Ok();
}

bool DecodeHeaderOnly(const std::uint8_t* data, std::size_t length, PmHeader* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, *out);
    return Complete(reader);
}

bool DecodeMessage(const std::uint8_t* data, std::size_t length, PmMessage* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    ReadField(reader, out->partnerId);
    ReadField(reader, out->partnerName);
    out->time = PmFromWireTime(reader.U32BE());
    out->number = reader.U32BE();
    out->attributes = reader.U32BE();
    out->fileFlag = reader.U32BE();
    out->fileLength = reader.U32BE();
    const std::uint32_t textLength = reader.U32BE();
    if (!reader.Ok() || textLength > PM_MESSAGE_TEXT_MAX || textLength != reader.Remaining())
        return false;
    out->text.assign(reinterpret_cast<const char*>(reader.Current()), textLength);
    reader.Skip(textLength);
    return Complete(reader);
}

bool DecodeResult(const std::uint8_t* data, std::size_t length, PmResult* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    out->first = reader.U32BE();
    out->second = reader.U32BE();
    return Complete(reader);
}

bool DecodeU32(const std::uint8_t* data, std::size_t length, PmU32Record* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    out->value = reader.U32BE();
    return Complete(reader);
}

bool DecodeListQuery(const std::uint8_t* data, std::size_t length, PmListQuery* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    out->kind = reader.U32BE();
    out->page = reader.U16BE();
    out->reserved = reader.U16BE();
    return Complete(reader);
}

bool DecodeU16(const std::uint8_t* data, std::size_t length, PmUrlText* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    const std::uint16_t textLength = reader.U16BE();
    if (!reader.Ok() || textLength > PM_URL_TEXT_MAX || textLength != reader.Remaining())
        return false;
    out->text.assign(reinterpret_cast<const char*>(reader.Current()), textLength);
    reader.Skip(textLength);
    return Complete(reader);
}

bool DecodeMessageList(const std::uint8_t* data, std::size_t length, PmMessageList* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    const std::uint32_t count = reader.U32BE();
    if (!reader.Ok() || count > PM_MESSAGE_LIST_MAX ||
        std::uint64_t(count) * PM_MESSAGE_LIST_ENTRY_SIZE != reader.Remaining())
        return false;
    out->entries.assign(count, PmListEntry());
    for (PmListEntry& entry : out->entries) {
        ReadField(reader, entry.senderId);
        ReadField(reader, entry.senderName);
        entry.number = reader.U32BE();
        entry.time = PmFromWireTime(reader.U32BE());
        entry.attributes = reader.U32BE();
    }
    return Complete(reader);
}

bool DecodeUserList(const std::uint8_t* data, std::size_t length, PmListPage* out)
{
    CByteReader reader(data, length);
    ReadHeader(reader, out->header);
    out->total = reader.U32BE();
    const std::uint16_t count = reader.U16BE();
    out->reserved = reader.U16BE();
    if (!reader.Ok() || count >= 0x8000 ||
        std::uint64_t(count) * PM_LIST_PAGE_ENTRY_SIZE != reader.Remaining())
        return false;
    out->entries.assign(count, PmPageEntry());
    for (PmPageEntry& entry : out->entries) {
        reader.Bytes(entry.data.data(), entry.data.size());
        entry.value = reader.U32BE();
    }
    return Complete(reader);
}
