// Every record decoder on arbitrary bytes; whatever decodes must encode back to the same bytes.
#include "messaging/wire/PmRecords.h"

#include <cstdlib>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;

void Same(const Bytes& input, const Bytes& encoded)
{
    if (input != encoded)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Bytes input(data, data + size);
    const std::uint8_t* p = input.data();
    PmHeader header;
    if (DecodeHeaderOnly(p, size, &header))
        Same(input, EncodeHeaderOnly(header));
    PmMessage message;
    if (DecodeMessage(p, size, &message))
        Same(input, EncodeMessage(message));
    PmResult result;
    if (DecodeResult(p, size, &result))
        Same(input, EncodeResult(result));
    PmU32Record u32;
    if (DecodeU32(p, size, &u32))
        Same(input, EncodeU32(u32));
    PmListQuery query;
    if (DecodeListQuery(p, size, &query))
        Same(input, EncodeListQuery(query));
    PmUrlText url;
    if (DecodeU16(p, size, &url))
        Same(input, EncodeU16(url));
    PmMessageList list;
    if (DecodeMessageList(p, size, &list))
        Same(input, EncodeMessageList(list));
    PmListPage page;
    if (DecodeUserList(p, size, &page))
        Same(input, EncodeUserList(page));
    DecodeHeader(p, size, &header);
    return 0;
}
