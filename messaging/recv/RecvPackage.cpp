#include "messaging/recv/RecvPackage.h"

#include "messaging/wire/AttachPack.h"

PackageNotice ListFirstPackageFile(const CString& package, CString* firstName, int* format)
{
    CAttachPack pack;
    CStringArray names;
    const int code = pack.List(names, package);
    if (code < 0)
        return PackageNoticeFor(code);
    if (names.GetSize() == 0)
        return PackageNotice::NoFile;
    *firstName = names[0];
    *format = pack.GetHeader().format;
    return PackageNotice::None;
}

PackageNotice ExtractFirstForOpening(const CString& package, const CString& temporaryFolder, CString* target)
{
    CString first;
    int format = 0;
    const PackageNotice listed = ListFirstPackageFile(package, &first, &format);
    if (listed != PackageNotice::None)
        return listed;
    const CString path = AttachOpenTarget(temporaryFolder, first);
    if (path.IsEmpty())
        return PackageNotice::NoFile;
    CAttachPack pack;
    const int code = pack.Extract(package, first, path);
    if (code < 0)
        return PackageNoticeFor(code);
    *target = path;
    return PackageNotice::None;
}

PackageNotice ExtractPackageFile(const CString& package, const CString& entryName, const CString& target)
{
    CAttachPack pack;
    const int code = pack.Extract(package, entryName, target);
    return code < 0 ? PackageNoticeFor(code) : PackageNotice::None;
}
