// The message-server client's logic, free of windows: one request at a time, each guarded by a timer
// whose identifier is the request's kind, resends over UDP, replies matched to the pending request,
// pushed message lists, list pages gathered into one block, and the extended-data transfers of
// message bodies over a data connection. Every request that is accepted ends in exactly one report
// to the owner (0x403 or 0x404 with a posted record, see PostedRecord.h).
//
// The platform is reached through the protected hooks below: CMsgClientWnd (win/) puts the client on
// a hidden window with real timers and posted messages; native tests drive it with an injected clock.
// Sockets are those of the socket library (CTcpClient, CUdpEndpoint), reached through the
// transports (CommPM.h).
#pragma once

#include "messaging/client/PmStream.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/wire/PmRecords.h"
#include "messaging/wire/PmScrambler.h"
#include "net/session/SessionRecords.h"
#include "net/socket/SocketApi.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CTcpClient;
class CUdpEndpoint;
class CCommPM;

// Pending kinds; each is also the identifier of the timer that guards it.
enum PmPendingKind : int {
    PM_KIND_IDLE = 0,
    PM_KIND_MESSAGE = 1,
    PM_KIND_LIST = 3,
    PM_KIND_FETCH = 4,
    PM_KIND_DELETE = 5,
    PM_KIND_BODY_SEND = 7,
    PM_KIND_BODY_RECEIVE = 8,
    PM_KIND_URL_LIST = 11,
    PM_KIND_LIST_CLEAR = 12,
    PM_KIND_FRIEND_LIST = 13,
    PM_KIND_PRESENCE = 14,
    PM_KIND_PROXY_MAIN = 30,
    PM_KIND_PROXY_BODY_SEND = 31,
    PM_KIND_PROXY_BODY_RECEIVE = 32,
    PM_KIND_SESSION = 100,
    PM_KIND_DATA_SESSION = 101,
};

enum PmTransportMode : int { PM_MODE_NONE = 0, PM_MODE_UDP = 1, PM_MODE_TCP = 2, PM_MODE_PROXY = 3 };

// Connection flags of the account settings that choose the transport.
constexpr std::uint32_t PM_CONNECT_TCP = 0x0002;
constexpr std::uint32_t PM_CONNECT_PROXY = 0x0004;

enum PmSessionState : int {
    PM_SESSION_DESTROYED = -1,
    PM_SESSION_WAITING = 0,
    PM_SESSION_GRANTED = 1,
    PM_SESSION_REFUSED = 2,
    PM_SESSION_NOT_STARTED = 3,
};
enum PmProxyState : int { PM_PROXY_DESTROYED = -1, PM_PROXY_WAITING = 0, PM_PROXY_ACCEPTED = 16, PM_PROXY_REFUSED = 32, PM_PROXY_IDLE = 48 };

// Messages to the client window.
constexpr unsigned WM_PM_CANCEL = 0x406;      // wParam 1000 while the transfer runs, else 0
constexpr unsigned WM_PM_CLOSE_FILES = 0x407; // close the body files
constexpr unsigned WM_PM_WORKER_GONE = 0x408; // the worker has ended: its thread and the data socket go
// The send worker's end: wParam the transfer number, lParam 0 (all sent), -1 (stopped by an abort)
// or the failure code.
constexpr unsigned WM_PM_WORKER_END = 0x8106;
// Progress notices to the progress window: wParam 2, lParam bytes just moved.
constexpr unsigned WM_PM_PROGRESS = 0x43D;
constexpr unsigned PM_CANCEL_RUNNING = 1000;

constexpr std::size_t PM_SEND_LIMIT = 1460; // record + frame overhead per send
constexpr unsigned PM_REQUEST_PERIOD_MS = 5000;
constexpr unsigned PM_WAIT_LIMIT_MS = 20000;
constexpr unsigned PM_PROXY_WAIT_MS = 15000;
// A body whose announced length is unknown is refused beyond this size.
constexpr std::uint64_t PM_BODY_LIMIT = 64ull << 20;

// Checks and unscrambles a received body that was kept whole in a temporary file: a frame whose
// payload is the 36-byte reply record followed by the body. Writes the body to dest and the decoded
// reply to *reply. 0, 12002 (file failure or fewer than 12 bytes), 12224 (malformed: bad frame,
// payload shorter than 36, or a file that does not hold exactly the frame).
int DecodeBodyFile(std::FILE* temp, std::FILE* dest, PmResult* reply);

class CMsgClientCore {
public:
    CMsgClientCore(const SessionLoginRecord& login, const SessionAddressRecord& address);
    virtual ~CMsgClientCore();
    CMsgClientCore(const CMsgClientCore&) = delete;
    CMsgClientCore& operator=(const CMsgClientCore&) = delete;

    // Chooses and opens the transport: flag 0x0002 clear UDP (3 resends); else with 0x0004 and a
    // proxy host the proxy, else TCP (no resends); resendCount > 0 makes the limit resendCount - 1.
    int Open(std::uint32_t flags, const std::string& proxyHost, std::uint16_t proxyPort, const std::string& proxyUser,
             const std::string& proxyPassword, int resendCount);
    // The session start (record types 259/260) that extended data need.
    int ConnectChannel();
    // Ends everything: timers, the worker, the sockets, this window's queued socket messages.
    void Shutdown();

    // Requests: 0 when sent (the result is posted later), else a code (also the last result).
    int RequestList(int& counter);
    int SendText(int& counter, const std::string& recipientId, const std::string& recipientName,
                 const std::string& text, int kind);
    int SendFile(int& counter, const std::string& recipientId, const std::string& recipientName,
                 const std::string& text, int kind, const std::string& path, std::uint32_t fileFlag);
    int SendWithBody(int& counter, const std::string& recipientId, const std::string& recipientName,
                     const std::string& text, int kind, const std::string& path);
    // announcedLength: the file length of the fetched message (+76); 0 when unknown.
    int RequestBody(int& counter, std::uint32_t number, const std::string& destination,
                    std::uint32_t announcedLength = 0);
    int RequestFetch(int& counter, std::uint32_t number);
    int RequestDelete(int& counter, std::uint32_t number);
    int RequestUrlList(int& counter);
    int RequestFriendList(int& counter);
    int SendPresence(int& counter, std::uint32_t status);
    int SendUrl(int& counter, const std::string& text);
    int GetLastResult(int show = 0) const;

    // Up: counter + 1 (0 when negative); down: counter - 1 (-1 when not negative). Stored back.
    static int NextSequence(int& counter, bool down);
    // 0 or -1: too long for one send, no transport, or the transport's send failed.
    int SendPacket(const std::uint8_t* record, std::size_t length);

    // Events of the platform, on the client's own thread.
    // WM_SOCKET_RECEIVE: count > 0 with the record's data, local port and kind; count < 1 with the
    // end form's lParam (local port, OR 0x10000000 for a TCP connection).
    void OnSocketData(const std::uint8_t* data, int count, std::uint32_t localPort, std::uint32_t kind);
    void OnSocketEnd(int code, std::uint32_t param);
    void OnTimer(int id);
    void OnCancel(unsigned wParam);
    void OnCloseFiles();
    void OnWorkerGone();
    void OnWorkerEnd(std::uintptr_t transfer, std::intptr_t code);

    // Settings read from the profile by the platform before Open.
    void SetScramble(bool on) { m_scramble = on; }
    void SetRawLog(bool on) { m_rawLog = on; }
    void SetSendMsgNumber(std::uint32_t number) { m_sendMsgNumber = number; }
    std::uint32_t GetSendMsgNumber() const { return m_sendMsgNumber; }
    // Periods, members so that tests need not wait the real ones.
    void SetPeriods(unsigned requestMs, unsigned waitMs, unsigned proxyMs)
    {
        m_periodMs = requestMs;
        m_waitLimitMs = waitMs;
        m_proxyWaitMs = proxyMs;
    }
    unsigned RequestPeriod() const { return m_periodMs; }
    // Opens the two traffic logs in folder (appended to); both or none.
    bool OpenTrafficLogs(const std::string& folder);
    void CloseTrafficLogs();
    bool TrafficLogsOpen() const { return m_sendLog && m_recvLog; }

    int Pending() const { return m_pending.load(); }
    int Mode() const { return m_mode; }
    int ResendLimit() const { return m_resendLimit; }
    int ResendCount() const { return m_resendCounter; }
    int CurrentSequence() const { return m_sequence; }
    int SessionState() const { return m_sessionState; }
    int ProxyState() const { return m_proxyState; }
    bool Framed() const { return m_framed; }
    bool Scramble() const { return m_scramble; }
    const SessionLoginRecord& LoginRecord() const { return m_login; }
    const SessionAddressRecord& AddressRecord() const { return m_address; }
    CCommPM* Transport() const { return m_transport.get(); }
    bool WorkerRunning() const { return m_worker.joinable(); }

protected:
    // --- the platform -------------------------------------------------------------------------
    virtual void ArmTimer(int id, unsigned ms) = 0;
    virtual void StopTimer(int id) = 0;
    // Posts to the owner window; frees the record when it cannot be posted.
    virtual void PostToOwner(unsigned message, int wParam, PmPostedRecord* record) = 0;
    // Posts to the client's own window; called from the worker thread too.
    virtual void PostToSelf(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // 0x43D with wParam 2 to the progress window, when one is set; called from the worker thread.
    virtual void PostProgress(std::uint32_t bytes) = 0;
    // Handles this thread's messages until done() or timeoutMs; the program is modal meanwhile.
    virtual bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs) = 0;
    // Removes this window's queued socket messages, freeing their records.
    virtual void DropQueuedSocketMessages() = 0;
    virtual nvnet::SocketOwner SocketOwner() = 0;
    virtual std::string TemporaryFilePath();
    virtual std::int64_t UnixNow();
    virtual std::uint32_t NewSeed();
    virtual std::string UserAgent();
    // The transport of a mode (tests give their own).
    virtual std::unique_ptr<CCommPM> MakeTransport(int mode);

    // To be called by the platform's destructor while its hooks still work (the core's own
    // destructor can no longer reach them).
    void Release();

private:
    friend class CCommPM;
    friend class CCommPMUdp;
    friend class CCommPMTcp;
    friend class CCommPMProxy;

    struct KindInfo {
        int kind;
        int refusal;
        int sendFailure;
        bool resent;
        int timeoutResult;
        unsigned message; // 0x403 or 0x404 (0: no report)
        std::uint16_t recordType;
    };
    static const KindInfo* Info(int kind);

    // Requests
    PmHeader MakeHeader(std::uint16_t type) const;
    bool Refused(int kind, int code);
    int StartRequest(int kind, const std::vector<std::uint8_t>& record, int sendFailure);
    int SendListRequest();
    int SendMessagePacket();
    int SendReceiveRequest();
    int SendDeleteRequest();
    int SendListQuery();
    int SendUserListDelete();
    int SendPresencePacket();
    void ClearResends() { m_resendCounter = 0; m_reconnects = 0; }

    // Replies
    void OnMainRecord(const std::uint8_t* payload, std::size_t length);
    bool OnListPacket(const PmHeader& header, const std::uint8_t* payload, std::size_t length);
    void OnReply(const PmHeader& header, const std::uint8_t* payload, std::size_t length);
    void OnListPage(const PmHeader& header, const std::uint8_t* payload, std::size_t length);
    void OnDataConnection(const std::uint8_t* data, std::size_t count);
    void OnDataRecord(const std::uint8_t* payload, std::size_t length);
    void OnProxyData(const std::uint8_t* data, std::size_t count, bool mainConnection);

    // Reports: every accepted request ends in exactly one.
    void Finish(int kind, int wParam, std::vector<std::uint8_t> record);
    void Fail(int kind, int code, std::vector<std::uint8_t> record = {});
    std::vector<std::uint8_t> FailureRecord(std::uint16_t typeOrCode) const;
    static std::vector<std::uint8_t> HostCopy(const std::uint8_t* payload, std::size_t length);
    unsigned ReportMessageOf(int kind) const;

    void OnConnectionLost(int code);
    void ResendAfterReconnect();

    // Extended data
    int PrepareDataSocket(int createFailure);
    int OpenData(int connectFailure);
    int StartExtDataThread();
    void ExtDataThread(std::uintptr_t transfer);
    int SendOnData(const std::uint8_t* record, std::size_t length, bool raw, int resends = -1);
    int SendBodyRequest();
    void OnBodyBytes(const std::uint8_t* data, std::size_t count);
    void CompleteBody();
    void FailBody(int code, std::vector<std::uint8_t> record = {});
    void CloseBodyFiles();
    void DeleteDataSocket();
    void StopWorker(bool join);
    void ResetReceive();

    // Traffic logs
    // resends: the count for the SEND line, -1 for the client's own (the worker passes 0).
    void LogPacket(bool sent, const std::uint8_t* record, std::size_t length, int resends = -1);

    // Waits (Part of the transports' session start and tunnels)
    bool WaitForState(const std::atomic<int>& state, unsigned ms);

    SessionLoginRecord m_login;
    SessionAddressRecord m_address;
    bool m_framed;
    bool m_scramble = true;
    bool m_rawLog = false;

    std::atomic<int> m_pending{0};
    std::atomic<int> m_lastResult{0};
    int m_sequence = 0;
    int m_urlCounter = 0;
    int m_sessionCounter = 0;
    int m_resendCounter = 0;
    int m_reconnects = 0;
    int m_resendLimit = -1;
    int m_mode = PM_MODE_NONE;
    unsigned m_periodMs = PM_REQUEST_PERIOD_MS;
    unsigned m_waitLimitMs = PM_WAIT_LIMIT_MS;
    unsigned m_proxyWaitMs = PM_PROXY_WAIT_MS;
    std::vector<std::uint8_t> m_lastRecord; // encoded, for resends

    // Message being sent
    std::string m_recipientId, m_recipientName, m_text, m_filePath;
    std::uint32_t m_fileFlag = 0;
    std::uint32_t m_fileLength = 0;
    int m_messageKind = 0;
    std::uint32_t m_fetchNumber = 0;
    std::uint32_t m_lastFetched = 0;
    std::uint32_t m_deleteNumber = 0;

    // List query
    std::uint32_t m_listKind = 0;
    std::uint16_t m_page = 0;
    std::uint32_t m_gathered = 0;
    int m_emptyPages = 0;
    std::vector<std::uint8_t> m_listBlock;
    std::uint32_t m_presence = 0;
    std::atomic<std::uint32_t> m_sendMsgNumber{0};

    std::atomic<int> m_sessionState{PM_SESSION_NOT_STARTED};
    std::atomic<int> m_proxyState{PM_PROXY_IDLE};
    int m_proxyWait = 0; // 30, 31 or 32 while a proxy answer is awaited
    std::vector<std::uint8_t> m_proxyBuffer;

    std::unique_ptr<CCommPM> m_transport;
    std::unique_ptr<CTcpClient> m_stream;
    std::unique_ptr<CUdpEndpoint> m_udp;
    std::unique_ptr<CTcpClient> m_data;
    int m_mainPort = -1;
    int m_dataPort = -1;
    std::string m_proxyHost, m_proxyUser, m_proxyPassword;
    std::uint16_t m_proxyPort = 0;

    // Extended data
    std::thread m_worker;
    std::atomic<bool> m_abort{false};
    std::atomic<std::uint64_t> m_bodyProgress{0};
    std::uint64_t m_progressSeen = 0;
    std::uintptr_t m_transfer = 0;
    int m_extKind = 0;
    std::FILE* m_bodyFile = nullptr;
    std::FILE* m_tempFile = nullptr;
    std::string m_tempPath;
    std::string m_destination;
    std::uint32_t m_bodyNumber = 0;
    std::uint64_t m_bodyLimit = PM_BODY_LIMIT;
    std::uint64_t m_received = 0;
    std::uint64_t m_expected = 0;
    bool m_headerSeen = false;
    std::vector<std::uint8_t> m_rxHeader;
    std::vector<std::uint8_t> m_rxReply;
    PmResult m_reply;
    CPmStreamAssembler m_dataStream{true, 4096}; // session and send answers on the data connection
    std::uint32_t m_rxHeaderLength = 0;
    std::mutex m_dataSendLock;

    std::FILE* m_sendLog = nullptr;
    std::FILE* m_recvLog = nullptr;
    std::uint32_t m_lastSeed = 0;
    bool m_released = false;
};
