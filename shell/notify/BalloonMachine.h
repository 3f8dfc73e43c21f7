// The character balloon's behaviour without its window: the text queue, the slide cycle (in,
// shown with a balloon, out, hidden) over a mover and a view, the links a balloon may carry, and
// the choice of a hint for a feature never used. Portable; the window supplies the view.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

namespace balloon {

struct Point {
    int x = 0;
    int y = 0;
};

struct QueuedText {
    CString text;
    CString link;
};

// Texts wait here, one shown at a time.
class CTextQueue {
public:
    // A failure storm must not grow the queue without end: the oldest waiting text gives way.
    static constexpr std::size_t kMaxWaiting = 32;
    enum Result { kDropped, kQueued, kQueuedPostShow };

    // featureTextsOff: the Flags bit 0x400; it drops normal texts, never error texts.
    Result Queue(const CString& text, const CString& link, bool errorText, bool featureTextsOff);
    bool TakeFirst(QueuedText& out);
    bool Empty() const { return m_texts.empty(); }
    std::size_t Size() const { return m_texts.size(); }
    bool ShowPosted() const { return m_showPosted; }
    void SetShowPosted(bool posted) { m_showPosted = posted; }

private:
    std::deque<QueuedText> m_texts;
    bool m_showPosted = false;
};

// Successive positions of the window (CWndCascade's results).
class IMover {
public:
    enum { kMoving = 0, kLeftScreen = 1, kArrived = 2 };
    virtual ~IMover() = default;
    // A new crossing: its first position.
    virtual void Start(Point* first) = 0;
    virtual int Next(Point* next) = 0;
    // Turn back from where the window is.
    virtual void Back(const Point& current) = 0;
    virtual void Reset() = 0;
};

// What the cycle does to the window.
class IBalloonView {
public:
    virtual ~IBalloonView() = default;
    virtual void ShowAt(const Point& p) = 0; // shown, not activated
    virtual void MoveTo(const Point& p) = 0;
    virtual void Hide() = 0;
    virtual Point Position() = 0;
    virtual void StartTimer(int id, unsigned milliseconds) = 0;
    virtual void ShowBalloon(const CString& text) = 0;
    virtual void CloseBalloon() = 0;
    virtual bool BalloonShown() = 0;
    virtual void PostShowRequest() = 0; // 0x52C to itself
    virtual void OpenLink(const CString& link) = 0;
    virtual void CaptureMouse(bool capture) = 0;
};

constexpr int kTimerSlide = 100;
constexpr unsigned kSlideMs = 150;
constexpr int kTimerShown = 110;
constexpr unsigned kShownMs = 20000;
constexpr int kTimerHint = 200;
constexpr unsigned kHintMs = 60000;

class CBalloonCycle {
public:
    CBalloonCycle(CTextQueue& queue, IMover& mover, IBalloonView& view) : m_queue(queue), m_mover(mover), m_view(view) {}

    void OnShowRequest();
    void OnSlideTimer();
    void OnShownTimer();
    void OnBalloonClicked();
    void OnButtonDown(const Point& screen);
    void OnMouseMove(const Point& screen, bool leftButtonDown);
    void OnButtonUp();

    bool Holding() const { return m_hold; }
    const CString& CurrentLink() const { return m_link; }

private:
    void ShowText(const QueuedText& text);
    void SlideOut();
    void OpenCurrentLink();

    CTextQueue& m_queue;
    IMover& m_mover;
    IBalloonView& m_view;
    bool m_hold = false;
    CString m_link;
    Point m_lastMouse;
};

// The account values a POST link may carry.
struct AccountValues {
    CString loginId;
    CString loginSecret;
    CString commId;
    CString commSecret;
};

struct LinkAction {
    enum Kind { kNone, kOpen, kPost };
    Kind kind = kNone;
    CString url;
    CString form;
};

// base + relative within a buffer of 512 bytes (the system's URL combining); false when it fails.
using UrlCombiner = std::function<bool(const CString& base, const CString& relative, CString& combined)>;
constexpr std::size_t kCombinedUrlLimit = 512;

// "METHOD,address,second address,form data": POST (any case) posts the form to the second address
// resolved against the first; anything else opens the second address. Only http and https
// addresses are opened. The account values replace $UID, $UPW, $CID and $CPW, URL-encoded, only
// for https addresses on one of serviceHosts; elsewhere the placeholders are left empty.
LinkAction BuildLinkAction(const CString& link, const AccountValues& account, const std::vector<CString>& serviceHosts,
                           const UrlCombiner& combine);
// The host of an http or https address (lower case), empty for anything else.
CString UrlHost(const CString& url, bool* https = nullptr);
CString UrlEncodeValue(const CString& value);

// Use counts (stored plus this run) of the features the hint speaks of.
struct FeatureUse {
    int messagesSent = 0;
    int chat = 0;
    int friendEntries = 0; // entries of the friend list
    int myRoom = 0;
    int skinChange = 0;
    int partnerList = 0;
    int memo = 0;
    int friendMail = 0;
    int voiceClip = 0;
    int cdPlayer = 0;
    int webMail = 0;
    int addressBook = 0;
};
// The event id of the first hint that applies, or 0.
int ChooseHint(const FeatureUse& use);

// Whole weeks since a stored time (0 when the clock went back).
long long WeeksSince(long long now, long long stored);
// stored + run, with a stored value read from the profile that is negative taken as 0 and the sum
// kept within int.
int CounterKey(int stored, int run);

} // namespace balloon
