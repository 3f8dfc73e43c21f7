// CRasApi: the program's only door to the Remote Access Service. rasapi32.dll is loaded by name
// at run time (or handed in), its entry points by GetProcAddress; every operation checks the
// entry point it calls, so a machine without dial-up only gets failures, never a crash.
#pragma once

#include "framework/win/Afx.h"
#include "net/ras/RasRecords.h"

#include <vector>

// The notifier of type 1 that RasDialA calls on a thread of the service.
using RasDialNotifier = void(WINAPI*)(ras::ConnectionHandle connection, UINT message, DWORD state, DWORD error,
                                      DWORD extendedError);

class CRasApi {
public:
    // Result of an operation whose entry point is missing.
    static constexpr DWORD kNotLoaded = ERROR_PROC_NOT_FOUND;

    // With 0 loads "rasapi32.dll"; a given module stays the caller's.
    explicit CRasApi(HMODULE module = nullptr);
    virtual ~CRasApi();
    CRasApi(const CRasApi&) = delete;
    CRasApi& operator=(const CRasApi&) = delete;

    bool IsAvailable() const;
    HMODULE GetModule() const { return m_module; }

    // Devices (dial-up devices are those of type "MODEM" or "isdn", any case).
    bool EnumDevices(int index, CString* deviceName, CString* deviceType);
    bool GetModemNames(CStringArray& names);
    int CountModems();
    bool FindDevice(const char* deviceName, CString* foundName, CString* foundType);

    // Phone book ("" is the system's).
    DWORD DeleteEntry(const char* entryName, const char* phoneBook);
    DWORD CreateEntry(const char* entryName, const char* deviceType, const char* deviceName, DWORD netProtocols,
                      DWORD framingProtocol, const char* localPhoneNumber, const char* phoneBook);
    DWORD SetEntryProperties(const char* entryName, DWORD optionMask, bool set, const char* areaCode,
                             DWORD countryCode, const char* phoneBook);
    DWORD GetEntryProperties(const char* entryName, ras::PhoneBookEntry* entry, const char* phoneBook);
    // The names of the phone book's entries; false when they can't be read.
    bool EnumEntries(const char* phoneBook, CStringArray& names);
    DWORD MakeUniqueEntryName(const char* baseName, CString* name, const char* phoneBook);
    DWORD SetDialParams(const char* entryName, const char* userName, const char* password);
    DWORD GetDialParams(const char* entryName, CString* phoneNumber, CString* userName, CString* password);

    // Dialling and connections.
    DWORD Dial(const char* entryName, RasDialNotifier notifier, const char* phoneNumber, const char* userName,
               const char* password, const char* domain, const char* phoneBook);
    DWORD GetErrorText(DWORD error, DWORD extendedError, CString* text);
    // The text of the own connection's state; true when the state is final (connected or
    // disconnected). A status that can't be read (the connection is gone) counts as disconnected.
    bool GetStateText(CString* text, bool* connected);
    bool HangUp(const char* entryName);
    void WaitHangUp(ras::ConnectionHandle connection);
    bool FindConnection(const char* entryName, ras::ConnectionHandle* connection);
    bool AnyActive(bool hangUp);
    bool HangUpAllAndWait() { return AnyActive(true); }
    bool IsConnected(const char* entryName);
    bool GetActiveEntryNames(CString* entryName);
    bool GetLocalAddress(CString* address);

    ras::ConnectionHandle GetConnectionHandle() const { return m_connection; }
    const ras::ConnectionStatus& GetStatus() const { return m_status; }

    // Polls of WaitHangUp and the pause between them.
    static constexpr int kHangUpPolls = 30;
    static constexpr DWORD kHangUpPollMs = 100;

protected:
    ras::ConnectionHandle m_connection = 0;

private:
    struct Functions;
    bool ReadDevices(std::vector<ras::DeviceInfo>* devices);
    bool ReadConnections(std::vector<ras::Connection>* connections);
    static const char* PhoneBookArg(const char* phoneBook);

    HMODULE m_module = nullptr;
    bool m_ownsModule = false;
    ras::ConnectionStatus m_status{};
    Functions* m_fn;
};
