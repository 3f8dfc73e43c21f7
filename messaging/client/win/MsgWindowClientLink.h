// The message client as the message windows use it (IMsgWindowClient of
// messaging/recv/RecvServices.h), over one CMsgClientWnd.
#pragma once

#include "messaging/client/win/MsgClientWnd.h"
#include "messaging/recv/RecvServices.h"

class CMsgWindowClientLink : public IMsgWindowClient {
public:
    explicit CMsgWindowClientLink(CMsgClientWnd& client) : m_client(client) {}
    CMsgClientWnd& Client() { return m_client; }
    int RequestList(int& counter) override { return m_client.RequestList(counter); }
    int RequestFetch(int& counter, std::uint32_t number) override { return m_client.RequestFetch(counter, number); }
    int RequestDelete(int& counter, std::uint32_t number) override { return m_client.RequestDelete(counter, number); }
    int RequestBody(int& counter, std::uint32_t number, const CString& destination,
                    std::uint32_t announcedLength) override
    {
        return m_client.RequestBody(counter, number, destination.str(), announcedLength);
    }
    void SetProgressWindow(std::uintptr_t window) override
    {
        m_client.SetProgressWindow(reinterpret_cast<HWND>(window));
    }
    void ClearProgressWindow() override { m_client.ClearProgressWindow(); }
    int GetLastResult() const override { return m_client.GetLastResult(); }
    void PostCancel(unsigned wParam) override { m_client.PostMessage(WM_PM_CANCEL, wParam, 0); }
    int SendText(int& counter, const CString& recipientId, const CString& recipientName, const CString& text,
                 int option) override
    {
        return m_client.SendText(counter, recipientId.str(), recipientName.str(), text.str(), option);
    }
    int SendFile(int& counter, const CString& recipientId, const CString& recipientName, const CString& text, int option,
                 const CString& path, std::uint32_t fileFlag) override
    {
        return m_client.SendFile(counter, recipientId.str(), recipientName.str(), text.str(), option, path.str(), fileFlag);
    }
    int SendWithBody(int& counter, const CString& recipientId, const CString& recipientName, const CString& text,
                     int option, const CString& path) override
    {
        return m_client.SendWithBody(counter, recipientId.str(), recipientName.str(), text.str(), option, path.str());
    }

private:
    CMsgClientWnd& m_client;
};
