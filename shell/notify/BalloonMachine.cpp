#include "shell/notify/BalloonMachine.h"

#include "shell/common/skin/SplitFields.h"

#include <climits>

namespace balloon {

CTextQueue::Result CTextQueue::Queue(const CString& text, const CString& link, bool errorText, bool featureTextsOff)
{
    if (!errorText && featureTextsOff)
        return kDropped;
    if (text.IsEmpty())
        return kDropped;
    for (const QueuedText& waiting : m_texts) {
        if (waiting.text.CompareNoCase(text) == 0)
            return kDropped;
    }
    if (m_texts.size() >= kMaxWaiting)
        m_texts.pop_front();
    m_texts.push_back({text, link});
    if (m_showPosted)
        return kQueued;
    m_showPosted = true;
    return kQueuedPostShow;
}

bool CTextQueue::TakeFirst(QueuedText& out)
{
    if (m_texts.empty())
        return false;
    out = std::move(m_texts.front());
    m_texts.pop_front();
    return true;
}

void CBalloonCycle::OnShowRequest()
{
    m_hold = false;
    m_link.Empty();
    Point first;
    m_mover.Start(&first);
    m_view.ShowAt(first);
    m_view.StartTimer(kTimerSlide, kSlideMs);
}

void CBalloonCycle::ShowText(const QueuedText& text)
{
    m_link = text.link;
    m_hold = true;
    m_view.ShowBalloon(text.text);
    m_view.StartTimer(kTimerShown, kShownMs);
}

void CBalloonCycle::OnSlideTimer()
{
    if (m_hold)
        return;
    Point next;
    switch (m_mover.Next(&next)) {
    case IMover::kMoving:
        m_view.MoveTo(next);
        m_view.StartTimer(kTimerSlide, kSlideMs);
        break;
    case IMover::kLeftScreen:
        m_view.Hide();
        m_mover.Reset();
        m_view.CloseBalloon();
        m_queue.SetShowPosted(false);
        if (!m_queue.Empty()) {
            m_queue.SetShowPosted(true);
            m_view.PostShowRequest();
        }
        break;
    case IMover::kArrived:
        // With nothing to say the character stays where it is until it is clicked.
        if (!m_view.BalloonShown()) {
            QueuedText text;
            if (m_queue.TakeFirst(text) && !text.text.IsEmpty())
                ShowText(text);
        }
        break;
    default:
        break;
    }
}

void CBalloonCycle::SlideOut()
{
    m_view.CloseBalloon();
    m_mover.Back(m_view.Position());
    m_view.StartTimer(kTimerSlide, kSlideMs);
}

void CBalloonCycle::OnShownTimer()
{
    if (!m_hold)
        return;
    m_hold = false;
    SlideOut();
}

void CBalloonCycle::OpenCurrentLink()
{
    if (!m_link.IsEmpty())
        m_view.OpenLink(m_link);
    m_link.Empty();
}

void CBalloonCycle::OnBalloonClicked()
{
    OpenCurrentLink();
}

void CBalloonCycle::OnButtonDown(const Point& screen)
{
    m_hold = true;
    // A click on a character that already speaks follows its link; a click that makes it speak
    // shows the text first, so the user sees what the link is about.
    if (m_view.BalloonShown()) {
        OpenCurrentLink();
    } else {
        QueuedText text;
        if (m_queue.TakeFirst(text))
            ShowText(text);
    }
    m_lastMouse = screen;
    m_view.CaptureMouse(true);
}

void CBalloonCycle::OnMouseMove(const Point& screen, bool leftButtonDown)
{
    if (!leftButtonDown || !m_hold)
        return;
    Point at = m_view.Position();
    at.x += screen.x - m_lastMouse.x;
    at.y += screen.y - m_lastMouse.y;
    m_lastMouse = screen;
    m_view.MoveTo(at);
}

void CBalloonCycle::OnButtonUp()
{
    m_hold = false;
    m_view.CaptureMouse(false);
    SlideOut();
}

// Links.

CString UrlEncodeValue(const CString& value)
{
    static const char hex[] = "0123456789ABCDEF";
    const std::string& s = value.str();
    std::string out;
    for (unsigned char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return CString(out);
}

CString UrlHost(const CString& url, bool* https)
{
    if (https)
        *https = false;
    std::string s = url.str();
    std::string lower = s;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    std::size_t start;
    if (lower.compare(0, 8, "https://") == 0) {
        start = 8;
        if (https)
            *https = true;
    } else if (lower.compare(0, 7, "http://") == 0) {
        start = 7;
    } else {
        return CString();
    }
    std::size_t end = lower.find_first_of("/?#\\", start);
    if (end == std::string::npos)
        end = lower.size();
    std::string authority = lower.substr(start, end - start);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority = authority.substr(at + 1);
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos)
        authority = authority.substr(0, colon);
    return CString(authority);
}

LinkAction BuildLinkAction(const CString& link, const AccountValues& account, const std::vector<CString>& serviceHosts,
                           const UrlCombiner& combine)
{
    LinkAction action;
    CStringArray fields;
    SplitFields(link, ',', 4, fields);
    const CString method = fields[0];
    if (method.CompareNoCase("POST") == 0) {
        CString page;
        if (!combine || !combine(fields[1], fields[2], page) ||
            static_cast<std::size_t>(page.GetLength()) >= kCombinedUrlLimit)
            return action;
        bool https = false;
        const CString host = UrlHost(page, &https);
        if (host.IsEmpty())
            return action;
        bool ours = false;
        for (const CString& serviceHost : serviceHosts) {
            if (!serviceHost.IsEmpty() && host.CompareNoCase(serviceHost) == 0)
                ours = true;
        }
        const bool secretsAllowed = https && ours;
        CString form = fields[3];
        const char* names[] = {"$UID", "$UPW", "$CID", "$CPW"};
        const CString* values[] = {&account.loginId, &account.loginSecret, &account.commId, &account.commSecret};
        for (int i = 0; i < 4; ++i)
            form.Replace(names[i], secretsAllowed ? UrlEncodeValue(*values[i]).GetString() : "");
        if (page.IsEmpty() || form.IsEmpty())
            return action;
        action.kind = LinkAction::kPost;
        action.url = page;
        action.form = form;
        return action;
    }
    if (UrlHost(fields[1]).IsEmpty())
        return action;
    action.kind = LinkAction::kOpen;
    action.url = fields[1];
    return action;
}

int ChooseHint(const FeatureUse& u)
{
    if (u.messagesSent == 0)
        return 39;
    if (u.chat == 0)
        return 49;
    if (u.friendEntries == 1)
        return 29;
    if (u.myRoom == 0)
        return 129;
    if (u.skinChange == 0)
        return 69;
    if (u.partnerList == 0)
        return 139;
    if (u.memo == 0)
        return 149;
    if (u.friendMail == 0)
        return 119;
    if (u.voiceClip == 0)
        return 89;
    if (u.cdPlayer == 0)
        return 79;
    if (u.webMail == 0)
        return 99;
    if (u.addressBook == 0)
        return 109;
    return 0;
}

long long WeeksSince(long long now, long long stored)
{
    if (now <= stored)
        return 0;
    return (now - stored) / 604800;
}

int CounterKey(int stored, int run)
{
    const long long sum = static_cast<long long>(stored < 0 ? 0 : stored) + (run < 0 ? 0 : run);
    return sum > INT_MAX ? INT_MAX : static_cast<int>(sum);
}

} // namespace balloon
