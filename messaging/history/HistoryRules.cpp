#include "messaging/history/HistoryRules.h"

#include "framework/core/Cp932.h"

namespace history {

int LogRowImage(bool received) { return received ? 1 : 0; }

int LogAttachmentImage(long attachType)
{
    if (attachType == 0)
        return -1;
    if (attachType == 1)
        return 2;
    if (attachType == 4)
        return 3;
    return 4;
}

bool CanReplyTo(const ShownMessage& shown, bool loggedInWithClient, const CString& ownId)
{
    return loggedInWithClient && shown.received && shown.partnerId.CompareNoCase(ownId) != 0;
}

std::vector<std::pair<unsigned, bool>> LogButtonEffects(int state, const ShownMessage& shown, bool replyPossible)
{
    const bool attached = shown.attachType != 0;
    switch (state) {
    case 1: return {{kLogPlay, attached}};
    case 2: return {{kLogPlay, false}};
    case 3: return {{kLogDelete, true}};
    case 4: return {{kLogDelete, false}};
    case 5:
        if (replyPossible)
            return {{kLogReply, false}, {kLogReply, true}};
        return {{kLogReply, false}};
    case 6: return {{kLogReply, false}};
    case 7: return {{kLogReload, true}};
    case 8: return {{kLogReload, false}};
    case 11: return {{kLogSave, attached}};
    case 12: return {{kLogSave, false}};
    default: return {};
    }
}

std::vector<int> LogSelectionStates(long attachType, bool loggedInWithClient)
{
    std::vector<int> states = {3};
    if (loggedInWithClient)
        states.push_back(5);
    if (attachType == 1)
        states.push_back(1);
    else if (attachType == 4)
        states.push_back(11);
    return states;
}

int PresenceCache::Lookup(const CString& commId) const
{
    for (const PresenceEntry& entry : m_entries)
        if (entry.commId == commId)
            return entry.icon;
    return 1;
}

std::map<unsigned, bool> PartnerButtonStates(const PartnerSelection& s)
{
    std::map<unsigned, bool> out;
    const bool on = s.rowSelected;
    for (unsigned id : {kPartnerDelete, kPartnerReply, kPartnerPhone, kPartnerLog, kPartnerMemo})
        out[id] = on;
    if (!on)
        return out;
    if (s.ownRow)
        out[kPartnerReply] = out[kPartnerPhone] = out[kPartnerLog] = false;
    if (!s.loggedIn)
        out[kPartnerReply] = out[kPartnerPhone] = false;
    if ((s.phoneExists && !s.phoneSessionActive) || s.presence == 1)
        out[kPartnerPhone] = false;
    return out;
}

std::vector<unsigned> PartnerMenuGrayed(const PartnerSelection& s, bool webLogin)
{
    std::vector<unsigned> out;
    // Calling needs a phone window connected to the call service.
    if (!(s.phoneExists && s.phoneSessionActive) || s.presence == 1)
        out.push_back(kPartnerMenuCall);
    if (s.ownRow) {
        out.push_back(kPartnerMenuReply);
        out.push_back(kPartnerMenuCall);
        out.push_back(kPartnerMenuLog);
    }
    if (!s.loggedIn)
        out.push_back(kPartnerMenuReply);
    if (!webLogin) {
        out.push_back(kPartnerMenuRoom);
        out.push_back(kPartnerMenuPage);
    }
    return out;
}

int CharacterCount(const CString& text)
{
    const char* s = text.GetString();
    std::size_t length = static_cast<std::size_t>(text.GetLength());
    int count = 0;
    for (std::size_t pos = 0; pos < length; ++count)
        pos += cp932::CharLength(s + pos, length - pos);
    return count;
}

bool AcceptRename(const CString& oldName, const CString& newName)
{
    if (newName.IsEmpty() || newName == oldName)
        return false;
    return CharacterCount(newName) <= 16;
}

namespace {
const Mood kMoods[kMoodCount] = {
    {800, 32834, 1415, 1424, 1433, 540}, {801, 32835, 1416, 1425, 1434, 541},
    {802, 32836, 1417, 1426, 1435, 542}, {803, 32837, 1418, 1427, 1436, 543},
    {804, 32838, 1419, 1428, 1437, 544}, {805, 32839, 1420, 1429, 1438, 545},
    {806, 32840, 1421, 1430, 1439, 546}, {807, 32841, 1422, 1431, 1440, 547},
    {808, 32842, 1423, 1432, 1441, 548},
};
const int kGridRows[][2] = {{0, 5}, {1, 6}, {2, 7}, {3, 8}, {4, -1}};
constexpr int kGap = 2;
constexpr int kRowGap = 8;
} // namespace

const Mood& MoodAt(int index)
{
    if (index < 0 || index >= kMoodCount)
        index = 0;
    return kMoods[index];
}

int MoodOfStatus(unsigned status)
{
    const unsigned index = (status & 0xF0u) >> 4;
    return index < static_cast<unsigned>(kMoodCount) ? static_cast<int>(index) : -1;
}

int MoodOfCommand(unsigned command)
{
    for (int i = 0; i < kMoodCount; ++i)
        if (kMoods[i].command == command)
            return i;
    return -1;
}

std::vector<GridRect> LayoutMoodGrid(int originX, int originY, const std::vector<GridSize>& sizes)
{
    std::vector<GridRect> out(static_cast<std::size_t>(kMoodCount) * 3);
    if (sizes.size() < out.size())
        return {};
    int top = originY;
    for (const auto& row : kGridRows) {
        int x = originX;
        int lastHeight = 0;
        for (int mood : row) {
            if (mood < 0)
                continue;
            for (int part = 0; part < 3; ++part) {
                const std::size_t i = static_cast<std::size_t>(mood) * 3 + static_cast<std::size_t>(part);
                out[i] = {x, top, x + sizes[i].width, top + sizes[i].height};
                x += sizes[i].width + kGap;
                lastHeight = sizes[i].height;
            }
        }
        top += lastHeight + kRowGap;
    }
    return out;
}

UserMenuState UserMenuRules(const UserMenuInput& in)
{
    UserMenuState out;
    for (unsigned command : {kUserRefresh, kUserCopyId, kUserCopyName, kUserMemo, kUserMyStatus, kUserSend, kUserCall,
                             kUserHistory, kUserRoom, kUserPage})
        out.grayed[command] = false;
    auto gray = [&out](std::initializer_list<unsigned> commands) {
        for (unsigned command : commands)
            out.grayed[command] = true;
    };
    if (in.phoneExists && !in.phoneSessionActive)
        gray({kUserCall});
    if (in.row >= 0 && in.ownRow) {
        out.historyLabel = kUserAllHistoryLabel;
        gray({kUserCall});
        out.grayed[kUserMemo] = false;
    }
    if (!in.listEnabled)
        gray({kUserSend, kUserRefresh});
    out.moodSubmenu = in.row == 0;
    if (!in.loggedIn)
        gray({kUserRoom, kUserPage});
    if (!in.refreshAllowed)
        gray({kUserRefresh});
    if (in.row < 0) {
        gray({kUserSend, kUserCall, kUserRoom, kUserHistory, kUserPage});
        out.copyPopupGrayed = true;
    }
    if (!in.databaseAvailable)
        gray({kUserHistory});
    return out;
}

} // namespace history
