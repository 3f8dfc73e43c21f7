// Any bytes found under the database's name: the start-up check ends with a usable database,
// and whatever was there before is either that database or kept byte for byte under the
// set-aside name; or, for a file that can't be brought to the current layout, no history and the
// file untouched. It never crashes and never loses the old file.
#include "messaging/store/tests/StoreTestSupport.h"

#include "messaging/store/SqliteDb.h"

#include <cstdlib>

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
    return 0;
}
