#include "messaging/recv/RecvRules.h"

#include "framework/core/Cp932.h"
#include "messaging/wire/AttachPack.h"

#include <cctype>
#include <cstring>

RecvMenuState RecvListMenuRules(const RecvMenuInput& in)
{
    RecvMenuState out;
    for (unsigned command : {kRecvReply, kRecvRefresh, kRecvMemo, kRecvCall, kRecvHistory, kRecvRoom, kRecvPartnerPage})
        out.grayed[command] = false;
    auto gray = [&out](std::initializer_list<unsigned> commands) {
        for (unsigned command : commands)
            out.grayed[command] = true;
    };
    if (in.rowSelected) {
        if (in.phoneExists && !in.phoneSessionActive)
            gray({kRecvCall});
        if (!in.senderId.IsEmpty() && in.senderId == in.ownId) {
            out.allHistoryLabel = true;
            gray({kRecvCall});
        }
        if (!in.loggedIn || in.senderId.IsEmpty())
            gray({kRecvReply, kRecvRoom, kRecvPartnerPage});
    } else {
        gray({kRecvHistory, kRecvReply, kRecvRoom, kRecvPartnerPage, kRecvCall, kRecvMemo});
        if (!in.loggedIn)
            gray({kRecvRefresh});
    }
    if (!in.historyAvailable)
        gray({kRecvHistory});
    return out;
}

void PlaceRecvWindow(int savedX, int savedY, const RecvRect& work, int windowWidth, int windowHeight, int* x, int* y)
{
    *x = (savedX > work.left && savedX <= work.right) ? savedX : work.left + work.Width() / 2 - windowWidth / 2;
    *y = (savedY > work.top && savedY <= work.bottom) ? savedY : work.top + work.Height() / 2 - windowHeight / 2;
}

bool BannerPlacementOk(const RecvRect& banner, const RecvRect& window, const std::vector<RecvRect>& controls)
{
    if (banner.IsEmpty())
        return false;
    if (banner.left < window.left || banner.top < window.top || banner.right > window.right ||
        banner.bottom > window.bottom)
        return false;
    for (const RecvRect& control : controls) {
        if (control.IsEmpty())
            continue;
        const bool apart = control.right <= banner.left || banner.right <= control.left ||
                           control.bottom <= banner.top || banner.bottom <= control.top;
        if (!apart)
            return false;
    }
    return true;
}

namespace {

bool IsDeviceName(const CString& name)
{
    // The part before the first dot decides: "com1.txt" is the device COM1 too.
    CString base = name;
    const int dot = base.Find('.');
    if (dot >= 0)
        base = base.Left(dot);
    base.TrimRight();
    base.MakeUpper();
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices) {
        if (base == device)
            return true;
    }
    if (base.GetLength() == 4 && (base.Left(3) == "COM" || base.Left(3) == "LPT") && base[3] >= '0' && base[3] <= '9')
        return true;
    return false;
}

} // namespace

CString AttachOpenTarget(const CString& temporaryFolder, const char* entryName)
{
    const CString name = AttachPlainName(entryName);
    if (name.IsEmpty() || IsDeviceName(name))
        return CString();
    const char last = name[name.GetLength() - 1];
    if (last == '.' || last == ' ')
        return CString();
    // Characters no Windows file name may hold; '|' and others also occur as trail bytes, so
    // only single-byte characters are looked at.
    const std::size_t length = static_cast<std::size_t>(name.GetLength());
    for (std::size_t i = 0; i < length;) {
        const std::size_t step = cp932::CharLength(name.GetString() + i, length - i);
        const unsigned char c = static_cast<unsigned char>(name[static_cast<int>(i)]);
        if (step == 1 && (c < 0x20 || std::strchr("<>\"|?*", c)))
            return CString();
        i += step;
    }
    CString target = temporaryFolder;
    if (!target.IsEmpty() && target[target.GetLength() - 1] != '\\' && target[target.GetLength() - 1] != '/')
        target += '\\';
    return target + name;
}

PackageNotice PackageNoticeFor(int code)
{
    if (code >= 0)
        return PackageNotice::None;
    switch (code) {
    case -100:
    case ATTACH_NO_MEMORY:
        return PackageNotice::Resources;
    case ATTACH_WRITE_FAILED:
        return PackageNotice::WriteError;
    case ATTACH_SHORT:
        return PackageNotice::ReadError;
    case ATTACH_CREATE_FAILED:
        return PackageNotice::CreateError;
    case ATTACH_OPEN_FAILED:
        return PackageNotice::OpenError;
    case ATTACH_NO_ENTRY:
        return PackageNotice::NoFile;
    default:
        return PackageNotice::Unsupported;
    }
}
