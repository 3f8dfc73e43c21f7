#include "messaging/client/HostRecords.h"

#include "messaging/client/PostedRecord.h"

#include <cstring>

namespace {

class HostWriter {
public:
    explicit HostWriter(std::vector<std::uint8_t>& out) : m_out(out) {}
    template <class T>
    void Put(T value)
    {
        const auto at = m_out.size();
        m_out.resize(at + sizeof value);
        std::memcpy(m_out.data() + at, &value, sizeof value);
    }
    void Bytes(const void* data, std::size_t length)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + length);
    }

private:
    std::vector<std::uint8_t>& m_out;
};

class HostReader {
public:
    HostReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    template <class T>
    T Get()
    {
        T value{};
        if (m_ok && m_at + sizeof value <= m_size)
            std::memcpy(&value, m_data + m_at, sizeof value);
        else
            m_ok = false;
        m_at += sizeof value;
        return value;
    }
    void Bytes(void* out, std::size_t length)
    {
        if (m_ok && m_at + length <= m_size)
            std::memcpy(out, m_data + m_at, length);
        else
            m_ok = false;
        m_at += length;
    }
    bool Ok() const { return m_ok; }
    std::size_t At() const { return m_at; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

void PutHeader(HostWriter& w, const PmHeader& h)
{
    w.Put<std::uint16_t>(h.version);
    w.Put<std::uint16_t>(h.type);
    w.Put<std::uint32_t>(h.sequence);
    w.Bytes(h.commId.data(), h.commId.size());
    w.Put<std::uint32_t>(h.session);
}

void GetHeader(HostReader& r, PmHeader& h)
{
    h.version = r.Get<std::uint16_t>();
    h.type = r.Get<std::uint16_t>();
    h.sequence = r.Get<std::uint32_t>();
    r.Bytes(h.commId.data(), h.commId.size());
    h.session = r.Get<std::uint32_t>();
}

std::uint32_t HostTime(std::int64_t unixTime)
{
    return static_cast<std::uint32_t>(unixTime);
}

} // namespace

std::vector<std::uint8_t> HostHeader(const PmHeader& header)
{
    std::vector<std::uint8_t> out;
    HostWriter w(out);
    PutHeader(w, header);
    return out;
}

std::vector<std::uint8_t> HostResult(const PmResult& result)
{
    std::vector<std::uint8_t> out;
    HostWriter w(out);
    PutHeader(w, result.header);
    w.Put<std::uint32_t>(result.first);
    w.Put<std::uint32_t>(result.second);
    return out;
}

std::vector<std::uint8_t> HostU32(const PmU32Record& record)
{
    std::vector<std::uint8_t> out;
    HostWriter w(out);
    PutHeader(w, record.header);
    w.Put<std::uint32_t>(record.value);
    return out;
}

std::vector<std::uint8_t> HostMessage(const PmMessage& m)
{
    std::vector<std::uint8_t> out;
    HostWriter w(out);
    PutHeader(w, m.header);
    w.Bytes(m.partnerId.data(), 16);
    w.Bytes(m.partnerName.data(), 16);
    w.Put<std::uint32_t>(HostTime(m.time));
    w.Put<std::uint32_t>(m.number);
    w.Put<std::uint32_t>(m.attributes);
    w.Put<std::uint32_t>(m.fileFlag);
    w.Put<std::uint32_t>(m.fileLength);
    w.Put<std::uint32_t>(static_cast<std::uint32_t>(m.text.size()));
    w.Bytes(m.text.data(), m.text.size());
    return out;
}

std::vector<std::uint8_t> HostMessageList(const PmMessageList& list)
{
    std::vector<std::uint8_t> out;
    HostWriter w(out);
    PutHeader(w, list.header);
    const std::size_t count = list.entries.size() < PM_MESSAGE_LIST_MAX ? list.entries.size() : PM_MESSAGE_LIST_MAX;
    w.Put<std::uint32_t>(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const PmListEntry& e = list.entries[i];
        w.Bytes(e.senderId.data(), 16);
        w.Bytes(e.senderName.data(), 16);
        w.Put<std::uint32_t>(e.number);
        w.Put<std::uint32_t>(HostTime(e.time));
        w.Put<std::uint32_t>(e.attributes);
    }
    out.resize(PM_POSTED_LIST_COPY_SIZE, 0);
    return out;
}

std::vector<std::uint8_t> HostFailure(std::uint16_t version, std::uint16_t type, std::uint32_t sequence)
{
    PmHeader header;
    header.version = version;
    header.type = type;
    header.sequence = sequence;
    return HostHeader(header);
}

bool ReadHostResult(const std::uint8_t* bytes, std::size_t size, PmResult* out)
{
    if (size != PM_RESULT_SIZE)
        return false;
    HostReader r(bytes, size);
    GetHeader(r, out->header);
    out->first = r.Get<std::uint32_t>();
    out->second = r.Get<std::uint32_t>();
    return r.Ok();
}

bool ReadHostMessage(const std::uint8_t* bytes, std::size_t size, PmMessage* out)
{
    HostReader r(bytes, size);
    GetHeader(r, out->header);
    r.Bytes(out->partnerId.data(), 16);
    r.Bytes(out->partnerName.data(), 16);
    out->time = r.Get<std::uint32_t>();
    out->number = r.Get<std::uint32_t>();
    out->attributes = r.Get<std::uint32_t>();
    out->fileFlag = r.Get<std::uint32_t>();
    out->fileLength = r.Get<std::uint32_t>();
    const std::uint32_t n = r.Get<std::uint32_t>();
    if (!r.Ok() || out->header.type != PM_TYPE_MESSAGE || n > PM_MESSAGE_TEXT_MAX || size - r.At() != n)
        return false;
    out->text.assign(reinterpret_cast<const char*>(bytes + r.At()), n);
    return true;
}

bool ReadHostMessageList(const std::uint8_t* bytes, std::size_t size, PmMessageList* out)
{
    if (size != PM_POSTED_LIST_COPY_SIZE)
        return false;
    HostReader r(bytes, size);
    GetHeader(r, out->header);
    const std::uint32_t count = r.Get<std::uint32_t>();
    if (!r.Ok() || count > PM_MESSAGE_LIST_MAX)
        return false;
    out->entries.assign(count, PmListEntry());
    for (PmListEntry& e : out->entries) {
        r.Bytes(e.senderId.data(), 16);
        r.Bytes(e.senderName.data(), 16);
        e.number = r.Get<std::uint32_t>();
        e.time = r.Get<std::uint32_t>();
        e.attributes = r.Get<std::uint32_t>();
    }
    return r.Ok();
}
