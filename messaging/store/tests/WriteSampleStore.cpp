// Writes a small message database through the store as the Windows program does (code page 932
// texts converted at the store's boundary), for the sqlite3 tool to read back: see
// tests/cli_reads_store.sh. usage: WriteSampleStore <install folder>
// With "--forever" it adds messages until it is killed, printing "<SeqNo> <index>" after each
// AddMessage returned (the crash-safety test under Wine kills it mid-batch).
#include "messaging/store/tests/StoreTestSupport.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        return 2;
    storetest::TestPlatform platform(argv[1]);
    platform.now = msgstore::CStoreTime{2027, 3, 15, 12, 34, 56};
    msgstore::SetStorePlatform(&platform);
    CMsgStore store;
    if (store.Open() != 1 || !platform.available)
        return 3;
    if (argc == 3 && std::string(argv[2]) == "--forever") {
        for (long i = 0; i < 1000000; ++i) {
            CMsgStore writer;
            long seqNo = writer.AddMessage(1, "crash", storetest::CrashTestText(i).c_str(), 0);
            if (seqNo <= 0)
                return 5;
            std::printf("%ld %ld\n", seqNo, i);
            std::fflush(stdout);
        }
        return 0;
    }
    // 山田 and こんにちは in code page 932.
    if (!store.PutUser("yamada", "\x8E\x52\x93\x63") ||
        store.AddMessage(1, "yamada", "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", 0) <= 0)
        return 4;
    std::puts(store.GetDbPath());
    return 0;
}
