// Benchmarks of the message database, run by hand (native build):
//   build/native/messaging/store/msgstore_bench [folder]
// 1. 10,000 messages of 900 bytes, each stored by its own short-lived CMsgStore (one
//    connection and one committed transaction each), against the Debian sqlite3 tool running
//    the same 10,000 INSERT statements (each its own transaction) on the same schema in one run.
// 2. The partner history (newest 100 of one partner) in a database of 100,000 messages.
// 3. The start-up check on that database.
#include "messaging/store/tests/StoreTestSupport.h"

#include "messaging/store/SqliteDb.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int main(int argc, char** argv)
{
    std::string root = argc > 1 ? argv[1] : storetest::MakeTempFolder();
    storetest::TestPlatform platform(root);
    msgstore::SetStorePlatform(&platform);
    std::string text(900, 'x');
    std::printf("SQLite %s, folder %s\n", msgstore::SqliteVersion(), root.c_str());

    CMsgStore opener;
    if (opener.Open() != 1 || !platform.available)
        return 1;
    std::string dbPath = opener.GetDbPath().str();

    auto start = Clock::now();
    for (int i = 0; i < 10000; ++i) {
        CMsgStore store;
        if (store.AddMessage(1, "partner", text.c_str(), 0) <= 0)
            return 2;
    }
    double ours = Seconds(start);
    std::printf("store: 10000 AddMessage, each committed: %.3f s (%.1f us each)\n", ours, ours * 100);

    // The same schema, fresh file, the same inserts through the command-line tool.
    std::string cliDb = storetest::Join(root, "cli.db");
    std::string script = storetest::Join(root, "inserts.sql");
    {
        std::string schema = storetest::QueryFile(dbPath, "SELECT sql || ';' FROM sqlite_schema WHERE sql NOT NULL AND name NOT LIKE 'sqlite_%'");
        for (char& c : schema)
            if (c == '|')
                c = '\n';
        std::string sql = schema + "\n";
        for (int i = 0; i < 10000; ++i)
            sql += "INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) VALUES (1, 'partner', "
                   "'2027-03-15 10:30:00', '" + text + "', 0);\n";
        storetest::WriteFile(script, sql);
    }
    start = Clock::now();
    std::string command = "/usr/bin/sqlite3 '" + cliDb + "' < '" + script + "'";
    if (std::system(command.c_str()) != 0)
        return 3;
    double cli = Seconds(start);
    std::printf("sqlite3 tool: the same 10000 inserts: %.3f s; ratio store/tool %.2f\n", cli, ours / cli);

    // Grow to 100,000 messages among 100 partners, then read one partner's newest 100.
    {
        msgstore::CSqlDatabase db;
        db.Open(dbPath, false);
        db.Exec("BEGIN");
        msgstore::CSqlStatement insert(db, "INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) "
                                           "VALUES (1, ?1, ?2, ?3, 0)");
        for (int i = 10000; i < 100000; ++i) {
            insert.Reset();
            insert.BindText(1, "partner" + std::to_string(i % 100));
            msgstore::CStoreTime t{2026, 1, 1, 0, 0, 0};
            t = t.AddDays(i / 1000);
            t.hour = (i / 60) % 24;
            t.minute = i % 60;
            insert.BindText(2, t.Format());
            insert.BindText(3, text);
            insert.Run();
        }
        db.Exec("COMMIT");
        for (int p = 0; p < 100; ++p) {
            CMsgStore store;
            std::string id = "partner" + std::to_string(p);
            store.PutUser(id.c_str(), id.c_str());
        }
    }
    const int rounds = 200;
    start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        CPmLogMsgList list;
        list.SetSource(dbPath.c_str());
        std::string id = "partner" + std::to_string(i % 100);
        if (!list.OpenForPartner(id.c_str(), 100) || list.GetRecordCount() != 100)
            return 4;
    }
    std::printf("partner history, newest 100 of 100000 (connection included): %.3f ms each\n",
                Seconds(start) * 1000 / rounds);

    platform.available = false;
    start = Clock::now();
    CMsgStore check;
    if (check.Open() != 1 || !platform.available)
        return 5;
    std::printf("start-up check (integrity check) of %s: %.3f s\n",
                storetest::QueryFile(dbPath, "SELECT count(*) || ' messages' FROM vyrnmsg").c_str(), Seconds(start));
    if (argc <= 1)
        storetest::RemoveTree(root);
    return 0;
}
