// How the program's code page 932 texts are kept in the database. A text that converts to UTF-8
// and back to the very same bytes is stored as UTF-8 TEXT, so any SQLite tool reads it; anything
// else (broken bytes, characters with two codes in code page 932) is stored as its raw bytes in a
// BLOB, so nothing a user wrote is ever changed by storing it.
#pragma once

#include "framework/core/CString.h"
#include "messaging/store/SqliteDb.h"

namespace msgstore {

bool BindMbcs(CSqlStatement& statement, int index, const char* text);
CString ColumnMbcs(const CSqlStatement& statement, int column);

} // namespace msgstore
