// The settings dialog's rules without windows: what each page reads from the settings, how its
// typed values are stored, the order in which OK and Cancel ask and store, and the questions of
// the charge connection. The pages are thin windows over these.
#pragma once

#include "shell/common/settings/NetInfo.h"
#include "shell/common/settings/ProgramSettings.h"

#include <cstdint>
#include <vector>

namespace settingsrules {

// Tab order of the dialog's pages.
enum PageIndex { kPageGeneral, kPageMessaging, kPageFormat, kPageConnection, kPageUserInfo, kPageCalls, kPageCount };

// A typed decimal number (blanks around it allowed) within low..high; anything else (empty,
// signs, letters, out of range) gives fallback.
uint16_t TypedNumber(const CString& text, unsigned low, unsigned high, uint16_t fallback);
// The leading "%d" of a text (0 when there is none).
int LeadingInt(const CString& text);
// At most maxBytes bytes of text, never splitting a double-byte character.
CString FitBytes(const CString& text, int maxBytes);

constexpr unsigned kQueryIntervalDefault = 5;
constexpr unsigned kDaysDefault = 30;
constexpr int kReplyMessageBytes = 96;   // the loader drops a longer text
constexpr int kProxyPasswordBytes = 31;
constexpr int kFaceBytes = 31;           // a character format's face holds 31 bytes and the NUL
constexpr int kAreaCodeChars = 8;

// General page.
struct GeneralValues {
    bool sendUrls = false;
    bool loginAtStart = false;
    bool greeting = false;
    bool noBalloons = false;
    CString interval;
    CString errorDays;
    CString homePage;
};
GeneralValues GeneralFromSettings(const CProgramSettings& settings);
enum class UrlSending { Started, On, Off };
// Stores the page's values; an empty home page becomes roomPage. Tells what the main window
// must do about URL sending: start now (it was off), nothing, or stop.
UrlSending StoreGeneral(CProgramSettings& settings, const GeneralValues& values, const CString& roomPage);

// Messaging page.
struct MessageValues {
    bool playSound = false;
    CString waveFile;
    bool keepHistory = false;
    CString days;
    bool autoPlayVoice = false;
    bool showAtOnce = false;
    bool askReceipts = false;
    CString replyText;
};
MessageValues MessageFromSettings(const CProgramSettings& settings);
// defaultWave is string 179, defaultReply string 102.
void StoreMessage(CProgramSettings& settings, const MessageValues& values, const CString& defaultWave,
                  const CString& defaultReply);
// The sound the play button plays: the file, or empty for the program's default sound (the
// field then shows defaultWave).
bool PlaysDefaultSound(const CString& waveFile, const CString& defaultWave);

// Format page. Item i of the item list is slot i.
void SetSlotFace(FontSlot& slot, const CString& face);
// A size of "%d" text; 0 or less leaves the slot as it is (false).
bool SetSlotSize(FontSlot& slot, const CString& text);
inline bool ColorButtonEnabled(int slot) { return slot != 1; }
// The built-in fonts, keeping slot 1's colour.
void ResetFontsKeepingMessageColor(FontSlot (&fonts)[4]);
// One run of the sample: its text and the slot whose font it is drawn in.
struct SampleRun {
    CString text;
    int slot;
};
// texts: 107 nickname, 108 message, 109 system message; timeText "%H:%M " or empty.
std::vector<SampleRun> ComposeSample(int slot, const CString& timeText, const CString& nickname,
                                     const CString& message, const CString& systemMessage);
// Character height of a slot's size, in twips.
inline int32_t SampleHeightTwips(const FontSlot& slot) { return slot.size * 20; }

// Calls page.
struct CallValues {
    bool enabled = false;
    CString areaCode;
};
CallValues CallFromSettings(const CProgramSettings& settings);
// Returns whether the area code was taken (digits only, empty allowed).
bool StoreCall(CProgramSettings& settings, const CallValues& values);

// Connection page.
enum class Protocol { Udp, Tcp, Auto };
Protocol ProtocolFromFlags(uint16_t flags);
struct ConnectValues {
    bool lan = false;
    CString modem;
    Protocol protocol = Protocol::Udp;
    bool proxy = false;
    CString host, port, user, password;
};
ConnectValues ConnectFromSettings(const NetConnectSettings& settings);
// The proxy check box is usable only with TCP; the other proxy controls also need it checked.
struct ProxyControls {
    bool checkBox;
    bool fields;
};
ProxyControls ProxyControlsFor(Protocol protocol, bool proxyChecked);
// Stores into the active settings; modemListed is false while the combo holds the placeholder
// (the stored modem then stays).
void StoreConnect(CNetInfo& info, const ConnectValues& values, bool modemListed);

// OK and Cancel over the pages: every question that can keep the dialog open is asked before
// the first store, and no store refuses.
class ISettingsPage {
public:
    virtual ~ISettingsPage() = default;
    // May the dialog close? (charge information, a running check.) False keeps it open.
    virtual bool MayClose() { return true; }
    virtual void Store(bool ok) = 0;
};
// Pages in tab order; a null page is skipped. Returns whether the dialog may end.
bool CloseSettings(ISettingsPage* const (&pages)[kPageCount], bool ok);
// The order of the questions and of the stores, as page indices.
extern const int kQuestionOrder[2];
extern const int kStoreOrder[kPageCount];

// Charge connection questions.
enum class ChargeQuestion { Redial, Dial };  // 14629 Yes/No/Cancel, 14630 Yes/No
ChargeQuestion ChargeQuestionFor(bool dialupActive, bool loggedIn);
struct ChargePlan {
    bool proceed = false;     // false: failure (button enabled again)
    bool logOut = false;
    bool hangUp = false;      // hang up every dial-up connection first
    bool settle = false;      // none to hang up: let messages run for a moment
    bool dial = false;        // dial the toll-free line when the settings call for dial-up
};
// answer is the button chosen (IDYES 6, IDNO 7, IDCANCEL 2).
ChargePlan PlanCharge(bool dialupActive, bool loggedIn, int answer);

} // namespace settingsrules
