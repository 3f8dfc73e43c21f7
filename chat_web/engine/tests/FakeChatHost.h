// A transport and an owner that record what the engine does, for tests without sockets.
#pragma once

#include "chat_web/engine/ChatEngineCore.h"

#include <map>
#include <string>
#include <vector>

namespace chat_test {

struct Posted {
    int wParam;
    bool hasEvent;
    chat::ChatEvent event;
};

class FakeTransport : public chat::IChatTransport {
public:
    bool client = false;
    int connectResult = 0;
    int sendResult = 0;
    bool resolves = true;
    std::string connectedHost;
    std::uint16_t connectedPort = 0;
    std::vector<std::string> sent;
    int shutdowns = 0;
    int releases = 0;
    int deletes = 0;

    int Connect(const std::string& host, std::uint16_t port) override
    {
        connectedHost = host;
        connectedPort = port;
        client = connectResult == 0;
        return connectResult;
    }
    bool HasClient() const override { return client; }
    int Send(const std::string& bytes) override
    {
        if (sendResult == 0)
            sent.push_back(bytes);
        return sendResult;
    }
    void ShutdownSend() override { ++shutdowns; }
    void ReleaseReceiver() override { ++releases; }
    void DeleteClient() override
    {
        client = false;
        ++deletes;
    }
    std::string LocalAddress() override { return client ? "127.0.0.1" : ""; }
    bool Resolve(const std::string& host, std::string* dotted) override
    {
        if (!resolves)
            return false;
        *dotted = host == "localhost" ? "127.0.0.1" : host;
        return true;
    }
    std::string AllSent() const
    {
        std::string all;
        for (const std::string& s : sent)
            all += s;
        return all;
    }
};

class FakeOwner : public chat::IChatOwner {
public:
    std::vector<Posted> posted;
    std::map<int, int> timers; // id -> ms of running timers

    void Post(int wParam, std::unique_ptr<chat::ChatEvent> event) override
    {
        Posted p{wParam, event != nullptr, event ? *event : chat::ChatEvent()};
        posted.push_back(p);
    }
    void SetTimer(int id, int ms) override { timers[id] = ms; }
    void KillTimer(int id) override { timers.erase(id); }
    int Timer(int id) const
    {
        auto it = timers.find(id);
        return it == timers.end() ? 0 : it->second;
    }
};

} // namespace chat_test
