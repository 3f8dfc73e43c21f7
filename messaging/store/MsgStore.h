// CMsgStore: the one access class of the local message database
// (<install>\Log\<Windows user>\vyrntalk.cdb, attachment files in Attach\ beside it).
//
// It is not a long-lived connection: a user builds one on the stack, calls one or a few
// operations and lets it go. Each operation opens its own connection, does its work in one
// transaction and closes the connection before it returns; SQLite's locking with a busy time-out
// lets the short-lived objects of several windows (or threads) write one after the other.
// Every operation but the folder getters and the three static ones returns its failure value at
// once while the application's database-available flag is clear. No exception leaves the store:
// one that is thrown inside gives the operation's failure value and becomes the object's last error.
#pragma once

#include "framework/core/CString.h"
#include "messaging/store/Recordsets.h"

#include <cstdint>

class CMsgStore {
public:
    CMsgStore() = default;
    ~CMsgStore() = default;
    CMsgStore(const CMsgStore&) = delete;
    CMsgStore& operator=(const CMsgStore&) = delete;

    // The kinds of attachment a message row records (AttachType).
    enum AttachKind : long { kAttachNone = 0, kAttachSound = 1, kAttachPicture = 2, kAttachVideo = 3, kAttachOther = 4 };

    // Start-up check, once by the main window: makes the folders, opens the file or creates it,
    // sets a damaged file aside and starts a new one, brings an older layout up to date; sets the
    // database-available flag only when all of that succeeded. A file that can't be opened or
    // brought up to date is left as it is and the program runs without history. 1: go on (with or
    // without history, as the flag says); 0: end the program.
    int Open();

    CString GetInstallFolder();
    CString GetLogFolder();
    CString GetDbPath();
    CString GetAttachFolder();

    // 1 when the partner was found (its Time is refreshed, its name kept) or added; 0 on failure.
    BOOL PutUser(const char* commId, const char* commName);
    // The SeqNo of the row this call inserted, 0 on failure. SeqNos are never reused.
    long AddMessage(int sndRcv, const char* commId, const char* text, long attachType);
    // Copies the file (an empty one too) into the attachment folder under a new name; the full
    // path of the copy, or empty on failure (no file is left behind then).
    CString StoreAttachmentFile(long attachType, const char* sourcePath);
    // Records the stored copy (a path inside the attachment folder) for message seqNo.
    BOOL AddAttachment(long seqNo, const char* storedPath);
    // The full path of message seqNo's stored attachment; empty when it has none, or when the
    // stored name would lead outside the attachment folder.
    CString GetAttachmentPath(long seqNo);
    // The AttachType stored for a message with these message attributes: the attachment bits
    // (0x0F000000) give 0x1000000 sound, 0x2000000 picture, 0x4000000 video, any other
    // combination other, none none.
    static long AttachTypeFromAttributes(unsigned long attributes);

    // 1: deleted, it had an attachment (the caller deletes that next); 0: deleted, no
    // attachment; -1: nothing deleted (no such message, or the delete failed).
    int DeleteMessage(long seqNo);
    // 1 when the attachment row was deleted and its file removed, else 0.
    BOOL DeleteAttachment(long seqNo);
    // Every message of the partner with its attachments. 0 done, -1 failed (nothing deleted).
    int DeleteUserMessages(const char* commId);
    // 1 deleted, 0 not found or failed.
    BOOL DeleteUser(const char* commId);

    // Partner name and memo, by the exact CommID. They work without the flag (the memo and
    // partner windows check it themselves).
    static BOOL SetUserName(const char* commId, const char* name);
    static BOOL SetUserMemo(const char* commId, const char* memo);
    static CString GetUserMemo(const char* commId);

    // Deletes the messages stored before local midnight `days` days ago, with their attachment
    // rows and files; partners stay. Returns the number of messages deleted.
    int PurgeBefore(int days);
    // Rebuilds the file in place (VACUUM: all or nothing). 1 done, 0 failed.
    BOOL Compact();

    // The first free name "vyrntalkYYYYMMDD.cdb", "vyrntalkYYYYMMDD(n).cdb" in the log folder
    // (a name is free only when nothing at all exists under it); empty when none is free.
    CString MakeSetAsideName();
    // Copies the database file (and a rollback journal that belongs to it) to a new set-aside
    // name; returns that name, or empty when the copy failed. The original is left as it was.
    CString SetAside(const CString& path);
    BOOL EnsureFolders();

    int DebugMessageBox(unsigned id, unsigned flags);
    int DebugMessageText(const char* text, unsigned flags);

    // The SQLite result code and text of the last failure this object met.
    int GetLastErrorCode() const { return m_lastError; }
    const CString& GetLastErrorText() const { return m_lastErrorText; }

private:
    enum class Verdict { Usable, Damaged, Unavailable };
    // Runs one operation so that no exception leaves the store: an exception gives the failure
    // value and is recorded as this object's last error. Only the outermost operation catches, so
    // one that calls another (a folder getter, say) fails as a whole and keeps the exception's
    // error instead of going on with an empty answer.
    template <class Result, class Operation>
    Result Guarded(Result failure, Operation operation)
    {
        struct Depth {
            int& depth;
            explicit Depth(int& counter) : depth(counter) { ++depth; }
            ~Depth() { --depth; }
        } depth(m_guardDepth);
        try {
            return operation();
        } catch (...) {
            if (m_guardDepth > 1)
                throw;
            RecordException();
            return failure;
        }
    }
    // Records the exception being handled (called from a catch block only).
    void RecordException() noexcept;
    static BOOL SetUserText(const char* commId, CPmLogUserTSet::TextField field, const char* value);
    int OpenOrCreate(const CString& path);
    Verdict Inspect(const CString& path);
    BOOL CreateDatabase(const CString& path);
    BOOL CheckSchema();
    BOOL ApplySchema(const CString& path);
    int DeleteMessagesWhere(const char* condition, const char* value);
    BOOL Connect(msgstore::CSqlDatabase& db);
    BOOL ConnectForWriting(msgstore::CSqlDatabase& db);
    CString BelowLogFolder(CString& cached, const char* name);
    void RecordError(const msgstore::CSqlDatabase& db);
    void RecordError(int code, const char* text);
    BOOL RemoveDatabaseFiles(const CString& path);
    CString AttachmentPath(const CString& name);

    int m_lastError = 0;
    CString m_lastErrorText;
    int m_guardDepth = 0;
    CString m_installFolder;
    CString m_logFolder;
    CString m_attachFolder;
    CString m_dbPath;
};

// Copies a file byte for byte (the destination is replaced); TRUE only when the copy holds every
// byte of the source. An empty source gives an empty copy.
BOOL CopyFileContents(const char* destination, const char* source);
