#include "phone_media/callengine/CallEngineRules.h"

#include <cstdio>
#include <cstring>

namespace callengine {

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Byte offset of the first occurrence of key in text that starts on a character boundary.
const char* FindOnBoundary(const char* text, const char* key)
{
    std::size_t keyLength = std::strlen(key);
    std::size_t length = std::strlen(text);
    std::size_t at = 0;
    while (at < length) {
        if (length - at >= keyLength && std::memcmp(text + at, key, keyLength) == 0)
            return text + at;
        // A lead byte as the last byte stands alone.
        at += IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < length ? 2 : 1;
    }
    return nullptr;
}

const LibraryMessage kTable[kLibraryMessageRows] = {
    {"Remote User Hang Up", "\xD8\xD3\xB0\xC4\xD5\xB0\xBB\xDE\x82\xCD\x90\xD8\x92" "f\x8F\xF3\x91\xD4"},
    {"GateKeeper Not Available", "\xBB\xB0\xCA\xDE\xC0\xDE\xB3\xDD\x92\x86..."},
    {"User ID Not Found", "ID\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7"},
    {"Password Incorrect", "\xCA\xDF\xBD\xDC\xB0\xC4\xDE\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7"},
    {"No Credit Left",
     "\xC6\xDD\xCE\xDE\xBA\xB0\xD9\xB6\xB0\xC4\xDE\x82\xCC\x95\xE2\x8F[\x82\xAA\x95K\x97v\x82\xC5\x82\xB7"},
    {"Admission Reject, Check With Service Provider",
     "\x8A\xC7\x97\x9D\x8E\xD2\x82\xAA\x8B\x91\x94\xDB\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
    {"User Online, Multi-Logon Not Allowed",
     "\x95\xA1\x90\x94\xD5\xB0\xBB\xDE\xDB\xB8\xDE\xB2\xDD\x82\xCD\x8B\x96\x89\xC2\x82\xB3\x82\xEA\x82\xC4\x82\xA2"
     "\x82\xDC\x82\xB9\x82\xF1"},
    {"Credit Just Used Up, Call Terminated",
     "\xC6\xDD\xCE\xDE\xBA\xB0\xD9\xB6\xB0\xC4\xDE\x82\xF0\x95\xE2\x8F[\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"},
    {"System Busy, Try Again Later", "\xBC\xBD\xC3\xD1\xCB\xDE\xBC\xDE\xB0\x92\x86"},
    {"Called Number Busy", "\x91\x8A\x8E\xE8\x82\xCD\x93" "d\x98" "b\x92\x86\x82\xC5\x82\xB7.."},
    {"Bad PhoneNumber", "\x95s\x90\xB3\x82\xC8\x94\xD4\x8D\x86\x82\xC5\x82\xB7"},
    {"Signin OK", "NimboCall\x97\x98\x97p\x89\xC2\x94\x5C"},
    {"", ""},
};

} // namespace

const LibraryMessage* LibraryMessageTable() { return kTable; }

std::string TranslateLibraryMessage(const char* message)
{
    if (!message)
        return std::string();
    for (const LibraryMessage* row = kTable; row->key[0]; ++row) {
        if (FindOnBoundary(message, row->key))
            return row->text;
    }
    if (const char* colon = FindOnBoundary(message, ":"))
        return colon + 1;
    return message;
}

StateAction OnState(std::uint32_t word, int code, const char* message)
{
    StateAction a;
    bool signedIn = (word & kStatusSignedIn) != 0;
    switch (code) {
    case 0:
        if (signedIn) {
            a.changeWord = true;
            a.word = kStatusSignedIn;
        }
        a.callHandler = true;
        a.handlerCode = 0;
        break;
    case 5:
        if (signedIn) {
            a.changeWord = true;
            a.word = word | kStatusInCall;
        }
        a.callHandler = true;
        a.handlerCode = 5;
        break;
    case 9:
        a.before = StateAction::CurrentDirToExe;
        if (signedIn) {
            a.changeWord = true;
            a.word = word | kStatusRinging;
        }
        a.callHandler = true;
        a.handlerCode = 9;
        break;
    case 16:
        if (!message || !*message) {
            a.drop = true;
            break;
        }
        a.callHandler = true;
        a.handlerCode = 16;
        a.text = StateAction::Translated;
        break;
    case -10001:
    case -10002:
    case -10004:
        if (word & kStatusInCall) {
            a.changeWord = true;
            a.word = word & ~kStatusInCall;
        }
        a.callHandler = true;
        a.handlerCode = code;
        break;
    case -10015:
        if (!(word & kStatusInCall)) {
            a.drop = true;
            break;
        }
        a.changeWord = true;
        a.word = word & ~kStatusInCall;
        a.callHandler = true;
        a.handlerCode = code;
        break;
    case -10005:
        a.changeWord = true;
        a.word = kStatusSignedIn;
        a.wordAfterHandler = true;
        a.callHandler = true;
        a.handlerCode = code;
        break;
    case -10006:
        a.before = StateAction::StopLibrary;
        a.callHandler = true;
        a.handlerCode = code;
        break;
    case -10007:
        a.before = StateAction::LoginAgain;
        break;
    case -10008:
        a.callHandler = true;
        a.handlerCode = -10006;
        break;
    case -10010:
        a.callHandler = true;
        a.handlerCode = code;
        break;
    default:
        a.drop = true;
        break;
    }
    return a;
}

bool CallLogSwitch(const char* value) { return value && std::strcmp(value, "TRUE") == 0; }

int LibraryLogLevel(int value)
{
    switch (value) {
    case 0: case 10: case 20: case 30: case 40: case 50: case 60: case 99:
        return value;
    default:
        return 50;
    }
}

std::string CallLogName(const std::string& tempFolder, int year, int month, int day,
                        const std::function<bool(const std::string&)>& exists)
{
    if (tempFolder.empty())
        return std::string();
    char name[64];
    std::snprintf(name, sizeof name, "\\NimboCall-%04d%02d%02d.txt", year, month, day);
    std::string first = tempFolder + name;
    if (!exists(first))
        return first;
    for (int n = 1; n <= 32766; ++n) {
        std::snprintf(name, sizeof name, "NimboCall-%04d%02d%02d(%d).txt", year, month, day, n);
        std::string numbered = tempFolder + name;
        if (!exists(numbered))
            return numbered;
    }
    return std::string();
}

std::string MaskedSecret(const char* secret)
{
    return secret && *secret ? "********" : "";
}

} // namespace callengine
