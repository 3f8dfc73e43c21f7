// Where numbered failures go: the error log window and the error balloon of the main program.
// The main program registers its windows here once they exist; the sign-up program registers
// nothing, and failures then only reach the caller.
#pragma once

#include "framework/core/CString.h"

class IErrorSink {
public:
    virtual ~IErrorSink() = default;
    virtual void LogError(unsigned flags, const CString& text) = 0;
    virtual void ShowErrorBalloon(const CString& text, unsigned flags) = 0;
};
