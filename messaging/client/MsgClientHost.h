// What the message-server client needs of the application: the modal state around its waits and the
// application's request sequence counter. The program registers its application object; tests
// register a recording double. Portable (no windows.h).
#pragma once

class IMsgClientHost {
public:
    virtual ~IMsgClientHost() = default;
    // Brackets the client's waits for the server (the program disables its windows meanwhile).
    virtual void SetModalState(bool modal) = 0;
    // The application's request counter: requests that the queue starts and the pages that a list
    // query asks for step it.
    virtual int& SequenceCounter() = 0;
};

namespace msgclient {

// The registered host; never null (a host that does nothing and keeps its own counter answers
// while none is registered).
void SetHost(IMsgClientHost* host);
IMsgClientHost& Host();

} // namespace msgclient
