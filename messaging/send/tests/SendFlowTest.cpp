// The send window's flow over the recording doubles: send states, the checks of a send in their
// order and at their limits, the request lock, what is stored, the body transfer with its
// progress and cancel, drops by state, package errors and the read-receipt queue under failures.
#include "messaging/send/SendFlow.h"
#include "messaging/send/doubles/SendDoubles.h"
#include "messaging/wire/AttachPack.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// "送" in code page 932 (python3 -c "print('送'.encode('cp932'))" gives b'\x91\x97').
const std::string kKanji = "\x91\x97";

// The flow with its doubles, fresh for each test or table case.
struct Rig {
    Rig()
        : recvHost(log), client(log), store(log, recvHost), host(log, recvHost.files), view(log), panel(log),
          flow(host, store, view)
    {
        host.client = &client;
        host.panel = &panel;
        flow.MakePackagePath();
        flow.Initialise(true);
        view.recipientId = "vy0000000000001A";
        view.recipientName = "\x93\x63\x92\x86"; // 田中
        log.Clear();
    }

    // A text to 1035 and a send.
    void SendText(const std::string& text)
    {
        view.text = text;
        flow.OnSend();
    }
    // The file chosen in the dialog becomes the package.
    void AttachFile(const std::string& path, const std::string& bytes)
    {
        recvHost.files[path] = bytes;
        flow.OnFileChosen(CString(path));
    }
    std::vector<std::string> Events() const { return log.Events(); }

    CRecvEventLog log;
    CFakeRecvHost recvHost;
    CRecordingMsgClient client;
    CFakeRecvStore store;
    CFakeSendHost host;
    CRecordingSendView view;
    CFakeVoicePanel panel;
    CSendFlow flow;
};

class SendFlowTest : public ::testing::Test, public Rig {};

TEST(SendControlsTest, EachStateEnablesItsControls)
{
    struct Case {
        int state;
        bool send, recordAttach, reset, cancel, editable;
    } cases[] = {
        {kSendIdle, true, true, true, false, true},
        {kSendSending, false, false, false, false, false},
        {kSendBodyTransfer, false, false, false, true, false},
        {kSendReceipt, false, true, true, false, true},
        {kSendOffline, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        const SendControls got = ControlsForState(c.state);
        EXPECT_EQ(got.send, c.send) << c.state;
        EXPECT_EQ(got.recordAttach, c.recordAttach) << c.state;
        EXPECT_EQ(got.reset, c.reset) << c.state;
        EXPECT_EQ(got.cancel, c.cancel) << c.state;
        EXPECT_EQ(got.textEditable, c.editable) << c.state;
    }
}

TEST(SendReceiptTimeTest, FormatsTheLocalTimeInCodePage932)
{
    // python3 -c "print(' %d年%d月%d日%d時%d分 '.encode('cp932') % ...)" for 2026-01-05 09:04.
    const std::string expected = " 2026\x94N1\x8c\x8e" "5\x93\xfa" "9\x8e\x9e" "4\x95\xaa ";
    EXPECT_EQ(FormatReceiptTime(SendLocalTime{2026, 1, 5, 9, 4}).str(), expected);
}

// Each failed check shows its message, leaves the window idle, sends nothing and takes no lock;
// the checks come in their order (the first failing one speaks).
TEST_F(SendFlowTest, ChecksOfASendInTheirOrder)
{
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        SendNotice notice;
        int number;
    } cases[] = {
        {"empty recipient before log-in", [](Rig& t) { t.view.recipientId = ""; t.host.loggedIn = false; },
         SendNotice::NoRecipient, 0},
        {"logged out before the text", [](Rig& t) { t.host.loggedIn = false; t.view.text = std::string(901, 'a'); },
         SendNotice::LoggedOut, 0},
        {"901 bytes, a double-byte character across the edge",
         [](Rig& t) { t.view.text = std::string(899, 'a') + kKanji; t.host.client = nullptr; },
         SendNotice::TextTooLong, 900},
        {"129 bytes with the '/' mark", [](Rig& t) { t.host.slash = true; t.view.text = std::string(129, 'b'); },
         SendNotice::TextTooLong, 128},
        {"no client before the attachment", [](Rig& t) { t.host.client = nullptr; t.view.text = "x"; },
         SendNotice::NoClient, 0},
        {"attachment gone", [](Rig& t) {
             t.AttachFile("C:\\data\\a.txt", "abc");
             t.recvHost.files.erase(t.flow.GetPackagePath().str());
             t.view.text = "";
         }, SendNotice::NoFile, 0},
        {"package of 1,024,001 bytes", [](Rig& t) {
             t.AttachFile("C:\\data\\a.txt", "abc");
             t.recvHost.files[t.flow.GetPackagePath().str()] = std::string(1024001, 'p');
         }, SendNotice::FileTooLarge, 1024000},
        {"voice clip of 45,209 bytes", [](Rig& t) {
             t.recvHost.files["C:\\Temp\\clip.zob"] = std::string(45209, 'v');
             t.panel.clip = "C:\\Temp\\clip.zob";
             t.flow.OnRecordVoice();
             t.flow.OnRecordingSaved();
         }, SendNotice::FileTooLarge, 45208},
        {"empty text without attachment", [](Rig& t) { t.view.text = ""; }, SendNotice::EmptyText, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.view.text = "hello";
        c.setup(t);
        t.host.notices.clear();
        t.flow.OnSend();
        ASSERT_EQ(t.host.notices.size(), 1u);
        EXPECT_EQ(t.host.notices[0].notice, c.notice);
        EXPECT_EQ(t.host.notices[0].number, c.number);
        EXPECT_EQ(t.flow.GetState(), kSendIdle);
        EXPECT_TRUE(t.client.pending.empty());
        EXPECT_EQ(t.host.lockDepth, 0);
        EXPECT_TRUE(t.view.controls.send);
    }
}

TEST_F(SendFlowTest, TextsAtTheirLimitsAndAttachmentsWithoutTextGoOut)
{
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        const char* event;
    } cases[] = {
        {"900 bytes ending in a double-byte character",
         [](Rig& t) { t.view.text = std::string(898, 'a') + kKanji; }, "client.text vy0000000000001A 1"},
        {"128 bytes with the mark (receipt asked for)",
         [](Rig& t) { t.host.slash = true; t.host.receiptOff = true; t.flow.ResetReceiptRequest(); t.view.text = std::string(128, 'c'); },
         "client.text vy0000000000001A 1"},
        {"receipt request off", [](Rig& t) { t.flow.OnToggleReceipt(); t.view.text = "x"; },
         "client.text vy0000000000001A 0"},
        {"package of 1,024,000 bytes, no text", [](Rig& t) {
             t.AttachFile("C:\\data\\a.txt", "abc");
             t.recvHost.files[t.flow.GetPackagePath().str()] = std::string(1024000, 'p');
             t.view.text = "";
         }, "client.file vy0000000000001A 1 0x8000000"},
        {"voice clip of 45,208 bytes", [](Rig& t) {
             t.recvHost.files["C:\\Temp\\clip.zob"] = std::string(45208, 'v');
             t.panel.clip = "C:\\Temp\\clip.zob";
             t.flow.OnRecordVoice();
             t.flow.OnRecordingSaved();
             t.view.text = "";
         }, "client.file vy0000000000001A 1 0x1000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.view.text = "hello";
        c.setup(t);
        t.host.notices.clear();
        t.flow.OnSend();
        EXPECT_TRUE(t.host.notices.empty());
        EXPECT_EQ(t.flow.GetState(), kSendSending);
        ASSERT_EQ(t.client.pending.size(), 1u);
        EXPECT_EQ(t.log.With("client.").back(), c.event);
        EXPECT_EQ(t.host.lockDepth, 1);
        EXPECT_EQ(t.view.status, SendStatus::Sending);
        EXPECT_FALSE(t.view.controls.textEditable);
        EXPECT_TRUE(t.view.recipientReadOnly);
    }
}

TEST_F(SendFlowTest, AcceptedTextIsStoredAsItWasSentThenTheWindowHides)
{
    SendText("\x82\xa0 hello"); // あ hello
    ASSERT_EQ(client.pending.size(), 1u);
    EXPECT_EQ(client.pending[0].text.str(), "\x82\xa0 hello");
    EXPECT_EQ(client.pending[0].recipientName.str(), "\x93\x63\x92\x86");
    // The user closes the window meanwhile: 1035 is emptied, the stored text is still the sent one.
    flow.OnClose();
    EXPECT_EQ(view.text.str(), "");
    log.Clear();
    flow.OnClientEvent(kSendEventAccepted, 1);
    ASSERT_EQ(store.rows.size(), 1u);
    EXPECT_EQ(store.rows[0].text.str(), "\x82\xa0 hello");
    EXPECT_EQ(store.rows[0].kind, 0);
    EXPECT_EQ(store.users["vy0000000000001A"], "\x93\x63\x92\x86");
    EXPECT_EQ(Events(), (std::vector<std::string>{"store.add vy0000000000001A", "hide", "unlock", "balloon 30"}));
    EXPECT_EQ(flow.GetState(), kSendIdle);
    EXPECT_EQ(host.unbalancedUnlocks, 0);
}

TEST_F(SendFlowTest, TimedOutLockSendsAndReleasesNothingAndKeepsTheDraft)
{
    host.lockTimesOut = true;
    AttachFile("C:\\data\\a.txt", "abc");
    view.text = "draft";
    flow.OnSend();
    EXPECT_TRUE(client.pending.empty());
    EXPECT_EQ(view.text.str(), "draft");
    EXPECT_EQ(flow.GetAttachmentPath(), flow.GetPackagePath());
    EXPECT_TRUE(log.With("client.").empty());
    EXPECT_TRUE(log.With("unlock").empty());
    EXPECT_EQ(log.With("error").back(), "error 12106");
    EXPECT_FALSE(panel.held);
    EXPECT_EQ(flow.GetState(), kSendIdle);
    // The same for a plain text.
    flow.OnReset(false);
    view.text = "draft2";
    flow.OnSend();
    EXPECT_TRUE(client.pending.empty());
    EXPECT_EQ(view.text.str(), "draft2");
    EXPECT_TRUE(log.With("unlock").empty());
}

TEST_F(SendFlowTest, ResultsAndTimerNeverReleaseALockHeldByOthers)
{
    // Another window's request holds the lock (holder 16); stray results reach this window.
    ASSERT_TRUE(host.LockPm(16, 0));
    log.Clear();
    flow.OnClientEvent(kSendEventAccepted, 5);
    flow.OnClientEvent(kSendEventDelivered, 5);
    flow.OnClientEvent(kSendEventFailed, 12203);
    flow.OnLockTimer();
    EXPECT_TRUE(log.With("unlock").empty());
    EXPECT_EQ(host.lockDepth, 1);
    EXPECT_TRUE(store.rows.empty());
    // A refused text releases what this window took, once.
    host.UnlockPm();
    client.refuse["text"] = 12106;
    SendText("x");
    EXPECT_EQ(host.lockDepth, 0);
    EXPECT_EQ(host.unbalancedUnlocks, 0);
    EXPECT_EQ(log.With("error").back(), "error 12106");
    EXPECT_EQ(view.text.str(), "x");
}

TEST_F(SendFlowTest, PackageTravelsAsAnnouncementAndBodyAndIsStoredWithItsAttachment)
{
    AttachFile("C:\\data\\report.txt", std::string(1000, 'r'));
    const std::string packageBytes = recvHost.files[flow.GetPackagePath().str()];
    view.text = "with file";
    flow.OnSend();
    EXPECT_TRUE(panel.held);
    flow.OnClientEvent(kSendEventAccepted, 1);
    EXPECT_EQ(flow.GetState(), kSendBodyTransfer);
    EXPECT_TRUE(view.controls.cancel);
    EXPECT_EQ(host.holder, kHoldSendBody);
    EXPECT_EQ(client.progressWindow, view.Handle());
    ASSERT_EQ(client.pending.size(), 2u);
    EXPECT_EQ(client.pending[1].kind, "with-body");
    EXPECT_EQ(client.pending[1].text.str(), "");
    EXPECT_EQ(client.pending[1].destination, flow.GetPackagePath());

    // Progress: only wParam 2 counts; never lower than shown, never above 100.
    const double size = static_cast<double>(packageBytes.size());
    for (std::intptr_t bytes : {100, 0, 200, 50, 600, 400})
        flow.OnProgress(2, bytes);
    flow.OnProgress(4, 5000);
    std::vector<int> expected;
    double done = 0;
    unsigned last = 0;
    for (double bytes : {100.0, 0.0, 200.0, 50.0, 600.0, 400.0}) {
        done += bytes;
        unsigned p = static_cast<unsigned>(done / size * 100.0 > 100.0 ? 100.0 : done / size * 100.0);
        if (p > last) {
            expected.push_back(static_cast<int>(p));
            last = p;
        }
    }
    EXPECT_EQ(view.percentsShown, expected);
    EXPECT_EQ(view.percentsShown.back(), 100);
    EXPECT_FALSE(view.controls.cancel); // above 95 %

    flow.OnClientEvent(kSendEventDelivered, 2);
    ASSERT_EQ(store.rows.size(), 1u);
    EXPECT_EQ(store.rows[0].kind, kStoredPackage);
    EXPECT_EQ(store.rows[0].text.str(), "with file");
    EXPECT_EQ(store.rows[0].attachmentBytes, packageBytes);
    EXPECT_EQ(client.progressWindow, 0u);
    EXPECT_EQ(host.lockDepth, 0);
    EXPECT_FALSE(panel.held);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(flow.GetState(), kSendIdle);
    EXPECT_EQ(host.unbalancedUnlocks, 0);
}

TEST_F(SendFlowTest, FailuresDuringTheBodyKeepTheTextAndSayWhy)
{
    struct Case {
        int code;
        SendStatus status;
    } cases[] = {{12000, SendStatus::Cancelled}, {12219, SendStatus::SendError}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        AttachFile("C:\\data\\a.txt", "abcdef");
        view.text = "keep me";
        flow.OnSend();
        flow.OnClientEvent(kSendEventAccepted, 1);
        ASSERT_EQ(flow.GetState(), kSendBodyTransfer);
        flow.OnClientEvent(kSendEventFailed, c.code);
        EXPECT_EQ(view.status, c.status);
        EXPECT_EQ(view.text.str(), "keep me");
        EXPECT_EQ(host.lockDepth, 0);
        EXPECT_EQ(flow.GetState(), kSendIdle);
        EXPECT_TRUE(flow.GetAttachmentPath().IsEmpty());
        EXPECT_TRUE(store.rows.empty());
        client.pending.clear();
    }
    EXPECT_EQ(host.unbalancedUnlocks, 0);
}

TEST_F(SendFlowTest, CancelPostsThousandWhileBytesRemainAndZeroWhenAllCounted)
{
    AttachFile("C:\\data\\a.txt", "0123456789");
    const std::intptr_t size = static_cast<std::intptr_t>(recvHost.files[flow.GetPackagePath().str()].size());
    SendText("t");
    flow.OnClientEvent(kSendEventAccepted, 1);
    flow.OnProgress(2, size - 1);
    flow.OnCancelTransfer();
    flow.OnProgress(2, 1);
    flow.OnCancelTransfer();
    EXPECT_EQ(log.With("client.cancel"), (std::vector<std::string>{"client.cancel 1000", "client.cancel 0"}));
}

TEST_F(SendFlowTest, DropsAreTakenOnlyWhileIdleOrSendingAReceipt)
{
    recvHost.files["C:\\drop\\new.txt"] = "new";
    struct Case {
        int state;
        bool taken;
    } cases[] = {{kSendIdle, true}, {kSendReceipt, true}, {kSendSending, false}, {kSendBodyTransfer, false},
                 {kSendOffline, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        recvHost.files[flow.GetPackagePath().str()] = "being sent";
        flow.SetSendState(c.state);
        log.Clear();
        EXPECT_EQ(flow.OnDropFile("C:\\drop\\new.txt"), c.taken);
        EXPECT_EQ(recvHost.files[flow.GetPackagePath().str()], c.taken ? "PKG:new" : "being sent");
        EXPECT_EQ(log.With("pack").size(), c.taken ? 1u : 0u);
    }
}

TEST_F(SendFlowTest, PackageErrorsGiveTheirMessagesAndLeaveNoAttachment)
{
    struct Case {
        int code;
        SendNotice notice;
        int number;
        const char* text;
    } cases[] = {
        {ATTACH_BAD_HEADER, SendNotice::Unsupported, 0, ""},
        {ATTACH_NO_ENTRY, SendNotice::FileMissing, 0, ""},
        {ATTACH_TOO_LARGE, SendNotice::FileTooLarge, 1024000, ""},
        {ATTACH_TOO_MANY, SendNotice::TooManyFiles, 1, ""},
        {ATTACH_OPEN_FAILED, SendNotice::CannotOpen, 0, "C:\\data\\x.bin"},
        {ATTACH_CREATE_FAILED, SendNotice::CannotOpen, 0, ""},
        {ATTACH_SHORT, SendNotice::ReadError, 0, "C:\\data\\x.bin"},
        {ATTACH_WRITE_FAILED, SendNotice::WriteError, 0, ""},
        {ATTACH_NO_MEMORY, SendNotice::PackageFailed, ATTACH_NO_MEMORY, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        host.packageCode = c.code;
        host.notices.clear();
        AttachFile("C:\\data\\x.bin", "x");
        ASSERT_EQ(host.notices.size(), 1u);
        EXPECT_EQ(host.notices[0].notice, c.notice);
        EXPECT_EQ(host.notices[0].number, c.number);
        EXPECT_EQ(host.notices[0].text.str(), c.text);
        EXPECT_TRUE(flow.GetAttachmentPath().IsEmpty());
        EXPECT_TRUE(flow.GetCaption().IsEmpty());
        EXPECT_FALSE(view.indicatorEnabled);
    }
    // Success: the package is the attachment and the caption the chosen file.
    host.packageCode = 0;
    AttachFile("C:\\data\\x.bin", "x");
    EXPECT_EQ(flow.GetAttachmentPath(), flow.GetPackagePath());
    EXPECT_EQ(view.caption.str(), "C:\\data\\x.bin");
    EXPECT_TRUE(view.indicatorEnabled && view.indicatorLatched);
}

TEST_F(SendFlowTest, ReceiptsWaitForIdleLeaveOnlyWhenAcceptedAndFailuresGoToTheTail)
{
    host.now = SendLocalTime{2026, 12, 11, 3, 7};
    flow.QueueReadReceipt("A");
    flow.QueueReadReceipt("B");
    ASSERT_EQ(flow.Receipts().size(), 2u);
    const std::string timeA = FormatReceiptTime(host.now).str();

    // Not while the user's own message is in flight.
    SendText("mine");
    flow.SendNextReadReceipt();
    EXPECT_EQ(client.pending.size(), 1u);
    flow.OnClientEvent(kSendEventAccepted, 1);
    client.pending.clear();

    // A's receipt goes out with option 2 and the time text followed by the reply text.
    view.text = "new draft";
    AttachFile("C:\\data\\a.txt", "abc");
    flow.SendNextReadReceipt();
    ASSERT_EQ(client.pending.size(), 1u);
    EXPECT_EQ(client.pending[0].recipientId.str(), "A");
    EXPECT_EQ(client.pending[0].option, 2);
    EXPECT_EQ(client.pending[0].text.str(), timeA + "ReplyText");
    EXPECT_EQ(flow.GetState(), kSendReceipt);
    EXPECT_EQ(view.status, SendStatus::ReceiptSending);
    EXPECT_EQ(flow.Receipts().size(), 2u); // still queued until accepted
    // The user presses send meanwhile: 526.
    host.notices.clear();
    flow.OnSend();
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].notice, SendNotice::ReceiptBusy);

    // A fails: it goes to the tail, the draft and the attachment stay.
    flow.OnClientEvent(kSendEventFailed, 12212);
    EXPECT_EQ(flow.GetState(), kSendIdle);
    EXPECT_EQ(host.lockDepth, 0);
    ASSERT_EQ(flow.Receipts().size(), 2u);
    EXPECT_EQ(flow.Receipts().front().commId.str(), "B");
    EXPECT_EQ(view.text.str(), "new draft");
    EXPECT_EQ(flow.GetAttachmentPath(), flow.GetPackagePath());
    EXPECT_NE(view.status, SendStatus::SendError);

    // B is refused at once: tail again, A comes next.
    client.refuse["text"] = 12106;
    client.pending.clear();
    flow.SendNextReadReceipt();
    EXPECT_EQ(flow.GetState(), kSendIdle);
    EXPECT_EQ(host.lockDepth, 0);
    EXPECT_EQ(flow.Receipts().front().commId.str(), "A");
    client.refuse.clear();

    // A lock that can't be had: nothing sent, the queue as it was.
    host.lockTimesOut = true;
    flow.SendNextReadReceipt();
    EXPECT_TRUE(client.pending.empty());
    EXPECT_EQ(flow.Receipts().front().commId.str(), "A");
    EXPECT_EQ(flow.GetState(), kSendIdle);
    host.lockTimesOut = false;

    // Accepted ones leave: A, then B.
    flow.SendNextReadReceipt();
    flow.OnClientEvent(kSendEventAccepted, 3);
    flow.SendNextReadReceipt();
    flow.OnClientEvent(kSendEventAccepted, 4);
    EXPECT_TRUE(flow.Receipts().empty());
    EXPECT_EQ(log.With("client.text A").size(), 2u);
    EXPECT_EQ(log.With("client.text B").size(), 1u);
    EXPECT_EQ(log.With("refused client.text B").size(), 1u);
    EXPECT_EQ(host.unbalancedUnlocks, 0);
    EXPECT_TRUE(store.rows.size() == 1u); // only the user's own message was stored
}

TEST_F(SendFlowTest, OpeningForAPartnerWaitsForTheLockAndTheIdleState)
{
    ASSERT_TRUE(host.LockPm(16, 0));
    view.shown = false;
    flow.OpenForPartner("P1", "Partner", true);
    EXPECT_FALSE(view.shown);
    host.UnlockPm();

    view.text = "old";
    flow.OpenForPartner("P1", "Partner", false);
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.recipientId.str(), "P1");
    EXPECT_EQ(view.text.str(), "old");
    EXPECT_TRUE(view.logEnabled);
    flow.OnReset(true); // Ctrl held: the text goes too
    EXPECT_EQ(view.text.str(), "");

    SendText("x");
    flow.OpenForPartner("P2", "Other", true);
    EXPECT_EQ(flow.GetRecipientId().str(), "P1"); // dropped while sending
}

TEST_F(SendFlowTest, LogInStateSwitchesBetweenOfflineAndIdle)
{
    flow.OnClientEvent(kSendEventLogin, 0);
    EXPECT_EQ(flow.GetState(), kSendOffline);
    view.text = "x";
    flow.OnSend();
    EXPECT_TRUE(host.notices.empty());
    EXPECT_TRUE(client.pending.empty());
    host.receiptOff = true;
    flow.OnClientEvent(kSendEventLogin, 1);
    EXPECT_EQ(flow.GetState(), kSendIdle);
    EXPECT_FALSE(view.receiptLatched);
}

} // namespace
