#include "shell/common/utilities/TextUtil.h"

namespace textutil {

CString StripHtmlTags(const CString& text)
{
    CString work = text;
    work.Replace("\n", "\r\n");
    work.Replace("<br>", "\r\n");
    work.Replace("<p>", "\r\n");
    // The "\n" pass above must not see the "\r\n" it made: undo the doubled CR it causes.
    work.Replace("\r\r\n", "\r\n");
    std::string out;
    out.reserve(work.GetLength());
    int depth = 0;
    for (char c : work.str()) {
        if (c == '<') {
            ++depth;
        } else if (c == '>' && depth > 0) {
            --depth;
        } else if (depth == 0) {
            out += c;
        }
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
