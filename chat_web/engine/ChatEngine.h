// CChatEngine: the chat connection of one room visit, on a hidden window "QELOCHAT" of its own.
// It reports to the chat window with WM_CHAT_EVENT (0x402): wParam 0 or -2 with a heap ChatEvent
// that the receiver deletes, or wParam -1, -3 .. -10 with no record (see ChatEngineCore.h).
// The chat window constructs it, calls Connect, Part and SendPrivmsg, and at the end of the visit
// calls Shutdown, DestroyWindow and deletes it.
#pragma once

#include "chat_web/engine/ChatEngineCore.h"
#include "framework/win/Wnd.h"

#include <cstdio>
#include <memory>

class CTcpClient;

const UINT WM_CHAT_EVENT = WM_USER + 2;
using ChatEvent = chat::ChatEvent;
using ChatConnectSettings = chat::ChatConnectSettings;

class CChatEngine : public CWnd {
public:
    explicit CChatEngine(HWND owner);
    ~CChatEngine() override;

    int Connect(const ChatConnectSettings& settings, const CString& room, const CString& key);
    int Part(const CString& room);
    int Quit();
    int SendPrivmsg(const CString& text, const CString& target);
    // Before destruction: stops both timers, drops this window's queued socket data, closes the logs.
    void Shutdown();

    int GetState() const { return m_core.State(); }
    int GetLastError() const { return m_core.LastError(); }
    bool IsLogging() const { return m_sendLog && m_receiveLog; }

protected:
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnSocketEvent(WPARAM count, LPARAM lParam);
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    class Transport : public chat::IChatTransport {
    public:
        explicit Transport(CChatEngine& engine) : m_engine(engine) {}
        int Connect(const std::string& host, std::uint16_t port) override;
        bool HasClient() const override { return m_client != nullptr; }
        int Send(const std::string& bytes) override;
        void ShutdownSend() override;
        void ReleaseReceiver() override;
        void DeleteClient() override;
        std::string LocalAddress() override;
        bool Resolve(const std::string& host, std::string* dotted) override;
        CTcpClient* Client() const { return m_client; }

    private:
        CChatEngine& m_engine;
        CTcpClient* m_client = nullptr;
    };

    class Owner : public chat::IChatOwner {
    public:
        explicit Owner(CChatEngine& engine) : m_engine(engine) {}
        void Post(int wParam, std::unique_ptr<ChatEvent> event) override;
        void SetTimer(int id, int ms) override;
        void KillTimer(int id) override;
        void LogSent(const std::string& line) override;

    private:
        CChatEngine& m_engine;
    };

    void OpenLogs();
    void CloseLogs();
    void WriteReceiveLog(int count, const char* data);
    // Removes this window's queued socket messages and frees their records; the message client
    // shares the thread, and its messages are not ours to take.
    void DrainSocketMessages();

    HWND m_owner;
    Transport m_transport{*this};
    Owner m_ownerLink{*this};
    chat::ChatEngineCore m_core;
    std::FILE* m_sendLog = nullptr;
    std::FILE* m_receiveLog = nullptr;
};
