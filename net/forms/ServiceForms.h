// Form posts and service files of the account services: URL encoding and splitting, the
// numbered-field replies ("00:" version, "01:" status, ...) that forms and .cni files share, the
// call-ID replies, and the account forms.
//
// Replies and .cni files come from outside (a .cni file is opened from the shell), so every reader
// here takes any text: fields count only at the start of a line ("01:" never matches inside
// "ab01:cd", "id:" never inside "nc_id:"), values keep their inner blanks, and nothing reads past
// the end of the text.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

// Mode 0 keeps letters, digits and ";/?:@&=+$,*-_." and writes every other byte as %XX; mode 1
// does the same and then writes ":" as %3A and "/" as %2F; mode 2 keeps letters and digits only.
CString UrlEncode(const char* text, int mode);
// One value of a form body: as mode 0, but "&", "=" and "+" are escaped too, so a value can never
// end its field or turn into a blank (a password "a&b=c+d" arrives as it was typed).
CString UrlEncodeFormValue(const char* text);

// Splits a server root such as "https://host:8443/" into host and port: one trailing "/" is
// dropped; "http:" (any case) gives default port 80, "https" 443; the decimal number after the
// first ":" is the port. Any other scheme, or a port that is not 1-65535, gives false with an
// empty host and the port left as it was.
bool SplitUrl(const char* url, CString* host, std::uint16_t* port);

// The value after key at the start of a line, up to the line's end, blanks at both ends trimmed,
// at most 256 bytes (never splitting a double-byte character). False and empty when not found.
bool GetTaggedValue(const char* text, const char* key, CString* value);
// As GetTaggedValue, but only leading blanks are skipped and at most 2048 bytes are kept.
CString GetTaggedLine(const char* text, const char* key);
bool IsOkStatus(const char* value);


// The sixteen account strings that the forms and service files read and fill. CNetInfo keeps
// them; these operations reach them through IServiceAccount.
enum AccountField {
    ACCOUNT_LoginID, ACCOUNT_LoginPasswd, ACCOUNT_PrimaryDNS, ACCOUNT_SecondaryDNS, ACCOUNT_PhoneNumber,
    ACCOUNT_PhoneNumber2, ACCOUNT_PhoneNumber3, ACCOUNT_E_mail, ACCOUNT_Pop_id, ACCOUNT_Pop_host,
    ACCOUNT_Pop_password, ACCOUNT_Smtp_host, ACCOUNT_Comm_id, ACCOUNT_Comm_data, ACCOUNT_Comm_name,
    ACCOUNT_Comm_data2, ACCOUNT_FIELD_COUNT
};

class IServiceAccount {
public:
    virtual ~IServiceAccount() = default;
    virtual CString GetAccountField(AccountField field) const = 0;
    virtual void SetAccountField(AccountField field, const CString& value) = 0;
    // A server root of the Servers section ("ProfilePage", "SearchPage").
    virtual CString GetServerUrl(const char* name) const = 0;
};

// How a form reaches the server: HttpPostForm over WinINet in the programs (CWinInetFormPoster),
// a recording double in tests. Returns false with *error set when no reply came.
class IFormPoster {
public:
    virtual ~IFormPoster() = default;
    virtual bool PostForm(const char* url, const char* path, const CString& body, CString* reply,
                          std::uint32_t* error) = 0;
};

// Numbered fields in table order: the pending slot of each.
constexpr int kServiceFieldCount = 21;   // "00:" ... "19:" and "32:"
constexpr int kPendingSlotCount = 24;

// The account-form work areas and operations. In the programs CNetInfo owns one of these and
// hands it its account (the operations keep the names CNetInfo gives them).
class CServiceForms {
public:
    CServiceForms(IServiceAccount& account, IFormPoster& poster) : m_account(account), m_poster(poster) {}

    // Reads the numbered fields into the pending slots, then maps the reply (MapServiceFields).
    int ParseServiceReply(const char* text);
    // 0 success; -2 format version not "1.0", or a failure without a well-formed "98:"..."99:"
    // message; otherwise the message's "(number)", or 9999 when it has none.
    int MapServiceFields(bool statusOk, const char* text);
    // Service file (.cni): result as above; on 0 the "30:" and "31:" values (empty when absent).
    int ParseServiceFile(const char* text, CString* value30, CString* value31);
    // -2 other format version; 1 call client file; 0 PC client file; -1 any other kind.
    int CheckServiceFile(const char* text);
    // Copies every supplied pending value of "03:"-"14:", "17:"-"19:" and "32:" to the account.
    void ApplyServiceFields();
    // Call-ID reply: -2 unless version, type, seq, id, session and errno are all present; else
    // errno (hexadecimal); on 0 *callId is the "nc_id:" (or "oth_id:") value.
    int ParseCallReply(const char* text, bool deregistration, CString* callId);

    int PostAccountChange(const char* commId, const char* commPassword, const char* loginId,
                          const char* loginPassword, const char* nickname, bool change);
    // The connection-information recovery: posts "user_id=%s&login_password=%s" (each value
    // encoded) to ProfilePage + "/profile_pc/rst/NCSRst_PCEIA.cgi" and parses the reply into the
    // pending values. -1 without a reply, else the reply's result. Nothing is applied: the caller
    // checks the pending values and then calls ApplyServiceFields.
    int PostRecovery(const char* loginId, const char* loginPassword);
    // mode 0 registers, 1 deregisters and registers, 2 deregisters.
    int PostCallRegistration(int mode, const char* areaCode, CString* callId);

    // Posts an encoded body to path on a server root of the Servers section; false without a reply.
    bool PostToServer(const char* server, const char* path, const CString& body, CString* reply)
    {
        return Post(server, path, body, reply);
    }

    const CString& PendingValue(int slot) const { return m_pending[slot]; }
    bool PendingSupplied(int slot) const { return m_supplied[slot]; }
    void ClearPending();
    const CString& GetServiceMessage() const { return m_serviceMessage; }
    int GetLastServiceResult() const { return m_lastServiceResult; }
    std::uint32_t GetLastFormError() const { return m_lastFormError; }

    // The key of a numbered field by slot ("00:" ... "19:", "32:").
    static const char* FieldKey(int slot);

private:
    bool Post(const char* server, const char* path, const CString& body, CString* reply);

    IServiceAccount& m_account;
    IFormPoster& m_poster;
    CString m_pending[kPendingSlotCount];
    bool m_supplied[kPendingSlotCount] = {};
    CString m_serviceMessage;
    int m_lastServiceResult = 0;
    std::uint32_t m_lastFormError = 0;
};
