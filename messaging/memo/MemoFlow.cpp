#include "messaging/memo/MemoFlow.h"

#include <algorithm>

MemoSaveResult SaveMemo(IMemoStore& store, const CString& commId, const CString& name, const CString& text)
{
    if (commId.IsEmpty())
        return MemoSaveResult::NothingToStore;
    if (store.SetUserMemo(commId, text))
        return MemoSaveResult::Stored;
    if (store.PutUser(commId, name) && store.SetUserMemo(commId, text))
        return MemoSaveResult::Stored;
    return MemoSaveResult::Failed;
}

void PlaceMemoWindow(int savedX, int savedY, const MemoRect& work, int width, int height, int* x, int* y)
{
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;
    if (savedX == -1 && savedY == -1) {
        *x = work.left + workWidth / 2 - width / 2;
        *y = work.top + workHeight / 2 - height / 2;
        return;
    }
    *x = std::max(work.left, std::min(savedX, work.right - width));
    *y = std::max(work.top, std::min(savedY, work.bottom - height));
}

int TransferPercent(std::int64_t bytesDone, double total, int endMarker)
{
    if (endMarker == -1)
        return 100;
    if (total <= 0.0 || bytesDone <= 0)
        return 0;
    const double percent = static_cast<double>(bytesDone) / total * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}
