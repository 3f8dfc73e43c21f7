// Where the failures that no caller can be told of end up: the framework's failure hook
// (framework/core/Failure.h) hands them to one target, a log file in the program's folder
// until the error log window takes over. Reports come from any thread.
#pragma once

#include "framework/core/CString.h"

#include <mutex>

class IFailureTarget {
public:
    virtual ~IFailureTarget() = default;
    // Called from any thread; must not throw.
    virtual void Record(const char* where, const char* what) = 0;
};

// Appends one line a failure, "YYYY/MM/DD HH:MM:SS where: what" (line breaks in the text become
// blanks), to a file that it creates on the first report; a file it can't open loses the line.
class CFailureLogFile : public IFailureTarget {
public:
    explicit CFailureLogFile(const CString& path = CString()) : m_path(path) {}
    void SetPath(const CString& path);
    CString GetPath() const;
    void Record(const char* where, const char* what) override;

private:
    mutable std::mutex m_lock;
    CString m_path;
};

// From now on the framework's failure reports go to the target; null gives them back to the
// framework's default (standard error). Returns the target it replaces (null for the default).
// A target must stay alive until it has been replaced.
IFailureTarget* RouteFailuresTo(IFailureTarget* target);
