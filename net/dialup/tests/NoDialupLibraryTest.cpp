// A machine without dial-up (rasapi32 disabled): the connection manager says so once and makes no
// dialog; the RAS interface reports itself unavailable and fails every operation.
#include "net/dialup/DialUp.h"
#include "net/dialup/NetDialogHost.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingHost : public INetDialogHost {
public:
    CNetInfo* GetNetInfo() override { return nullptr; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND, const CString& text, unsigned flags) override
    {
        boxes.push_back({text.GetString(), flags, false});
        return IDOK;
    }
    int ShowMessageLogged(HWND, const CString& text, unsigned flags) override
    {
        boxes.push_back({text.GetString(), flags, true});
        return IDOK;
    }
    void SetModalState(bool) override {}
    struct Box {
        std::string text;
        unsigned flags;
        bool logged;
    };
    std::vector<Box> boxes;
};

} // namespace

TEST(NoDialupLibrary, TheConnectionManagerTellsOnceAndMakesNoDialog)
{
    RecordingHost host;
    netui::SetHost(&host);
    EXPECT_EQ(nullptr, DialUp(0, nullptr));
    netui::SetHost(nullptr);
    ASSERT_EQ(1u, host.boxes.size());
    CString expected;
    expected.LoadString(IDS_NO_DIALUP_LIBRARY);
    EXPECT_EQ(expected.GetString(), host.boxes[0].text);
    EXPECT_EQ(static_cast<unsigned>(MB_ICONWARNING), host.boxes[0].flags);
    EXPECT_TRUE(host.boxes[0].logged);

    CRasApi api;
    EXPECT_FALSE(api.IsAvailable());
    EXPECT_EQ(nullptr, api.GetModule());
    CString text;
    bool connected = true;
    EXPECT_TRUE(api.GetStateText(&text, &connected));
    EXPECT_FALSE(connected);
    EXPECT_EQ(-1, api.CountModems());
}
