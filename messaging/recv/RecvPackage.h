// The received window's use of an attachment package: its first file's name and the package's
// format, and that file extracted for opening under a plain name in the temporary folder.
// Failures come back as the notice the window shows. Portable.
#pragma once

#include "framework/core/CString.h"
#include "messaging/recv/RecvRules.h"

// The first file name and the header's format field; PackageNotice::NoFile for a package that
// lists nothing.
PackageNotice ListFirstPackageFile(const CString& package, CString* firstName, int* format);

// Extracts the first file to the temporary folder under its plain name (device names refused:
// NoFile); *target is the file written.
PackageNotice ExtractFirstForOpening(const CString& package, const CString& temporaryFolder, CString* target);

// Extracts the package's file entryName to target (any path the user chose).
PackageNotice ExtractPackageFile(const CString& package, const CString& entryName, const CString& target);
