// The zip-code index of the user-data page, built in the background: the archive "zipcode.ful"
// of the main program's folder is extracted into the temporary folder and "zipcode.csv" indexed
// there. Loading is marked before the thread starts and the flags are atomic; the object waits
// for its thread before it frees the index and removes the extracted file.
#pragma once

#include "framework/core/CString.h"
#include "signup/core/ZipCodeIndex.h"

#include <windows.h>

#include <atomic>

class CZipCodeLoader {
public:
    CZipCodeLoader() = default;
    ~CZipCodeLoader();
    CZipCodeLoader(const CZipCodeLoader&) = delete;
    CZipCodeLoader& operator=(const CZipCodeLoader&) = delete;

    // archive: the zipcode.ful file; tempFolder ends with a backslash. False when the thread
    // could not start (nothing is loading then).
    bool Start(const CString& archive, const CString& tempFolder);
    // Waits for the thread (at most ms); true when it has ended.
    bool Wait(DWORD ms);
    bool IsLoading() const { return m_loading.load(); }
    bool IsLoaded() const { return m_loaded.load(); }
    std::size_t EntryCount() const { return IsLoading() ? 0 : m_index.codes.size(); }

    // The address of a 7-digit code; empty while loading, without an index or without a match.
    CString LookUp(const CString& code) const;
    // The code of the two zip parts ("%03d%04d"), or empty when either is empty or not digits.
    static CString CodeOf(const CString& first, const CString& second);

    // The folder of the main program: App Paths of q2NimboVandrell.exe, else of NimboVandrell.exe,
    // else this program's own folder.
    static CString MainProgramFolder();

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Load();

    CString m_archive, m_tempFolder, m_csvPath;
    ZipCodeIndex m_index;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_loading{false};
    std::atomic<bool> m_loaded{false};
};
