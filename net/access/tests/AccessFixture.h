// Doubles shared by the network access tests: a NetInfo over a memory profile, the string table's
// texts the operations use, a recording form poster and a recording account-change host.
#pragma once

#include "net/access/AccountImport.h"
#include "net/access/NetAccount.h"
#include "resources/ids/net.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

class TestNetInfo : public CNetInfo {
public:
    bool HasServiceSession() const override { return session; }
    bool session = false;
    void LogIn() { m_state = 0x0100; session = true; }
    void LogOut() { m_state = 0; session = false; }
};

class TableTexts : public ITextSource {
public:
    CString Text(unsigned id) const override
    {
        switch (id) {
        case IDS_LOOKUP_BY_COMM_PATH: return "/menu/NCsrchNCID.cgi";
        case IDS_LOOKUP_BY_COMM_BODY:
            return "version=%#.4x&type=0x0205&seq=0x00000001&id=%s&session=0x00000001&password=%s&oth_id=%s";
        case IDS_LOOKUP_BY_CALL_PATH: return "/menu/NCsrchComID.cgi";
        case IDS_LOOKUP_BY_CALL_BODY:
            return "version=%#.4x&type=0x0207&seq=0x00000001&id=%s&session=0x00000001&password=%s&oth_ncid=%s";
        case IDS_MAIL_LOGIN_PATH:
        case IDS_MAIL_CREATE_PATH: return "/mail/redirect.pl";
        case IDS_MAIL_LOGIN_BODY: return "id=%s&pass=%s&cmd=Login";
        case IDS_MAIL_CREATE_BODY: return "id=%s&pass=%s&cmd=Create&mail=%s";
        case IDS_ACCOUNT_SUMMARY_1: return "L:%s P:%s D:%s %s N:%s %s %s ";
        case IDS_ACCOUNT_SUMMARY_2: return "M:%s %s %s %s %s C:%s %s";
        default: return CString();
        }
    }
};

class RecordingPoster : public IFormPoster {
public:
    struct Request {
        std::string url, path, body;
    };
    bool PostForm(const char* url, const char* path, const CString& body, CString* reply, std::uint32_t* error) override
    {
        requests.push_back({url, path, body.GetString()});
        if (replies.empty()) {
            *error = 12029;
            return false;
        }
        *reply = replies.front().c_str();
        replies.pop_front();
        return true;
    }
    std::vector<Request> requests;
    std::deque<std::string> replies;
};

class RecordingHost : public IAccountChangeHost {
public:
    int ShowMessage(unsigned id, unsigned) override
    {
        calls.push_back("message " + std::to_string(id));
        return 1;
    }
    void ShowLoggedText(const CString& text, unsigned) override { calls.push_back(std::string("text ") + text.GetString()); }
    void LogOut() override { calls.push_back("logout"); }
    void UpdateOwnName(const CString& newId, const CString& newName, const CString&, const CString& oldId) override
    {
        calls.push_back(std::string("own ") + newId.GetString() + " " + newName.GetString() + " " + oldId.GetString());
    }
    void RefreshSettingsPage() override { calls.push_back("refresh"); }
    std::vector<std::string> calls;
};

struct AccessFixture {
    CMemoryProfile profile;
    TestNetInfo info;
    RecordingPoster poster;
    RecordingHost host;
    TableTexts texts;
    CNetInfoAccount account{info, [](const char* name) { return CString("http://127.0.0.1:1/") + name; }};
    CServiceForms forms{account, poster};
    CNetAccess access{info, forms, texts};
    CAccountImport import{info, forms, &host};
    AccessFixture()
    {
        info.SetProfileStore(&profile);
        info.Load("Signup", "NetInfo");
        profile.ClearWriteLog();
    }
};
