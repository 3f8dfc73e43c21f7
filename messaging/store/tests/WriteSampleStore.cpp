// Writes a small message database through the store as the Windows program does (code page 932
// texts converted at the store's boundary), for the sqlite3 tool to read back: see
// tests/cli_reads_store.sh. usage: WriteSampleStore <install folder>
#include "StoreTestSupport.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    storetest::TestPlatform platform(argv[1]);
    platform.now = msgstore::CStoreTime{2027, 3, 15, 12, 34, 56};
    msgstore::SetStorePlatform(&platform);
    CMsgStore store;
    if (store.Open() != 1 || !platform.available)
        return 3;
    // 山田 and こんにちは in code page 932.
    if (!store.PutUser("yamada", "\x8E\x52\x93\x63") ||
        store.AddMessage(1, "yamada", "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", 0) <= 0)
        return 4;
    std::puts(store.GetDbPath());
    return 0;
}
