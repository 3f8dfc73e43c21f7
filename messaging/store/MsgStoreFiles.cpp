// CMsgStore's folders and files: the paths, the set-aside copies and the attachment files.
#include "messaging/store/MsgStore.h"

#include "framework/core/Cp932.h"
#include "messaging/store/StorePlatform.h"

#include <sqlite3.h>

using msgstore::CSqlDatabase;
using msgstore::StorePlatform;

namespace {

// The bits of a message's attributes that say what is attached to it.
constexpr unsigned long kAttachmentBits = 0x0F000000UL;
constexpr unsigned long kSoundAttached = 0x01000000UL;
constexpr unsigned long kPictureAttached = 0x02000000UL;
constexpr unsigned long kVideoAttached = 0x04000000UL;

// A day's set-aside names run from the plain one through "(32766)".
constexpr int kLastSetAsideNumber = 32766;

// Files SQLite keeps beside a database: they belong to it and travel with it.
const char* const kCompanionSuffixes[] = {"-journal", "-wal"};

// A stored attachment name may name a file below the attachment folder, never one outside it:
// no drive, no leading separator, no ".." step. Trail bytes of double-byte characters are
// skipped, so a 0x5C inside a Japanese character is not taken for a separator.
bool IsNameInsideFolder(const CString& name, char separator)
{
    const char* text = name.GetString();
    std::size_t length = static_cast<std::size_t>(name.GetLength());
    if (length == 0)
        return false;
    std::size_t componentStart = 0;
    for (std::size_t i = 0; i <= length;) {
        std::size_t step = i < length ? cp932::CharLength(text + i, length - i) : 1;
        char ch = i < length ? text[i] : '\0';
        bool isSeparator = step == 1 && (ch == '\\' || ch == '/' || ch == separator);
        if (step == 1 && ch == ':')
            return false;
        if (isSeparator || i == length) {
            std::string component(text + componentStart, i - componentStart);
            if (component.empty() || component == "..")
                return false;
            componentStart = i + 1;
        }
        i += step;
    }
    return true;
}

} // namespace

CString CMsgStore::GetInstallFolder()
{
    return Guarded(CString(), [&]() -> CString {
        if (m_installFolder.IsEmpty())
            m_installFolder = StorePlatform().GetInstallFolder();
        return m_installFolder;
    });
}

CString CMsgStore::GetLogFolder()
{
    return Guarded(CString(), [&]() -> CString {
        if (m_logFolder.IsEmpty()) {
            CString install = GetInstallFolder();
            if (install.IsEmpty())
                return CString();
            char separator = StorePlatform().PathSeparator();
            m_logFolder = install + separator + "Log" + separator + StorePlatform().GetWindowsUserName();
        }
        return m_logFolder;
    });
}

CString CMsgStore::GetDbPath() { return BelowLogFolder(m_dbPath, "vyrntalk.cdb"); }

CString CMsgStore::GetAttachFolder() { return BelowLogFolder(m_attachFolder, "Attach"); }

// A path in the log folder, made once and kept in cached; empty while the log folder is unknown.
CString CMsgStore::BelowLogFolder(CString& cached, const char* name)
{
    return Guarded(CString(), [&]() -> CString {
        if (cached.IsEmpty()) {
            CString log = GetLogFolder();
            if (log.IsEmpty())
                return CString();
            cached = log + StorePlatform().PathSeparator() + name;
        }
        return cached;
    });
}

BOOL CMsgStore::EnsureFolders()
{
    return Guarded(FALSE, [&]() -> BOOL {
        CString install = GetInstallFolder();
        CString attach = GetAttachFolder();
        if (install.IsEmpty() || attach.IsEmpty())
            return FALSE;
        // Make each folder below the install folder in turn: Log, the user's folder, Attach.
        // A folder that can't be made shows up later, when the database can't be created.
        char separator = StorePlatform().PathSeparator();
        CString path = install;
        CString rest = attach.Mid(install.GetLength() + 1);
        while (!rest.IsEmpty()) {
            int cut = rest.Find(separator);
            CString component = cut < 0 ? rest : rest.Left(cut);
            if (component.IsEmpty())
                break;
            path += separator;
            path += component;
            if (!StorePlatform().MakeDirectory(path))
                break;
            rest = cut < 0 ? CString() : rest.Mid(cut + 1);
        }
        return TRUE;
    });
}

CString CMsgStore::MakeSetAsideName()
{
    return Guarded(CString(), [&]() -> CString {
        CString log = GetLogFolder();
        if (log.IsEmpty())
            return CString();
        msgstore::CStoreTime today = StorePlatform().Now();
        msgstore::IStorePlatform& platform = StorePlatform();
        CString base;
        base.Format("%c" "vyrntalk%04d%02d%02d", platform.PathSeparator(), today.year, today.month, today.day);
        base = log + base;
        // Only a name under which nothing exists is free: an existing set-aside file, readable or
        // not, is never overwritten. When every number of the day is taken, nothing is set aside.
        for (int number = 0; number <= kLastSetAsideNumber; ++number) {
            CString name = base;
            if (number > 0)
                name.AppendFormat("(%d)", number);
            name += ".cdb";
            bool taken = platform.PathExists(name);
            for (const char* suffix : kCompanionSuffixes)
                taken = taken || platform.PathExists(name + suffix);
            if (!taken)
                return name;
        }
        return CString();
    });
}

CString CMsgStore::SetAside(const CString& path)
{
    return Guarded(CString(), [&]() -> CString {
        msgstore::IStorePlatform& platform = StorePlatform();
        if (GetLogFolder().IsEmpty() || path.IsEmpty())
            return CString();
        CString name = MakeSetAsideName();
        if (name.IsEmpty()) {
            RecordError(SQLITE_CANTOPEN, "no free name to set the damaged database aside");
            return CString();
        }
        if (!platform.CopyFileBytes(name, path, true)) {
            RecordError(SQLITE_IOERR, "the damaged database could not be copied aside");
            return CString();
        }
        for (const char* suffix : kCompanionSuffixes) {
            if (platform.PathExists(path + suffix) && !platform.CopyFileBytes(name + suffix, path + suffix, true)) {
                platform.RemoveFile(name);
                RecordError(SQLITE_IOERR, "the damaged database's journal could not be copied aside");
                return CString();
            }
        }
        return name;
    });
}

BOOL CMsgStore::RemoveDatabaseFiles(const CString& path)
{
    msgstore::IStorePlatform& platform = StorePlatform();
    if (platform.PathExists(path) && !platform.RemoveFile(path)) {
        RecordError(SQLITE_IOERR, "the database file could not be removed");
        return FALSE;
    }
    for (const char* suffix : kCompanionSuffixes)
        if (platform.PathExists(path + suffix))
            platform.RemoveFile(path + suffix);
    if (platform.PathExists(path + "-shm"))
        platform.RemoveFile(path + "-shm");
    return TRUE;
}

CString CMsgStore::AttachmentPath(const CString& name)
{
    char separator = StorePlatform().PathSeparator();
    CString folder = GetAttachFolder();
    if (folder.IsEmpty() || !IsNameInsideFolder(name, separator))
        return CString();
    return folder + separator + name;
}

CString CMsgStore::StoreAttachmentFile(long attachType, const char* sourcePath)
{
    return Guarded(CString(), [&]() -> CString {
        msgstore::IStorePlatform& platform = StorePlatform();
        if (!platform.IsDatabaseAvailable() || GetAttachFolder().IsEmpty() || !sourcePath)
            return CString();
        const char* prefix = attachType == kAttachSound     ? "SOU"
                             : attachType == kAttachPicture ? "PIC"
                             : attachType == kAttachVideo   ? "VID"
                                                            : "OTH";
        CString stored = platform.MakeUniqueFile(GetAttachFolder(), prefix);
        if (stored.IsEmpty())
            return CString();
        if (!platform.CopyFileBytes(stored, sourcePath, false)) {
            // No half-made or empty copy stays behind in the attachment folder.
            platform.RemoveFile(stored);
            return CString();
        }
        return stored;
    });
}

BOOL CMsgStore::AddAttachment(long seqNo, const char* storedPath)
{
    return Guarded(FALSE, [&]() -> BOOL {
        if (!StorePlatform().IsDatabaseAvailable() || seqNo < 1 || !storedPath)
            return FALSE;
        CString folder = GetAttachFolder();
        CString path(storedPath);
        char separator = StorePlatform().PathSeparator();
        int length = folder.GetLength();
        if (folder.IsEmpty() || path.GetLength() <= length + 1 || path.Left(length).CompareNoCase(folder) != 0 ||
            path[length] != separator)
            return FALSE;
        CString name = path.Mid(length + 1);
        if (!IsNameInsideFolder(name, separator))
            return FALSE;
        CSqlDatabase db;
        if (!Connect(db))
            return FALSE;
        if (!CPmLogAttachTSet::Insert(db, seqNo, name)) {
            RecordError(db);
            return FALSE;
        }
        return TRUE;
    });
}

CString CMsgStore::GetAttachmentPath(long seqNo)
{
    return Guarded(CString(), [&]() -> CString {
        if (!StorePlatform().IsDatabaseAvailable() || seqNo < 1)
            return CString();
        CSqlDatabase db;
        if (!Connect(db))
            return CString();
        CString name;
        if (CPmLogAttachTSet::Find(db, seqNo, name) != 1 || name.IsEmpty())
            return CString();
        return AttachmentPath(name);
    });
}

long CMsgStore::AttachTypeFromAttributes(unsigned long attributes)
{
    switch (attributes & kAttachmentBits) {
    case 0:
        return kAttachNone;
    case kSoundAttached:
        return kAttachSound;
    case kPictureAttached:
        return kAttachPicture;
    case kVideoAttached:
        return kAttachVideo;
    default:
        return kAttachOther;
    }
}

BOOL CopyFileContents(const char* destination, const char* source)
{
    try {
        if (!destination || !source)
            return FALSE;
        return StorePlatform().CopyFileBytes(destination, source, false) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}
