// CNetInfo: the account and network settings of the profile section NetInfo, shared with the
// sign-up program (same keys, same scrambling), and the connection cache beside them.
#pragma once

#include "shell/common/settings/ProfileStore.h"
#include "shell/common/utilities/CommCache.h"

#include <cstdint>

// Connection flags of NetConnectSettings.
enum NetConnectFlag : uint16_t {
    kConnectLan = 0x0001,
    kProtocolTcp = 0x0002,
    kProxyInUse = 0x0004,
    kProtocolTcpChosen = 0x1000,
    kProxyEnabled = 0x2000,
    kProtocolAuto = 0x4000,
};

struct NetConnectSettings {
    uint16_t flags = 0;
    uint16_t protocolVersion = 0;
    CString modemName;
    CString dialMode;
    CString deviceMode;
    CString outsideLine;
    CString connectType;
    CString prefixNumber;
    CString protocol;
    CString proxyHostInUse;
    CString proxyPortInUse;
    CString proxyHost;
    CString proxyPort;
    CString proxyData1;
    CString proxyData2;
};

// Texts of the string table that serve as defaults (the Windows side loads them).
struct NetInfoDefaults {
    CString prefixNumber = "xx-xxxx-xxxx"; // 14058
    CString freeAccessPoint;               // 14006
    CString phsFreeAccessPoint;            // 14033
};

class CNetInfo {
public:
    // State word bits.
    static constexpr uint16_t kDialupLibraryPresent = 0x8000;
    static constexpr uint16_t kLoggedInBits = 0x0F00;

    CNetInfo();
    virtual ~CNetInfo();

    void SetProfileStore(IProfileStore* profile) { m_profile = profile; }
    IProfileStore* GetProfileStore() const { return m_profile; }
    void SetNetInfoDefaults(const NetInfoDefaults& defaults) { m_defaults = defaults; }
    // The folder of commcash.dat and q2ap.lst (the install folder).
    void SetDataFolder(const CString& folder) { m_dataFolder = folder; }
    const CString& GetDataFolder() const { return m_dataFolder; }

    void Load(const char* signupSection, const char* settingsSection);
    void Save(const char* section);

    // Secrets: the scrambled values of the profile. A stored value that can't be unscrambled
    // reads as empty (unreadable set) and is left as it is by the next Save of the same value.
    CString GetProfileSecret(const char* key, const char* section, bool* unreadable = nullptr);
    void WriteProfileSecret(const char* key, const char* value, const char* section);

    // The connection setter: stores the values into the settings for change and derives the
    // flags. protocolCode 0 is "udp", 0xFFFF "auto", anything else "tcp".
    void SetConnectionSettings(bool lan, unsigned protocolCode, bool proxyEnabled, const CString& proxyHost,
                               const CString& proxyPort, const CString& proxyUser, const CString& proxyPassword);
    static void DeriveConnectFlags(NetConnectSettings& settings, bool proxyEnabled);
    // The connection settings in force: while logged in, a frozen copy, so that changes made
    // during a session take effect at the next log-in. forChange marks the copy as changed.
    NetConnectSettings& GetActiveSettings(bool forChange = false);
    // Brings changes made during a session into the live settings; log-out calls it before
    // anything is saved.
    void ThawConnectSettings();
    const NetConnectSettings& LiveConnectSettings() const { return m_live; }
    bool IsFrozen() const { return m_frozenFlag != 0; }
    // The connection settings whole (the live record, the frozen one and whether it is in use), so
    // that a dialog's cancel can undo changes made while logged in as well as those made before.
    struct ConnectState {
        NetConnectSettings live, frozen;
        int frozenFlag = 0;
    };
    ConnectState SaveConnectState() const { return {m_live, m_frozen, m_frozenFlag}; }
    void RestoreConnectState(const ConnectState& state)
    {
        m_live = state.live;
        m_frozen = state.frozen;
        m_frozenFlag = state.frozenFlag;
    }

    // Logged in for the frozen-copy rule: login bits set and a service session registered.
    virtual bool HasServiceSession() const { return false; }
    bool IsLoggedInForSettings() const { return (m_state & kLoggedInBits) != 0 && HasServiceSession(); }

    // The dial-up choices of the details and connect dialogs, into the settings for change. A
    // dial mode other than "", "T" or "P" (any case) leaves the stored one.
    void SetDialupEntry(const CString& modemName, const CString& dialMode);
    void SetDialupDetails(const CString& number1, const CString& number2, const CString& number3,
                          const CString& outsideLine, const CString& prefixPattern);
    // The live prefix pattern with its placeholder replaced by number (the number alone when the
    // pattern holds none).
    CString GetPhoneNumberText(const CString& number) const;
    const CString& GetNumberPlaceholder() const { return m_defaults.prefixNumber; }
    bool NeedsDialup() { return (GetActiveSettings().flags & kConnectLan) == 0; }

    // The entry of a browser proxy value ("host:port", "http=host:port;https=..."): the text after
    // prefix (when given) up to ";" or a blank; without ":" the port is "80". False for an empty
    // text, a prefix that is not there or an empty host.
    static bool ParseProxyServer(const char* text, const char* prefix, CString* host, CString* port);
    // The request flags (WinINet values) of a URL: reload; for https also secure and the
    // certificate exceptions that ProtocolVer's bits 0x1000 and 0x2000 ask for.
    std::uint32_t GetRequestFlags(const char* url);
    static constexpr std::uint32_t kFlagReload = 0x80000000u;
    static constexpr std::uint32_t kFlagSecure = 0x00800000u;
    static constexpr std::uint32_t kFlagIgnoreCertCnInvalid = 0x00001000u;
    static constexpr std::uint32_t kFlagIgnoreCertDateInvalid = 0x00002000u;

    // Direct access regardless of the proxy settings (cleared at construction; nothing sets it).
    int m_forceDirect = 0;
    // Whether the user's own call ID is known (set by the first successful own look-up).
    bool m_ownCallIdKnown = false;

    // The limit of one message's text, from the protocol variant.
    int GetMessageTextLimit() const { return m_messageTextLimit; }

    // Connection cache (commcash.dat in the data folder).
    void LoadCommCache();
    void SaveCommCache();
    CCommCache& CommCache() { return m_commCache; }

    // Looks the access-point numbers PhoneNumber, PhoneNumber2 and PhoneNumber3 up in q2ap.lst
    // of the data folder. displayFormat (string 507) takes name, number and area code. Returns
    // whether the first number was found (its text and area code are then set).
    bool LoadAccessPointList(const CString& displayFormat, CString* firstText, CString* firstAreaCode,
                             CString* secondText, CString* thirdText) const;

    // OEM link: application key OemName, then Url and UrlTitle of the section it names.
    void LoadOemLink();

    // Account record.
    CString m_LoginID, m_LoginPasswd, m_PrimaryDNS, m_SecondaryDNS, m_PhoneNumber, m_PhoneNumber2, m_PhoneNumber3,
        m_E_mail, m_Pop_id, m_Pop_host, m_Pop_password, m_Smtp_host, m_Comm_id, m_Comm_data, m_Comm_name,
        m_Comm_data2;
    CString m_RasEntryName, m_spareEntryName, m_FreeAP, m_PhsFreeAP;
    // The area code the user gave at sign-up (section Signup, key Tel).
    CString m_signupTel;
    uint16_t m_state = 0;

    CString m_oemName, m_oemUrl, m_oemUrlTitle;
    bool m_hasOemLink = false;

protected:
    IProfileStore* m_profile = nullptr;

private:
    struct SecretState {
        const char* key;
        bool unreadable;
    };
    bool& UnreadableFlag(const char* key);
    void SaveSecret(const char* key, const CString& value, const char* section);

    NetConnectSettings m_live;
    NetConnectSettings m_frozen;
    int m_frozenFlag = 0;
    int m_messageTextLimit = 900;
    NetInfoDefaults m_defaults;
    CString m_dataFolder;
    CCommCache m_commCache;
    SecretState m_secrets[4] = {
        {"LoginPasswd", false}, {"Pop_password", false}, {"Comm_data", false}, {"Proxy_Data2", false}};
    bool m_spareUnreadable = false;
};
