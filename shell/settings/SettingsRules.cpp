#include "shell/settings/SettingsRules.h"

#include "framework/core/Cp932.h"

#include <cstdlib>
#include <cstring>

namespace settingsrules {

namespace {

constexpr int kYes = 6;
constexpr int kNo = 7;

void SetBit(uint32_t& flags, uint32_t bit, bool on)
{
    if (on)
        flags |= bit;
    else
        flags &= ~bit;
}

CString Trimmed(const CString& text)
{
    CString t = text;
    t.Trim();
    return t;
}

} // namespace

uint16_t TypedNumber(const CString& text, unsigned low, unsigned high, uint16_t fallback)
{
    const CString t = Trimmed(text);
    if (t.IsEmpty() || t.GetLength() > 5)
        return fallback;
    unsigned value = 0;
    for (int i = 0; i < t.GetLength(); ++i) {
        const char c = t[i];
        if (c < '0' || c > '9')
            return fallback;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return (value >= low && value <= high) ? static_cast<uint16_t>(value) : fallback;
}

int LeadingInt(const CString& text)
{
    const char* s = text.GetString();
    while (*s == ' ' || *s == '\t')
        ++s;
    bool negative = false;
    if (*s == '-' || *s == '+')
        negative = *s++ == '-';
    long value = 0;
    while (*s >= '0' && *s <= '9' && value < 100000)
        value = value * 10 + (*s++ - '0');
    return static_cast<int>(negative ? -value : value);
}

CString FitBytes(const CString& text, int maxBytes)
{
    if (text.GetLength() <= maxBytes)
        return text;
    const std::size_t cut = cp932::BoundaryAtOrBefore(text.GetString(), static_cast<std::size_t>(text.GetLength()),
                                                      static_cast<std::size_t>(maxBytes));
    return text.Left(static_cast<int>(cut));
}

GeneralValues GeneralFromSettings(const CProgramSettings& s)
{
    GeneralValues v;
    v.sendUrls = (s.m_flags & kFlagSendVisitedUrls) != 0;
    v.loginAtStart = (s.m_flags & kFlagLoginAtStart) != 0;
    v.greeting = (s.m_flags & kFlagNoGreetingSound) == 0;
    v.noBalloons = (s.m_flags & kFlagNoBalloons) != 0;
    v.interval.Format("%d", s.m_queryInterval);
    v.errorDays.Format("%u", static_cast<unsigned>(s.m_errorLogDate));
    v.homePage = s.m_homePage;
    return v;
}

UrlSending StoreGeneral(CProgramSettings& s, const GeneralValues& v, const CString& roomPage)
{
    const bool wasOn = (s.m_flags & kFlagSendVisitedUrls) != 0;
    SetBit(s.m_flags, kFlagSendVisitedUrls, v.sendUrls);
    SetBit(s.m_flags, kFlagNoGreetingSound, !v.greeting);
    SetBit(s.m_flags, kFlagLoginAtStart, v.loginAtStart);
    s.m_queryInterval = TypedNumber(v.interval, 1, 59, kQueryIntervalDefault);
    s.m_errorLogDate = TypedNumber(v.errorDays, 1, 99, kDaysDefault);
    const CString home = Trimmed(v.homePage);
    s.m_homePage = home.IsEmpty() ? roomPage : home;
    SetBit(s.m_flags, kFlagNoBalloons, v.noBalloons);
    if (!v.sendUrls)
        return UrlSending::Off;
    return wasOn ? UrlSending::On : UrlSending::Started;
}

MessageValues MessageFromSettings(const CProgramSettings& s)
{
    MessageValues v;
    v.playSound = s.m_waveCertify;
    v.waveFile = s.m_waveFile;
    v.keepHistory = (s.m_flags & kFlagKeepHistory) != 0;
    v.days.Format("%u", static_cast<unsigned>(s.m_saveLogDate));
    v.autoPlayVoice = (s.m_flags & kFlagPlayVoiceOnArrival) != 0;
    v.showAtOnce = (s.m_flags & kFlagShowArrivalsAtOnce) != 0;
    v.askReceipts = (s.m_flags & kFlagNoReadReceipts) == 0;
    v.replyText = s.m_replyMessage;
    return v;
}

void StoreMessage(CProgramSettings& s, const MessageValues& v, const CString& defaultWave, const CString& defaultReply)
{
    s.m_waveFile = v.waveFile.IsEmpty() ? defaultWave : v.waveFile;
    s.m_waveCertify = v.playSound;
    SetBit(s.m_flags, kFlagKeepHistory, v.keepHistory);
    SetBit(s.m_flags, kFlagPlayVoiceOnArrival, v.autoPlayVoice);
    SetBit(s.m_flags, kFlagShowArrivalsAtOnce, v.showAtOnce);
    SetBit(s.m_flags, kFlagNoReadReceipts, !v.askReceipts);
    s.m_saveLogDate = TypedNumber(v.days, 1, 99, kDaysDefault);
    const CString reply = FitBytes(v.replyText, kReplyMessageBytes);
    s.m_replyMessage = reply.IsEmpty() ? defaultReply : reply;
}

bool PlaysDefaultSound(const CString& waveFile, const CString& defaultWave)
{
    return waveFile.IsEmpty() || waveFile == defaultWave;
}

void SetSlotFace(FontSlot& slot, const CString& face)
{
    const CString fitted = FitBytes(face, kFaceBytes);
    std::memset(slot.face, 0, sizeof slot.face);
    std::memcpy(slot.face, fitted.GetString(), static_cast<std::size_t>(fitted.GetLength()));
}

bool SetSlotSize(FontSlot& slot, const CString& text)
{
    const int size = LeadingInt(text);
    if (size <= 0)
        return false;
    slot.size = size;
    return true;
}

void ResetFontsKeepingMessageColor(FontSlot (&fonts)[4])
{
    const uint32_t kept = fonts[1].color;
    std::memcpy(fonts, CProgramSettings::kDefaultFonts, sizeof fonts);
    fonts[1].color = kept;
}

std::vector<SampleRun> ComposeSample(int slot, const CString& timeText, const CString& nickname, const CString& message,
                                     const CString& systemMessage)
{
    if (slot == 3)
        return {{message, 3}};
    return {{timeText + nickname, 0}, {message + " \r\n", 1}, {systemMessage, 2}};
}

CallValues CallFromSettings(const CProgramSettings& s)
{
    CallValues v;
    v.enabled = (s.m_flags & kFlagNoTelephone) == 0;
    v.areaCode = s.m_areaCode;
    return v;
}

bool StoreCall(CProgramSettings& s, const CallValues& v)
{
    SetBit(s.m_flags, kFlagNoTelephone, !v.enabled);
    for (int i = 0; i < v.areaCode.GetLength(); ++i)
        if (v.areaCode[i] < '0' || v.areaCode[i] > '9')
            return false;
    if (v.areaCode.GetLength() > kAreaCodeChars)
        return false;
    s.m_areaCode = v.areaCode;
    return true;
}

Protocol ProtocolFromFlags(uint16_t flags)
{
    if (flags & kProtocolAuto)
        return Protocol::Auto;
    return (flags & kProtocolTcpChosen) ? Protocol::Tcp : Protocol::Udp;
}

ConnectValues ConnectFromSettings(const NetConnectSettings& s)
{
    ConnectValues v;
    v.lan = s.connectType == "Lan";
    v.modem = s.modemName;
    v.protocol = ProtocolFromFlags(s.flags);
    v.proxy = (s.flags & kProxyEnabled) != 0;
    v.host = s.proxyHost;
    v.port = s.proxyPort;
    v.user = s.proxyData1;
    v.password = s.proxyData2;
    return v;
}

ProxyControls ProxyControlsFor(Protocol protocol, bool proxyChecked)
{
    const bool tcp = protocol == Protocol::Tcp;
    return {tcp, tcp && proxyChecked};
}

void StoreConnect(CNetInfo& info, const ConnectValues& v, bool modemListed)
{
    const NetConnectSettings& active = info.GetActiveSettings(true);
    info.SetDialupEntry(modemListed ? v.modem : active.modemName, active.dialMode);
    const unsigned code = v.protocol == Protocol::Auto ? 0xFFFFu : v.protocol == Protocol::Tcp ? 1u : 0u;
    info.SetConnectionSettings(v.lan, code, v.proxy, Trimmed(v.host), Trimmed(v.port), v.user,
                               FitBytes(v.password, kProxyPasswordBytes));
}

const int kQuestionOrder[2] = {kPageUserInfo, kPageConnection};
const int kStoreOrder[kPageCount] = {kPageGeneral, kPageMessaging, kPageFormat, kPageUserInfo, kPageCalls,
                                     kPageConnection};

bool CloseSettings(ISettingsPage* const (&pages)[kPageCount], bool ok)
{
    for (int index : kQuestionOrder)
        if (pages[index] && !pages[index]->MayClose())
            return false;
    for (int index : kStoreOrder)
        if (pages[index])
            pages[index]->Store(ok);
    return true;
}

ChargeQuestion ChargeQuestionFor(bool dialupActive, bool loggedIn)
{
    return (dialupActive || loggedIn) ? ChargeQuestion::Redial : ChargeQuestion::Dial;
}

ChargePlan PlanCharge(bool dialupActive, bool loggedIn, int answer)
{
    ChargePlan plan;
    if (ChargeQuestionFor(dialupActive, loggedIn) == ChargeQuestion::Dial) {
        plan.proceed = plan.dial = answer == kYes;
        return plan;
    }
    if (answer == kYes) {
        plan.proceed = plan.dial = true;
        plan.logOut = loggedIn;
        plan.hangUp = dialupActive;
        plan.settle = !dialupActive;
    } else if (answer == kNo) {
        plan.proceed = true;
        plan.dial = !dialupActive;
    }
    return plan;
}

} // namespace settingsrules
