#include "messaging/store/StoreText.h"

#include "messaging/store/StorePlatform.h"

#include <sqlite3.h>

namespace msgstore {

bool BindMbcs(CSqlStatement& statement, int index, const char* text)
{
    std::string bytes = text ? text : "";
    IStorePlatform& platform = StorePlatform();
    std::string utf8, back;
    if (platform.Cp932ToUtf8(bytes, utf8) && platform.Utf8ToCp932(utf8, back) && back == bytes)
        return statement.BindText(index, utf8);
    return statement.BindBlob(index, bytes.data(), bytes.size());
}

CString ColumnMbcs(const CSqlStatement& statement, int column)
{
    switch (statement.ColumnType(column)) {
    case SQLITE_NULL:
        return CString();
    case SQLITE_BLOB:
        return CString(statement.ColumnBytes(column));
    default: {
        std::string text;
        StorePlatform().Utf8ToCp932(statement.ColumnBytes(column), text);
        return CString(text);
    }
    }
}

} // namespace msgstore
