// A fresh folder for one test's files, removed with everything in it at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

class CTestFolder {
public:
    CTestFolder()
    {
        static std::atomic<int> counter{0};
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_path = std::filesystem::temp_directory_path()
            / ("nvaudio_" + std::to_string(stamp) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~CTestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
