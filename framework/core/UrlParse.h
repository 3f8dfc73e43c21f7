// The program's one URL cracker, with the answers the framework's AfxParseURL gives: the
// service type of the scheme, the server, the object (path and query) and the port. It serves
// the address bar's validity check and the log windows' link finders.
//
// Accepted: "scheme:rest" where the scheme is a letter followed by letters, digits, "+", "-" or
// "."; blanks around the whole text don't count. With "//" after the colon the server runs to the
// next "/", "?" or "#", loses any "user:password@" and gives away its ":port" (1-65535; "host:"
// keeps the usual port); a server in "[...]" (an IPv6 address) keeps its colons and must be
// closed. The object is then "/" when nothing follows the server. A "mailto:" address is its own
// server, with any "?query" as the object. The server may hold only printable ASCII other than
// blanks; anything else (control bytes, blanks, double-byte characters) is refused, as is an
// empty text or one without a scheme.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

enum : std::uint32_t {
    AFX_INET_SERVICE_FTP = 1,
    AFX_INET_SERVICE_GOPHER = 2,
    AFX_INET_SERVICE_HTTP = 3,
    AFX_INET_SERVICE_UNK = 0x1000,
    AFX_INET_SERVICE_FILE = AFX_INET_SERVICE_UNK + 1,
    AFX_INET_SERVICE_MAILTO = AFX_INET_SERVICE_UNK + 2,
    AFX_INET_SERVICE_MID = AFX_INET_SERVICE_UNK + 3,
    AFX_INET_SERVICE_CID = AFX_INET_SERVICE_UNK + 4,
    AFX_INET_SERVICE_NEWS = AFX_INET_SERVICE_UNK + 5,
    AFX_INET_SERVICE_NNTP = AFX_INET_SERVICE_UNK + 6,
    AFX_INET_SERVICE_PROSPERO = AFX_INET_SERVICE_UNK + 7,
    AFX_INET_SERVICE_TELNET = AFX_INET_SERVICE_UNK + 8,
    AFX_INET_SERVICE_WAIS = AFX_INET_SERVICE_UNK + 9,
    AFX_INET_SERVICE_AFS = AFX_INET_SERVICE_UNK + 10,
    AFX_INET_SERVICE_HTTPS = AFX_INET_SERVICE_UNK + 11,
};

// false (service type AFX_INET_SERVICE_UNK, the rest empty, port 0) when the text is no URL or
// is null.
// The port is the one given, else the scheme's usual one (0 when it has none).
bool AfxParseURL(const char* url, std::uint32_t& serviceType, CString& server, CString& object,
                 std::uint16_t& port);

// An address the program may show and open: it parses, and either its service is FTP, Gopher,
// HTTP, HTTPS, mailto, mid, cid, news, NNTP, Prospero or Telnet with a server, or its service
// is unknown and it begins with "LDAP" (any case). Files and every other service are not.
bool IsValidUrl(const char* url);

// Whether text begins with prefix, letters compared without case (ASCII only).
bool HasPrefixNoCase(const char* text, const char* prefix);
