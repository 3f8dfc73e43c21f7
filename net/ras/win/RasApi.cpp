#include "net/ras/win/RasApi.h"

#include "net/ras/DialupRules.h"

#include <cstring>

using namespace ras;

struct CRasApi::Functions {
    DWORD(WINAPI* enumEntries)(const char*, const char*, EntryName*, DWORD*, DWORD*) = nullptr;
    DWORD(WINAPI* enumConnections)(Connection*, DWORD*, DWORD*) = nullptr;
    DWORD(WINAPI* getConnectStatus)(ConnectionHandle, ConnectionStatus*) = nullptr;
    DWORD(WINAPI* hangUp)(ConnectionHandle) = nullptr;
    DWORD(WINAPI* getErrorString)(UINT, char*, DWORD) = nullptr;
    DWORD(WINAPI* dial)(void*, const char*, DialParams*, DWORD, void*, ConnectionHandle*) = nullptr;
    DWORD(WINAPI* enumDevices)(DeviceInfo*, DWORD*, DWORD*) = nullptr;
    DWORD(WINAPI* setEntryProperties)(const char*, const char*, PhoneBookEntry*, DWORD, BYTE*, DWORD) = nullptr;
    DWORD(WINAPI* getEntryProperties)(const char*, const char*, PhoneBookEntry*, DWORD*, BYTE*, DWORD*) = nullptr;
    DWORD(WINAPI* validateEntryName)(const char*, const char*) = nullptr;
    DWORD(WINAPI* deleteEntry)(const char*, const char*) = nullptr;
    DWORD(WINAPI* setEntryDialParams)(const char*, DialParams*, BOOL) = nullptr;
    DWORD(WINAPI* getEntryDialParams)(const char*, DialParams*, BOOL*) = nullptr;
    DWORD(WINAPI* getProjectionInfo)(ConnectionHandle, DWORD, void*, DWORD*) = nullptr;
};

namespace {

template <class F> void Resolve(HMODULE module, const char* name, F& target)
{
    target = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

} // namespace

CRasApi::CRasApi(HMODULE module) : m_module(module), m_fn(new Functions)
{
    if (!m_module) {
        m_module = LoadLibraryA("rasapi32.dll");
        m_ownsModule = m_module != nullptr;
    }
    m_status.size = sizeof m_status;
    Resolve(m_module, "RasEnumEntriesA", m_fn->enumEntries);
    Resolve(m_module, "RasEnumConnectionsA", m_fn->enumConnections);
    Resolve(m_module, "RasGetConnectStatusA", m_fn->getConnectStatus);
    Resolve(m_module, "RasHangUpA", m_fn->hangUp);
    Resolve(m_module, "RasGetErrorStringA", m_fn->getErrorString);
    Resolve(m_module, "RasDialA", m_fn->dial);
    Resolve(m_module, "RasEnumDevicesA", m_fn->enumDevices);
    Resolve(m_module, "RasSetEntryPropertiesA", m_fn->setEntryProperties);
    Resolve(m_module, "RasGetEntryPropertiesA", m_fn->getEntryProperties);
    Resolve(m_module, "RasValidateEntryNameA", m_fn->validateEntryName);
    Resolve(m_module, "RasDeleteEntryA", m_fn->deleteEntry);
    Resolve(m_module, "RasSetEntryDialParamsA", m_fn->setEntryDialParams);
    Resolve(m_module, "RasGetEntryDialParamsA", m_fn->getEntryDialParams);
    Resolve(m_module, "RasGetProjectionInfoA", m_fn->getProjectionInfo);
}

CRasApi::~CRasApi()
{
    m_connection = 0;
    delete m_fn;
    if (m_ownsModule)
        FreeLibrary(m_module);
}

bool CRasApi::IsAvailable() const
{
    const Functions& f = *m_fn;
    return m_module && f.enumEntries && f.enumConnections && f.getConnectStatus && f.hangUp && f.getErrorString &&
           f.dial && f.enumDevices && f.setEntryProperties && f.getEntryProperties && f.validateEntryName &&
           f.deleteEntry && f.setEntryDialParams && f.getEntryDialParams && f.getProjectionInfo;
}

const char* CRasApi::PhoneBookArg(const char* phoneBook)
{
    return phoneBook && *phoneBook ? phoneBook : nullptr;
}

bool CRasApi::ReadDevices(std::vector<DeviceInfo>* devices)
{
    devices->clear();
    if (!m_fn->enumDevices)
        return false;
    DWORD bytes = 0, count = 0;
    DWORD result = m_fn->enumDevices(nullptr, &bytes, &count);
    if (result != 0 && result != kErrorBufferTooSmall)
        return false;
    // The service may report the need in bytes, in records or both: take the larger.
    std::size_t records = count;
    if (bytes / sizeof(DeviceInfo) > records)
        records = bytes / sizeof(DeviceInfo);
    if (records == 0)
        return true;
    devices->assign(records, DeviceInfo{});
    (*devices)[0].size = sizeof(DeviceInfo);
    bytes = static_cast<DWORD>(records * sizeof(DeviceInfo));
    count = 0;
    if (m_fn->enumDevices(devices->data(), &bytes, &count) != 0) {
        devices->clear();
        return false;
    }
    if (count < devices->size())
        devices->resize(count);
    return true;
}

bool CRasApi::EnumDevices(int index, CString* deviceName, CString* deviceType)
{
    std::vector<DeviceInfo> devices;
    if (!ReadDevices(&devices) || index < 0 || static_cast<std::size_t>(index) >= devices.size())
        return false;
    *deviceName = ReadField(devices[static_cast<std::size_t>(index)].deviceName);
    *deviceType = ReadField(devices[static_cast<std::size_t>(index)].deviceType);
    return true;
}

bool CRasApi::GetModemNames(CStringArray& names)
{
    std::vector<DeviceInfo> devices;
    if (!ReadDevices(&devices))
        return false;
    for (const DeviceInfo& device : devices)
        if (IsDialupDeviceType(ReadField(device.deviceType)))
            names.Add(ReadField(device.deviceName));
    return true;
}

int CRasApi::CountModems()
{
    std::vector<DeviceInfo> devices;
    if (!ReadDevices(&devices))
        return -1;
    int count = 0;
    for (const DeviceInfo& device : devices)
        if (IsDialupDeviceType(ReadField(device.deviceType)))
            ++count;
    return count;
}

bool CRasApi::FindDevice(const char* deviceName, CString* foundName, CString* foundType)
{
    std::vector<DeviceInfo> devices;
    if (!ReadDevices(&devices))
        return false;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (IsDialupDeviceType(ReadField(devices[i].deviceType)) &&
            ReadField(devices[i].deviceName).CompareNoCase(deviceName ? deviceName : "") == 0)
            return EnumDevices(static_cast<int>(i), foundName, foundType);
    }
    return false;
}

DWORD CRasApi::DeleteEntry(const char* entryName, const char* phoneBook)
{
    if (!m_fn->deleteEntry)
        return kNotLoaded;
    return m_fn->deleteEntry(PhoneBookArg(phoneBook), entryName);
}

DWORD CRasApi::CreateEntry(const char* entryName, const char* deviceType, const char* deviceName, DWORD netProtocols,
                           DWORD framingProtocol, const char* localPhoneNumber, const char* phoneBook)
{
    if (!m_fn->validateEntryName || !m_fn->setEntryProperties)
        return kNotLoaded;
    DWORD valid = m_fn->validateEntryName(PhoneBookArg(phoneBook), entryName);
    if (valid == kErrorAlreadyExists)
        return kErrorAlreadyExists;
    PhoneBookEntry entry{};
    entry.size = sizeof entry;
    entry.netProtocols = netProtocols;
    entry.framingProtocol = framingProtocol;
    if (!CopyField(entry.localPhoneNumber, localPhoneNumber) || !CopyField(entry.deviceType, deviceType) ||
        !CopyField(entry.deviceName, deviceName))
        return ERROR_INVALID_PARAMETER;
    return m_fn->setEntryProperties(PhoneBookArg(phoneBook), entryName, &entry, sizeof entry, nullptr, 0);
}

DWORD CRasApi::GetEntryProperties(const char* entryName, PhoneBookEntry* entry, const char* phoneBook)
{
    if (!m_fn->validateEntryName || !m_fn->getEntryProperties)
        return kNotLoaded;
    if (m_fn->validateEntryName(PhoneBookArg(phoneBook), entryName) != kErrorAlreadyExists)
        return kErrorCannotFindEntry;
    std::memset(entry, 0, sizeof *entry);
    entry->size = sizeof *entry;
    DWORD entryBytes = sizeof *entry;
    BYTE deviceInfo[1] = {};
    DWORD deviceBytes = sizeof deviceInfo;
    DWORD result = m_fn->getEntryProperties(PhoneBookArg(phoneBook), entryName, entry, &entryBytes, deviceInfo,
                                            &deviceBytes);
    if (result == 0)
        return 0;
    // A second call with the sizes the service asked for; an entry record it wants larger than
    // ours is not one we can read.
    if (entryBytes > sizeof *entry)
        return result;
    std::vector<BYTE> device(deviceBytes ? deviceBytes : 1);
    deviceBytes = static_cast<DWORD>(device.size());
    entry->size = sizeof *entry;
    return m_fn->getEntryProperties(PhoneBookArg(phoneBook), entryName, entry, &entryBytes, device.data(),
                                    &deviceBytes);
}

DWORD CRasApi::SetEntryProperties(const char* entryName, DWORD optionMask, bool set, const char* areaCode,
                                  DWORD countryCode, const char* phoneBook)
{
    PhoneBookEntry entry;
    DWORD result = GetEntryProperties(entryName, &entry, phoneBook);
    if (result != 0)
        return result;
    if (set)
        entry.options |= optionMask;
    else
        entry.options &= ~optionMask;
    if (optionMask & kOptionUseCountryAndAreaCodes) {
        entry.countryId = countryCode;
        entry.countryCode = countryCode;
        if (!CopyField(entry.areaCode, areaCode))
            return ERROR_INVALID_PARAMETER;
    }
    entry.size = sizeof entry;
    return m_fn->setEntryProperties(PhoneBookArg(phoneBook), entryName, &entry, sizeof entry, nullptr, 0);
}

bool CRasApi::EnumEntries(const char* phoneBook, CStringArray& names)
{
    if (!m_fn->enumEntries)
        return false;
    std::vector<EntryName> records(1);
    records[0].size = sizeof(EntryName);
    DWORD bytes = sizeof(EntryName), count = 0;
    DWORD result = m_fn->enumEntries(nullptr, PhoneBookArg(phoneBook), records.data(), &bytes, &count);
    if (result == kErrorBufferTooSmall) {
        std::size_t wanted = count;
        if (bytes / sizeof(EntryName) > wanted)
            wanted = bytes / sizeof(EntryName);
        if (wanted == 0)
            return false;
        records.assign(wanted, EntryName{});
        records[0].size = sizeof(EntryName);
        bytes = static_cast<DWORD>(wanted * sizeof(EntryName));
        count = 0;
        result = m_fn->enumEntries(nullptr, PhoneBookArg(phoneBook), records.data(), &bytes, &count);
    }
    if (result != 0)
        return false;
    if (count > records.size())
        count = static_cast<DWORD>(records.size());
    for (DWORD i = 0; i < count; ++i)
        names.Add(ReadField(records[i].entryName));
    return true;
}

DWORD CRasApi::MakeUniqueEntryName(const char* baseName, CString* name, const char* phoneBook)
{
    if (!m_fn->validateEntryName)
        return kNotLoaded;
    DWORD result = m_fn->validateEntryName(PhoneBookArg(phoneBook), baseName);
    if (result == 0) {
        *name = baseName;
        return 0;
    }
    if (result != kErrorAlreadyExists)
        return result;
    for (int n = 1; n <= kMaxUniqueNameTries; ++n) {
        CString candidate = NumberedEntryName(baseName, n);
        DWORD answer = m_fn->validateEntryName(PhoneBookArg(phoneBook), candidate);
        if (answer == 0) {
            *name = candidate;
            return kErrorAlreadyExists;
        }
        if (answer != kErrorAlreadyExists)
            return answer;
    }
    // Every numbered name is taken: no name to offer.
    name->Empty();
    return kErrorAlreadyExists;
}

DWORD CRasApi::SetDialParams(const char* entryName, const char* userName, const char* password)
{
    if (!m_fn->setEntryDialParams)
        return kNotLoaded;
    DialParams params{};
    params.size = sizeof params;
    if (!CopyField(params.entryName, entryName) || !CopyField(params.userName, userName) ||
        !CopyField(params.password, password))
        return ERROR_INVALID_PARAMETER;
    DWORD result = m_fn->setEntryDialParams(nullptr, &params, FALSE);
    SecureZeroMemory(params.password, sizeof params.password);
    return result;
}

DWORD CRasApi::GetDialParams(const char* entryName, CString* phoneNumber, CString* userName, CString* password)
{
    if (!m_fn->getEntryDialParams)
        return kNotLoaded;
    DialParams params{};
    params.size = sizeof params;
    if (!CopyField(params.entryName, entryName))
        return ERROR_INVALID_PARAMETER;
    BOOL passwordReturned = FALSE;
    DWORD result = m_fn->getEntryDialParams(nullptr, &params, &passwordReturned);
    if (result == 0) {
        *phoneNumber = ReadField(params.phoneNumber);
        *userName = ReadField(params.userName);
        *password = ReadField(params.password);
    }
    SecureZeroMemory(params.password, sizeof params.password);
    return result;
}

DWORD CRasApi::Dial(const char* entryName, RasDialNotifier notifier, const char* phoneNumber, const char* userName,
                    const char* password, const char* domain, const char* phoneBook)
{
    m_connection = 0;
    if (!m_fn->dial)
        return kNotLoaded;
    DialParams params{};
    params.size = sizeof params;
    if (!CopyField(params.entryName, entryName) || !CopyField(params.phoneNumber, phoneNumber) ||
        !CopyField(params.userName, userName) || !CopyField(params.password, password) ||
        !CopyField(params.domain, domain))
        return ERROR_INVALID_PARAMETER;
    DWORD result = m_fn->dial(nullptr, PhoneBookArg(phoneBook), &params, kNotifierType1,
                              reinterpret_cast<void*>(notifier), &m_connection);
    SecureZeroMemory(params.password, sizeof params.password);
    return result;
}

DWORD CRasApi::GetErrorText(DWORD error, DWORD extendedError, CString* text)
{
    CString base = "Fail to get error string";
    DWORD result = kErrorNoErrorText;
    if (error != 0) {
        if (!m_fn->getErrorString) {
            result = kNotLoaded;
        } else {
            char buffer[257] = {};
            result = m_fn->getErrorString(error, buffer, 256);
            if (result == 0)
                base = ReadField(buffer);
        }
    }
    *text = ComposeErrorText(base, extendedError);
    return result;
}

bool CRasApi::GetStateText(CString* text, bool* connected)
{
    *connected = false;
    std::memset(&m_status, 0, sizeof m_status);
    m_status.size = sizeof m_status;
    DWORD result = m_fn->getConnectStatus ? m_fn->getConnectStatus(m_connection, &m_status) : kNotLoaded;
    if (result != 0) {
        // No status to read (the connection vanished or the service failed): the dial is over.
        m_status.state = kStateDisconnected;
        if (m_status.error == 0)
            m_status.error = result;
    }
    StateText state = StateTextFor(m_status.state);
    text->LoadString(state.stringId);
    *connected = state.connected;
    return state.final;
}

void CRasApi::WaitHangUp(ConnectionHandle connection)
{
    if (!m_fn->getConnectStatus)
        return;
    for (int poll = 0; poll < kHangUpPolls; ++poll) {
        ConnectionStatus status{};
        status.size = sizeof status;
        if (m_fn->getConnectStatus(connection, &status) == kErrorInvalidHandle)
            return;
        Sleep(kHangUpPollMs);
    }
}

bool CRasApi::HangUp(const char* entryName)
{
    if (!m_fn->hangUp)
        return false;
    if (m_connection) {
        m_fn->hangUp(m_connection);
        WaitHangUp(m_connection);
        m_connection = 0;
        return true;
    }
    ConnectionHandle found = 0;
    if (!FindConnection(entryName, &found))
        return false;
    m_fn->hangUp(found);
    WaitHangUp(found);
    return true;
}

bool CRasApi::ReadConnections(std::vector<Connection>* connections)
{
    connections->clear();
    if (!m_fn->enumConnections)
        return false;
    std::vector<Connection> records(1);
    records[0].size = sizeof(Connection);
    DWORD bytes = sizeof(Connection), count = 0;
    DWORD result = m_fn->enumConnections(records.data(), &bytes, &count);
    if (result == kErrorBufferTooSmall) {
        std::size_t wanted = count;
        if (bytes / sizeof(Connection) > wanted)
            wanted = bytes / sizeof(Connection);
        if (wanted == 0)
            return false;
        records.assign(wanted, Connection{});
        records[0].size = sizeof(Connection);
        bytes = static_cast<DWORD>(wanted * sizeof(Connection));
        count = 0;
        result = m_fn->enumConnections(records.data(), &bytes, &count);
    }
    if (result != 0)
        return false;
    if (count > records.size())
        count = static_cast<DWORD>(records.size());
    records.resize(count);
    *connections = std::move(records);
    return true;
}

bool CRasApi::FindConnection(const char* entryName, ConnectionHandle* connection)
{
    std::vector<Connection> connections;
    if (!ReadConnections(&connections))
        return false;
    bool found = false;
    for (const Connection& c : connections) {
        if (ReadField(c.entryName).CompareNoCase(entryName ? entryName : "") == 0) {
            *connection = c.handle;
            found = true;
        }
    }
    return found;
}

bool CRasApi::AnyActive(bool hangUp)
{
    std::vector<Connection> connections;
    if (!ReadConnections(&connections) || connections.empty())
        return false;
    if (hangUp) {
        if (!m_fn->hangUp)
            return false;
        for (const Connection& c : connections) {
            if (m_fn->hangUp(c.handle) != 0)
                return false;
            WaitHangUp(c.handle);
        }
    }
    return true;
}

bool CRasApi::IsConnected(const char* entryName)
{
    if (entryName && *entryName) {
        ConnectionHandle ignored = 0;
        return FindConnection(entryName, &ignored);
    }
    return AnyActive(false);
}

bool CRasApi::GetActiveEntryNames(CString* entryName)
{
    std::vector<Connection> connections;
    if (!ReadConnections(&connections) || connections.empty())
        return false;
    *entryName = ReadField(connections[0].entryName);
    return true;
}

bool CRasApi::GetLocalAddress(CString* address)
{
    std::vector<Connection> connections;
    if (!m_fn->getConnectStatus || !m_fn->getProjectionInfo || !ReadConnections(&connections))
        return false;
    bool found = false;
    for (const Connection& c : connections) {
        ConnectionStatus status{};
        status.size = sizeof status;
        if (m_fn->getConnectStatus(c.handle, &status) != 0 || status.state != kStateConnected ||
            !IsDialupDeviceType(ReadField(status.deviceType)))
            continue;
        PppIpProjection projection{};
        projection.size = sizeof projection;
        DWORD bytes = sizeof projection;
        if (m_fn->getProjectionInfo(c.handle, kProjectionPppIp, &projection, &bytes) == 0) {
            address->Format("%s", ReadField(projection.ipAddress).GetString());
            found = true;
        }
    }
    return found;
}
