// Byte-stream helpers of the message-server connections: TCP is a byte stream, so frames (or, below
// protocol version 512, bare records) are cut out of whatever chunks arrive; the HTTP proxy's answer
// to CONNECT is read the same way. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The length of the bare record that starts buf, from its type and count fields: 0 while more bytes
// are needed to tell, -1 for a type whose length cannot be told (or a count out of bounds).
long PmBareRecordLength(const std::uint8_t* buf, std::size_t available);

// Cuts whole units out of a byte stream. Framed: one frame each (header, seed, payload). Bare: one
// record each. A unit larger than maxUnit, or a header that fails its checks, cannot be resynchronised:
// Next() then reports an error and the stream should be dropped.
class CPmStreamAssembler {
public:
    enum Status { kNeedMore, kUnit, kError };

    explicit CPmStreamAssembler(bool framed = true, std::size_t maxUnit = 1 << 20) : m_framed(framed), m_max(maxUnit) {}
    void SetFramed(bool framed) { m_framed = framed; }
    void Append(const std::uint8_t* data, std::size_t length) { m_buffer.insert(m_buffer.end(), data, data + length); }
    // The next whole unit into *unit (its bytes removed from the stream).
    Status Next(std::vector<std::uint8_t>* unit);
    void Clear() { m_buffer.clear(); }
    std::size_t Buffered() const { return m_buffer.size(); }

private:
    bool m_framed;
    std::size_t m_max;
    std::vector<std::uint8_t> m_buffer;
};

// The text of the request that opens a tunnel through an HTTP proxy, in one piece: the CONNECT line,
// the user agent and the basic credentials (sent also when both are empty).
std::string BuildConnectRequest(const std::string& host, std::uint16_t port, const std::string& userAgent,
                                const std::string& base64Credentials);

// The proxy's answer to CONNECT, read from bytes gathered so far.
struct ProxyReply {
    enum Verdict { kAccepted = 0, kRefused = -1, kNotProxy = 1, kIncomplete = 2 };
    int verdict = kIncomplete;
    std::size_t consumed = 0; // bytes of the answer (its header block); the rest is tunnelled data
};
// After leading blanks the first word must begin "HTTP/" and be longer than that, and the second
// word must be "200" to accept; any other status refuses. Bytes that cannot begin such a word are
// not a proxy answer. An accepted answer is complete only with its whole header block (up to the
// empty line), so no header line is taken for tunnelled data; an answer longer than limit refuses.
ProxyReply ParseProxyReply(const std::uint8_t* data, std::size_t length, std::size_t limit = 8192);
