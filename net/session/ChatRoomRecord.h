// The chat-room fields that the service session's room reply writes and the chat window reads:
// where the room's chat server is and what the room is called for this visit. The application
// holds one; the session fills it on each room entry.
#pragma once

#include <cstdint>
#include <string>

struct ChatRoomRecord {
    std::string roomId;          // "room_id": the room the chat window joins
    std::string chatServer;      // "caddr": the chat server's host
    std::uint16_t chatPort = 0;  // "cport"
    std::string roomKey;         // "room_key"; empty when the reply has none
    std::uint32_t chatUserNumber = 0; // "iuser"
    std::string roomUrl;         // the room URL the entry was asked for
};

// The room entry of the service session, as the chat window uses it (CSession in the program).
class IChatRoomSession {
public:
    virtual ~IChatRoomSession() = default;
    // Reserves the room of that URL (empty: the application's room URL) and writes the room
    // record; 1 on success, 0 on refusal.
    virtual int EnterRoom(const std::string& roomUrl) = 0;
    virtual int LeaveRoom() = 0;
    // The last result code (the server's errno or 13000-13003).
    virtual int LastResult() const = 0;
};
