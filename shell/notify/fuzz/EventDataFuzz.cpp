// Downloaded event text: parsed over the built-in records, then looked up as the balloons do.
#include "shell/notify/EventData.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CEventData events;
    events.Parse("BALLOON_COLOR:0:249,254,188::\r\nBALLOON_COLOR:1:0,0,0::\r\nERROR_COLOR:2:0,0,255::\r\n");
    const std::string text(reinterpret_cast<const char*>(data), size);
    events.Parse(CString(text));
    events.Parse(CString(text)); // a second download over the first
    CString value, link;
    for (int id : {150, 151, 30, 160, 12, 10}) {
        for (int index = -1; index < 12; ++index) {
            events.GetText(id, index, value, link);
            std::uint32_t colour;
            events.GetColorOr(id, index, colour, 0);
            int number;
            events.GetInt(id, index, number);
        }
    }
    for (const EventRecord& r : events.Records())
        events.Find(30, r.key, value, link);
    return 0;
}
