#include "messaging/store/tests/StoreTestSupport.h"

#include "messaging/store/SqliteDb.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace storetest {

std::string MakeTempFolder()
{
    static std::atomic<unsigned> counter{0};
    fs::path base = fs::temp_directory_path();
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        fs::path folder = base / ("nvstore-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        std::error_code error;
        if (fs::create_directory(folder, error))
            return folder.string();
    }
}

void RemoveTree(const std::string& folder)
{
    std::error_code error;
    fs::remove_all(fs::path(folder), error);
}

char Separator() { return msgstore::DefaultStorePlatform().PathSeparator(); }

std::string Join(const std::string& folder, const std::string& name) { return folder + Separator() + name; }

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, got);
    std::fclose(file);
    return true;
}

bool Exists(const std::string& path) { return msgstore::DefaultStorePlatform().PathExists(path.c_str()); }

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(folder), error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string JapaneseFolderName()
{
#ifdef _WIN32
    return "\x83\x65\x83\x58\x83\x67\x97\x9A\x97\xF0";   // テスト履歴 in code page 932
#else
    return "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\xE5\xB1\xA5\xE6\xAD\xB4";
#endif
}

std::string QueryFile(const std::string& dbPath, const std::string& sql)
{
    msgstore::CSqlDatabase db;
    if (db.Open(msgstore::DefaultStorePlatform().ToSqlitePath(dbPath.c_str()), false) != 0)
        return "ERROR: " + db.LastMessage();
    msgstore::CSqlStatement statement(db, sql.c_str());
    std::string result;
    bool first = true;
    while (statement.Step()) {
        if (!first)
            result += "|";
        first = false;
        result += statement.ColumnBytes(0);
    }
    if (statement.Failed())
        return "ERROR: " + db.LastMessage();
    return result;
}

std::string CrashTestText(long i)
{
    return "message " + std::to_string(i) + " " + std::string(800, static_cast<char>('a' + i % 26));
}

} // namespace storetest
