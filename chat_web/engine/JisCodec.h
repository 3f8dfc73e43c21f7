// Conversions between Shift_JIS (code page 932, the program's text) and ISO-2022-JP (JIS, the
// chat service's wire text).
#pragma once

#include <string>

namespace chat {

// Double-byte characters become JIS X 0208 pairs inside ESC $ B ... ESC ( B. Single bytes (ASCII,
// half-width katakana) are copied as they are, outside a JIS run. Characters that JIS X 0208 has no
// row for (user-defined and vendor lead bytes 0xF0-0xFC) become the geta mark, a lead byte without
// a valid trail byte is dropped, and so is ESC (it would switch the receiver's decoder), so no 8-bit
// byte ever lands inside a JIS run.
std::string SjisToJis(const std::string& text);

// ESC $ @, ESC $ B and ESC K start two-byte mode; ESC ( B, ESC ( J and ESC H end it (all dropped;
// other ESC sequences are copied). Two-byte pairs become Shift_JIS; outside two-byte mode pairs of
// 0xA1-0xFE bytes are read as EUC-JP. The caller converts one line at a time, so a message that
// leaves two-byte mode open cannot garble the lines after it.
std::string JisToSjis(const std::string& text);

} // namespace chat
