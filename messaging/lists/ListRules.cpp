#include "messaging/lists/ListRules.h"

unsigned StatusTextStringId(int imageIndex)
{
    if (imageIndex == 1)
        return 576;
    if (imageIndex == 3)
        return 303;
    // Two sets of sixteen status images, 5-20 and 21-36, share their texts.
    int position = -1;
    if (imageIndex >= 5 && imageIndex <= 20)
        position = imageIndex - 5;
    else if (imageIndex >= 21 && imageIndex <= 36)
        position = imageIndex - 21;
    if (position < 0)
        return 540;
    return 540 + static_cast<unsigned>(position);
}

FriendMenuState FriendMenuRules(const FriendMenuInput& in)
{
    FriendMenuState out;
    for (unsigned command : {kFriendRefresh, kFriendCopyId, kFriendCopyName, kFriendMemo, kFriendSend, kFriendCall,
                             kFriendHistory, kFriendRoom, kFriendDeletePage})
        out.grayed[command] = false;
    auto gray = [&out](std::initializer_list<unsigned> commands) {
        for (unsigned command : commands)
            out.grayed[command] = true;
    };
    if (!in.databaseAvailable)
        gray({kFriendMemo});
    if (in.phoneExists && !in.phoneSessionActive)
        gray({kFriendCall});
    if (!in.focusIsThisList)
        return out;
    out.show = true;
    const bool mailOnly = in.rowSelected && in.entryState == 3;
    if (mailOnly) {
        out.sendLabel = kFriendMailLabel;
        out.copyPopupGrayed = true;
    }
    if (!in.friendListArrived)
        gray({kFriendSend, kFriendRefresh});
    if (!in.loggedIn)
        gray({kFriendRoom, kFriendDeletePage});
    if (!in.rowSelected) {
        gray({kFriendSend, kFriendRoom, kFriendDeletePage, kFriendHistory, kFriendCall, kFriendMemo});
        out.copyPopupGrayed = true;
    } else if (mailOnly) {
        gray({kFriendRoom, kFriendHistory, kFriendDeletePage, kFriendCall, kFriendMemo});
        out.grayed[kFriendSend] = false;
    } else if (in.entryState == 1) {
        gray({kFriendCall});
    }
    if (!in.databaseAvailable)
        gray({kFriendHistory});
    if (out.copyPopupGrayed) {
        out.grayed[kFriendCopyId] = true;
        out.grayed[kFriendCopyName] = true;
    }
    return out;
}
