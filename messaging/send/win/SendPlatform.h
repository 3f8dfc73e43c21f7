// The send window's host operations that are the same wherever the window runs: files in the
// temporary folder, the package of one file (CAttachPack), the local time. The program's host and
// test drivers derive from it and add the session, the lock and the settings.
#pragma once

#include "messaging/send/SendServices.h"

class CWinSendHostBase : public ISendHost {
public:
    SendLocalTime LocalNow() override;
    bool FileSize(const CString& path, std::uint64_t* size) override;
    int BuildPackage(const CString& source, const CString& package) override;
    CString MakeTempFile(const char* prefix) override;
    void RemoveFile(const CString& path) override;
};
