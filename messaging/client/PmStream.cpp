#include "messaging/client/PmStream.h"

#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmRecords.h"

#include <cstring>

namespace {

std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint16_t Be16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

bool IsBlank(std::uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

long PmBareRecordLength(const std::uint8_t* buf, std::size_t available)
{
    if (available < 4)
        return 0;
    switch (Be16(buf + 2)) {
    case PM_TYPE_RESULT:
    case PM_TYPE_EXT_SEND_HEADER:
        return static_cast<long>(PM_RESULT_SIZE);
    case PM_TYPE_SESSION_ANSWER:
    case PM_TYPE_FETCH:
    case PM_TYPE_EXT_RECEIVE:
    case PM_TYPE_DELETE:
    case PM_TYPE_PRESENCE:
        return static_cast<long>(PM_U32_RECORD_SIZE);
    case PM_TYPE_LIST_REQUEST:
    case PM_TYPE_LIST_CLEAR:
    case PM_TYPE_SESSION_START:
        return static_cast<long>(PM_HEADER_SIZE);
    case PM_TYPE_MESSAGE: {
        if (available < PM_MESSAGE_FIXED_SIZE)
            return 0;
        const std::uint32_t n = Be32(buf + 80);
        return n > PM_MESSAGE_TEXT_MAX ? -1 : static_cast<long>(PM_MESSAGE_FIXED_SIZE + n);
    }
    case PM_TYPE_MESSAGE_LIST: {
        if (available < PM_MESSAGE_LIST_FIXED_SIZE)
            return 0;
        const std::uint32_t count = Be32(buf + 28);
        return count > PM_MESSAGE_LIST_MAX ? -1
                                           : static_cast<long>(PM_MESSAGE_LIST_FIXED_SIZE + count * PM_MESSAGE_LIST_ENTRY_SIZE);
    }
    case PM_TYPE_LIST_PAGE: {
        if (available < PM_LIST_PAGE_FIXED_SIZE)
            return 0;
        const std::uint16_t count = Be16(buf + 32);
        return count >= 0x8000 ? -1 : static_cast<long>(PM_LIST_PAGE_FIXED_SIZE + count * PM_LIST_PAGE_ENTRY_SIZE);
    }
    default:
        return -1;
    }
}

CPmStreamAssembler::Status CPmStreamAssembler::Next(std::vector<std::uint8_t>* unit)
{
    std::size_t length = 0;
    if (m_framed) {
        if (m_buffer.size() < PM_FRAME_HEADER_SIZE)
            return kNeedMore;
        PmFrameHeader header;
        if (ReadFrameHeader(m_buffer.data(), m_buffer.size(), &header) < 0)
            return kError;
        const std::uint64_t whole = std::uint64_t(header.HeaderLength()) + header.payloadLength;
        if (whole > m_max)
            return kError;
        length = static_cast<std::size_t>(whole);
    } else {
        const long bare = PmBareRecordLength(m_buffer.data(), m_buffer.size());
        if (bare == 0)
            return kNeedMore;
        if (bare < 0 || static_cast<std::size_t>(bare) > m_max)
            return kError;
        length = static_cast<std::size_t>(bare);
    }
    if (m_buffer.size() < length)
        return kNeedMore;
    unit->assign(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    return kUnit;
}

std::string BuildConnectRequest(const std::string& host, std::uint16_t port, const std::string& userAgent,
                                const std::string& base64Credentials)
{
    std::string text = "CONNECT " + host + ":" + std::to_string(port) + " HTTP/1.0\r\n";
    text += "User-agent: " + userAgent + "\r\n";
    text += "Proxy-authorization: basic " + base64Credentials + "\r\n";
    text += "\r\n";
    return text;
}

ProxyReply ParseProxyReply(const std::uint8_t* data, std::size_t length, std::size_t limit)
{
    static const char kPrefix[] = "HTTP/";
    const std::size_t prefixLength = 5;
    ProxyReply reply;
    std::size_t i = 0;
    while (i < length && IsBlank(data[i]))
        ++i;
    const std::size_t wordStart = i;
    // As much of the first word as has arrived must match "HTTP/".
    const std::size_t compare = length - wordStart < prefixLength ? length - wordStart : prefixLength;
    if (compare > 0 && std::memcmp(data + wordStart, kPrefix, compare) != 0) {
        reply.verdict = ProxyReply::kNotProxy;
        return reply;
    }
    if (length > limit) {
        reply.verdict = ProxyReply::kRefused;
        reply.consumed = length;
        return reply;
    }
    while (i < length && !IsBlank(data[i]))
        ++i;
    if (i == length)
        return reply; // the first word may still grow
    if (i - wordStart <= prefixLength) {
        reply.verdict = ProxyReply::kRefused;
        reply.consumed = length;
        return reply;
    }
    while (i < length && (data[i] == ' ' || data[i] == '\t'))
        ++i;
    const std::size_t statusStart = i;
    while (i < length && !IsBlank(data[i]))
        ++i;
    if (i == length)
        return reply;
    const bool ok = i - statusStart == 3 && std::memcmp(data + statusStart, "200", 3) == 0;
    if (!ok) {
        reply.verdict = ProxyReply::kRefused;
        reply.consumed = length;
        return reply;
    }
    // Accepted: the answer ends with its empty line.
    for (std::size_t k = statusStart; k < length; ++k) {
        if (data[k] != '\n')
            continue;
        if (k + 1 < length && data[k + 1] == '\n') {
            reply.consumed = k + 2;
            reply.verdict = ProxyReply::kAccepted;
            return reply;
        }
        if (k + 2 < length && data[k + 1] == '\r' && data[k + 2] == '\n') {
            reply.consumed = k + 3;
            reply.verdict = ProxyReply::kAccepted;
            return reply;
        }
    }
    return reply;
}
