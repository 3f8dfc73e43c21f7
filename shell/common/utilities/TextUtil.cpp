#include "shell/common/utilities/TextUtil.h"

#include "framework/core/Cp932.h"

namespace textutil {

CString StripHtmlTags(const CString& text)
{
    // Line ends become CR LF, and so do <br> and <p> in any case; other tags (nested ones too)
    // are dropped. A '>' without an open tag is text. Double-byte characters are copied whole.
    CString source = text;
    source.Replace("\r\n", "\n");
    source.Replace("\n", "\r\n");
    const std::string& in = source.str();
    std::string out;
    out.reserve(in.size());
    int depth = 0;
    for (std::size_t i = 0; i < in.size();) {
        bool br = in.size() - i >= 4 && CString(in.substr(i, 4).c_str()).CompareNoCase("<br>") == 0;
        bool p = !br && in.size() - i >= 3 && CString(in.substr(i, 3).c_str()).CompareNoCase("<p>") == 0;
        if (br || p) {
            if (depth == 0)
                out += "\r\n";
            i += br ? 4 : 3;
            continue;
        }
        std::size_t n = cp932::CharLength(in.c_str() + i, in.size() - i);
        if (n == 1 && in[i] == '<')
            ++depth;
        else if (n == 1 && in[i] == '>' && depth > 0)
            --depth;
        else if (depth == 0)
            out.append(in, i, n);
        i += n;
    }
    return CString(out);
}

CString StripQuotes(const CString& text)
{
    if (text.GetLength() >= 4 && text[0] == '"' && text[text.GetLength() - 1] == '"')
        return text.Mid(1, text.GetLength() - 2);
    return text;
}

bool IsAllDigits(const CString& text)
{
    for (char c : text.str()) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

CString StringPart(const CString& text, int part)
{
    int open = text.Find('(');
    if (part == 0 || open < 0)
        return text;
    if (part == 1) {
        int count = text.GetLength() - open - 2;
        return count > 0 ? text.Mid(open + 1, count) : CString();
    }
    return text.Left(open);
}

CString BuildVersionText(const CString& libraryVersion)
{
    int r = libraryVersion.Find('R');
    int b = libraryVersion.Find('B');
    int length = libraryVersion.GetLength();
    CString version = libraryVersion.Left(r >= 0 ? r : length);
    CString release;
    if (r >= 0) {
        int end = (b > r) ? b : length;
        release = libraryVersion.Mid(r + 1, end - r - 1);
    }
    CString build = b >= 0 ? libraryVersion.Mid(b + 1) : CString();
    CString out;
    out.Format("Version%s Rel%s Build%s", version.GetString(), release.GetString(), build.GetString());
    return out;
}

CString FolderOfPath(const CString& path)
{
    int slash = path.ReverseFind('\\');
    return slash >= 0 ? path.Left(slash) : CString();
}

CString FileOfPath(const CString& path)
{
    int slash = path.ReverseFind('\\');
    return slash >= 0 ? path.Mid(slash + 1) : path;
}

HandoverKind ClassifyHandoverPath(const CString& strippedPath)
{
    if (strippedPath.GetLength() < 4)
        return HandoverKind::None;
    CString ending = strippedPath.Right(4);
    if (ending.CompareNoCase(".cni") == 0)
        return HandoverKind::ConnectionInfo;
    if (ending.CompareNoCase(".csz") == 0)
        return HandoverKind::SkinArchive;
    return HandoverKind::None;
}

} // namespace textutil
