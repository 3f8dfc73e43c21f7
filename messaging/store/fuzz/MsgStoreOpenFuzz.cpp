// Any bytes found under the database's name: the start-up check ends with a usable database,
// and whatever was there before is either that database or kept byte for byte under the
// set-aside name; or, for a file that can't be brought to the current layout, no history and the
// file untouched. It never crashes and never loses the old file. A file accepted as it is then
// serves the reads and deletions of the program, which must stay inside its folders.
#include "messaging/store/tests/StoreTestSupport.h"

#include "messaging/store/SqliteDb.h"

#include <cstdlib>

// Every input opens several SQLite connections, each allocating and freeing its caches. With
// ASan's default quarantine (256 MB) and fill of new blocks, a fifth of the time went to page
// faults on fresh memory; a quarantine of 16 MB still holds the blocks of many inputs back, and
// the fill only makes uninitialised reads visible in output, which this target does not compare.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16:max_malloc_fill_size=0";
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // Memory-backed when the machine has it: the store flushes every write to disk.
    static std::string install = [] {
        if (storetest::Exists("/dev/shm"))
            setenv("TMPDIR", "/dev/shm", 1);
        return storetest::MakeTempFolder();
    }();
    static struct RemoveAtExit {
        ~RemoveAtExit() { storetest::RemoveTree(install); }
    } removeAtExit;
    static storetest::TestPlatform platform(install);
    msgstore::SetStorePlatform(&platform);
    msgstore::SetBusyTimeout(0);
    std::string log = storetest::Join(storetest::Join(install, "Log"), "tester");
    storetest::RemoveTree(log);
    platform.available = false;
    {
        CMsgStore folders;
        folders.EnsureFolders();
    }
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string dbPath = storetest::Join(log, "vyrntalk.cdb");
    if (!storetest::WriteFile(dbPath, input))
        std::abort();

    CMsgStore store;
    if (store.Open() != 1)
        std::abort();
    std::string kept;
    if (!platform.available) {
        // Only a file that opens but can't be brought to the current layout runs without
        // history: it stays where it was, byte for byte, nothing set aside.
        if (store.GetLastErrorCode() == 0 || !storetest::ReadFile(dbPath, kept) || kept != input ||
            storetest::ListFolder(log) != std::vector<std::string>({"Attach", "vyrntalk.cdb"}))
            std::abort();
        return 0;
    }
    bool setAside = storetest::ReadFile(storetest::Join(log, "vyrntalk20270315.cdb"), kept);
    if (setAside && kept != input)
        std::abort();
    // A file that passed the check may still refuse a write (a constraint of its own); that is
    // a failure value, not a crash.
    store.AddMessage(1, "fuzz", "after", 0);
    if (!setAside && !storetest::Exists(dbPath))
        std::abort();
    if (setAside)
        return 0;

    // The rows of an accepted file are someone else's too: the attachment names in it lead into
    // the attachment folder or nowhere, and the deletions that follow them remove nothing outside.
    const std::string attach(store.GetAttachFolder().GetString());
    const std::string sentinel = storetest::Join(install, "sentinel.txt");
    const std::string logSentinel = storetest::Join(log, "sentinel.txt");
    if (!storetest::WriteFile(sentinel, "x") || !storetest::WriteFile(logSentinel, "x"))
        std::abort();
    for (long seqNo = 1; seqNo <= 3; ++seqNo) {
        std::string path(store.GetAttachmentPath(seqNo).GetString());
        if (!path.empty() && (path.compare(0, attach.size() + 1, attach + storetest::Separator()) != 0 ||
                              path.find("/../") != std::string::npos))
            std::abort();
    }
    store.GetUserMemo("fuzz");
    store.DeleteMessage(1 + static_cast<long>(size % 3));
    store.DeleteUserMessages("fuzz");
    store.PurgeBefore(1);
    if (!storetest::Exists(sentinel) || !storetest::Exists(logSentinel))
        std::abort();
    return 0;
}
