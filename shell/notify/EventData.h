// CEventData: the records that give the character balloons their texts, colours and numbers. A
// built-in copy comes from the program's resources and a newer one from the service at log-in;
// records of a later text replace the earlier records they cover. Parsing and lookups are
// portable; the resource, the HTTP GET and the profile come through IEventDataHost.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

struct EventRecord {
    CString value; // the text to show, a colour or a number
    CString link;  // optional
    CString name;  // event name
    CString key;
};

struct EventNameRow {
    std::int32_t id;
    const char* name;
};
// The fixed table of event ids and names, ended by id 0.
extern const EventNameRow EventNameTable[];

enum EventId : int {
    kEventBalloonColor = 150,
    kEventErrorColor = 151,
    kEventQeloNotice = 1,
    kEventLoginTime = 12,
    kEventLoginDay = 10,
    kEventLoginWeek = 11,
    kEventFriendCount = 20,
    kEventNoFriend = 29,
    kEventStartCount = 160,
};

// What the event data needs of the program: its built-in text, the HTTP GET and the profile.
class IEventDataHost {
public:
    virtual ~IEventDataHost() = default;
    // The built-in event text; false when it can't be read.
    virtual bool LoadBuiltInText(CString& text) = 0;
    // The whole body of url; false on any failure.
    virtual bool HttpGet(const CString& url, CString& text) = 0;
    virtual CString GetProfileString(const char* section, const char* key, const char* defaultValue) = 0;
    virtual int GetProfileInt(const char* section, const char* key, int defaultValue) = 0;
    virtual void WriteProfileInt(const char* section, const char* key, int value) = 0;
};

class CEventData {
public:
    // The address used when the profile names none.
    static constexpr const char* kDefaultEventUrl = "http://www.nimbovandrell.example/event/eventdata.txt";
    // Downloads larger than this are refused whole.
    static constexpr std::size_t kMaxDownloadBytes = 1024 * 1024;

    // host: null when there is no application object (counters answer -1, nothing loads).
    explicit CEventData(IEventDataHost* host = nullptr);
    virtual ~CEventData();
    CEventData(const CEventData&) = delete;
    CEventData& operator=(const CEventData&) = delete;

    bool LoadBuiltIn();
    bool Download();
    void Parse(const CString& text);

    void Find(int eventId, const CString& key, CString& value, CString& link) const;
    void GetText(int eventId, int index, CString& value, CString& link) const;
    void GetTextForTime(int eventId, std::time_t time, CString& value, CString& link) const;
    void GetTextForDate(int eventId, std::time_t time, CString& value, CString& link) const;
    bool GetInt(int eventId, int index, int& value) const;
    bool GetColor(int eventId, int index, std::uint32_t& color) const;
    bool GetColorOr(int eventId, int index, std::uint32_t& color, std::uint32_t defaultColor) const;
    static CString GetEventName(int eventId);
    int GetCounter(int eventId) const;
    void SetCounter(int eventId, int value);

    const std::vector<EventRecord>& Records() const { return m_records; }

private:
    IEventDataHost* m_host;
    CString m_text; // kept for the record layout; not read
    std::vector<EventRecord> m_records;
};

// Whether a record key answers a lookup key: "LOW-HIGH" (both sides non-empty, split at the first
// '-') takes any key between them in byte order; any other record key only itself.
bool EventKeyMatches(const CString& recordKey, const CString& key);
// Lookup keys: "%d/%d" (month, day) and "%d.%d.%d" (hour, minute, second), no leading zeros.
CString EventDateKey(const std::tm& local);
CString EventTimeKey(const std::tm& local);
// "r,g,b", each a decimal 0 to 255 (blanks around a number allowed): r + 256 g + 65536 b.
bool ParseEventColor(const CString& text, std::uint32_t& color);
// A decimal integer with an optional sign, clamped to int; false when no digit leads.
bool ParseEventInt(const CString& text, int& value);
