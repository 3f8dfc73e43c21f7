#include "shell/notify/BalloonMachine.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

using namespace balloon;

TEST(BalloonQueue, DropRulesAndOneShowRequestAtATime)
{
    struct Step {
        const char* text;
        bool error;
        bool featuresOff;
        CTextQueue::Result result;
    } steps[] = {
        {"hello", false, false, CTextQueue::kQueuedPostShow},
        {"HELLO", false, false, CTextQueue::kDropped}, // duplicate without regard to case
        {"", true, false, CTextQueue::kDropped},
        {"feature", false, true, CTextQueue::kDropped},
        {"failure", true, true, CTextQueue::kQueued}, // error texts are never dropped by the flag
        {"second", false, false, CTextQueue::kQueued},
    };
    CTextQueue queue;
    int i = 0;
    for (const Step& step : steps) {
        EXPECT_EQ(step.result, queue.Queue(step.text, "", step.error, step.featuresOff)) << "step " << i++;
    }
    EXPECT_EQ(3u, queue.Size());
    QueuedText first;
    ASSERT_TRUE(queue.TakeFirst(first));
    EXPECT_EQ("hello", first.text.str());
    EXPECT_EQ(CTextQueue::kQueued, queue.Queue("hello", "", false, false)) << "a shown text may come again";
}

TEST(BalloonQueue, FailureStormKeepsTheNewestTexts)
{
    CTextQueue queue;
    for (int i = 0; i < 1000; ++i)
        queue.Queue(CString(("failure " + std::to_string(i)).c_str()), "", true, false);
    EXPECT_EQ(CTextQueue::kMaxWaiting, queue.Size());
    QueuedText first;
    queue.TakeFirst(first);
    EXPECT_EQ("failure " + std::to_string(1000 - CTextQueue::kMaxWaiting), first.text.str());
}

// A mover that plays back a script of results and records what it was told.
class ScriptedMover : public IMover {
public:
    void Start(Point* first) override
    {
        log.push_back("start");
        *first = Point{-50, 100};
    }
    int Next(Point* next) override
    {
        int r = script.empty() ? kMoving : script.front();
        if (!script.empty())
            script.pop_front();
        position.x += 10;
        *next = position;
        log.push_back("next:" + std::to_string(r));
        return r;
    }
    void Back(const Point& current) override
    {
        log.push_back("back@" + std::to_string(current.x) + "," + std::to_string(current.y));
    }
    void Reset() override { log.push_back("reset"); }

    std::deque<int> script;
    Point position{-50, 100};
    std::vector<std::string> log;
};

class RecordingView : public IBalloonView {
public:
    void ShowAt(const Point& p) override
    {
        at = p;
        visible = true;
        log.push_back("show");
    }
    void MoveTo(const Point& p) override { at = p; }
    void Hide() override
    {
        visible = false;
        log.push_back("hide");
    }
    Point Position() override { return at; }
    void StartTimer(int id, unsigned ms) override { log.push_back("timer " + std::to_string(id) + "/" + std::to_string(ms)); }
    void ShowBalloon(const CString& text) override
    {
        balloon = true;
        log.push_back("balloon:" + text.str());
    }
    void CloseBalloon() override
    {
        if (balloon)
            log.push_back("close");
        balloon = false;
    }
    bool BalloonShown() override { return balloon; }
    void PostShowRequest() override { log.push_back("post"); }
    void OpenLink(const CString& link) override { log.push_back("open:" + link.str()); }
    void CaptureMouse(bool capture) override { log.push_back(capture ? "capture" : "release"); }

    Point at;
    bool visible = false;
    bool balloon = false;
    std::vector<std::string> log;
};

void ExpectLog(const std::vector<std::string>& expected, std::vector<std::string>& actual)
{
    std::string e, a;
    for (const auto& s : expected)
        e += s + "\n";
    for (const auto& s : actual)
        a += s + "\n";
    EXPECT_EQ(e, a);
    actual.clear();
}

TEST(BalloonCycle, SlidesInSpeaksSlidesOutAndStartsTheNextText)
{
    CTextQueue queue;
    ScriptedMover mover;
    RecordingView view;
    CBalloonCycle cycle(queue, mover, view);
    ASSERT_EQ(CTextQueue::kQueuedPostShow, queue.Queue("one", "GET,http://a/", false, false));
    queue.Queue("two", "", false, false);

    mover.script = {IMover::kMoving, IMover::kArrived};
    cycle.OnShowRequest();
    cycle.OnSlideTimer();
    cycle.OnSlideTimer();
    ExpectLog({"show", "timer 100/150", "timer 100/150", "balloon:one", "timer 110/20000"}, view.log);
    EXPECT_TRUE(cycle.Holding());
    EXPECT_EQ("GET,http://a/", cycle.CurrentLink().str());
    cycle.OnSlideTimer(); // ignored while holding
    EXPECT_TRUE(view.log.empty());

    cycle.OnShownTimer();
    ExpectLog({"close", "timer 100/150"}, view.log);
    EXPECT_EQ("back@" + std::to_string(view.at.x) + ",100", mover.log.back());
    mover.script = {IMover::kMoving, IMover::kLeftScreen};
    cycle.OnSlideTimer();
    cycle.OnSlideTimer();
    ExpectLog({"timer 100/150", "hide", "post"}, view.log);
    EXPECT_TRUE(queue.ShowPosted());

    // The second text, then nothing left: no new request.
    mover.script = {IMover::kArrived};
    cycle.OnShowRequest();
    cycle.OnSlideTimer();
    cycle.OnShownTimer();
    mover.script = {IMover::kLeftScreen};
    cycle.OnSlideTimer();
    ExpectLog({"show", "timer 100/150", "balloon:two", "timer 110/20000", "close", "timer 100/150", "hide"}, view.log);
    EXPECT_FALSE(queue.ShowPosted());
}

TEST(BalloonCycle, ArrivingWithNothingToSayStaysUntilClicked)
{
    CTextQueue queue;
    ScriptedMover mover;
    RecordingView view;
    CBalloonCycle cycle(queue, mover, view);
    mover.script = {IMover::kArrived};
    cycle.OnShowRequest();
    cycle.OnSlideTimer();
    ExpectLog({"show", "timer 100/150"}, view.log);
    EXPECT_FALSE(cycle.Holding());
    // Held, dragged by the cursor's movement, released: slides out.
    queue.Queue("late", "", false, false);
    cycle.OnButtonDown(Point{300, 300});
    const Point before = view.at;
    cycle.OnMouseMove(Point{310, 295}, true);
    EXPECT_EQ(before.x + 10, view.at.x);
    EXPECT_EQ(before.y - 5, view.at.y);
    cycle.OnMouseMove(Point{400, 400}, false); // button not down: no move
    EXPECT_EQ(before.x + 10, view.at.x);
    cycle.OnButtonUp();
    ExpectLog({"balloon:late", "timer 110/20000", "capture", "release", "close", "timer 100/150"}, view.log);
    EXPECT_FALSE(cycle.Holding());
}

TEST(BalloonCycle, ClickOnASpeakingCharacterOpensItsLinkOnce)
{
    CTextQueue queue;
    ScriptedMover mover;
    RecordingView view;
    CBalloonCycle cycle(queue, mover, view);
    queue.Queue("linked", "GET,http://a/", false, false);
    mover.script = {IMover::kArrived};
    cycle.OnShowRequest();
    cycle.OnSlideTimer();
    view.log.clear();
    cycle.OnBalloonClicked();
    cycle.OnBalloonClicked();
    cycle.OnButtonDown(Point{0, 0});
    ExpectLog({"open:GET,http://a/", "capture"}, view.log);
}

bool FakeCombine(const CString& base, const CString& relative, CString& out)
{
    // Enough of URL resolution for the table: absolute stays, else base folder + name.
    if (relative.Find("://") >= 0) {
        out = relative;
    } else {
        std::string b = base.str();
        const std::size_t slash = b.rfind('/');
        out = CString(b.substr(0, slash + 1) + relative.str());
    }
    return out.GetLength() < 512 && !base.IsEmpty();
}

TEST(BalloonLinks, TableOfLinks)
{
    const AccountValues account{"user01", "p&ss=w+rd%", "comm01", "c pw"};
    const std::vector<CString> hosts = {"www.nimbo.example", "secure.nimbo.example"};
    struct Row {
        const char* name;
        std::string link;
        LinkAction::Kind kind;
        const char* url;
        const char* form;
    } rows[] = {
        {"GET opens the second field", "GET,http://www.nimbo.example/a.html", LinkAction::kOpen,
         "http://www.nimbo.example/a.html", ""},
        {"unknown method opens too", "FOO,https://x.example/", LinkAction::kOpen, "https://x.example/", ""},
        {"other scheme opens nothing", "GET,file:///C:/x.exe", LinkAction::kNone, "", ""},
        {"missing address", "GET", LinkAction::kNone, "", ""},
        {"empty link", "", LinkAction::kNone, "", ""},
        {"POST on the service over https gets encoded values",
         "post,https://secure.nimbo.example/dir/,login.cgi,id=$UID&pw=$UPW&c=$CID&cp=$CPW", LinkAction::kPost,
         "https://secure.nimbo.example/dir/login.cgi", "id=user01&pw=p%26ss%3Dw%2Brd%25&c=comm01&cp=c%20pw"},
        {"POST to a foreign host gets no secret", "POST,https://evil.example/,x.cgi,id=$UID&pw=$UPW",
         LinkAction::kPost, "https://evil.example/x.cgi", "id=&pw="},
        {"POST over plain http gets no secret", "POST,http://www.nimbo.example/,x.cgi,pw=$UPW", LinkAction::kPost,
         "http://www.nimbo.example/x.cgi", "pw="},
        {"POST whose second address escapes to another host", "POST,https://www.nimbo.example/,https://evil.example/x,pw=$UPW",
         LinkAction::kPost, "https://evil.example/x", "pw="},
        {"POST to a look-alike host", "POST,https://www.nimbo.example.evil.example/,x,pw=$CPW", LinkAction::kPost,
         "https://www.nimbo.example.evil.example/x", "pw="},
        {"POST hiding the host behind user info", "POST,https://www.nimbo.example@evil.example/,x,pw=$CPW",
         LinkAction::kPost, "https://www.nimbo.example@evil.example/x", "pw="},
        {"POST without form data", "POST,https://www.nimbo.example/,x.cgi", LinkAction::kNone, "", ""},
        {"POST without address", "POST,,,a=1", LinkAction::kNone, "", ""},
        {"POST that does not combine within 512", "POST,https://www.nimbo.example/," + std::string(600, 'a') + ",a=1",
         LinkAction::kNone, "", ""},
        {"POST to another scheme", "POST,ftp://www.nimbo.example/,x,a=1", LinkAction::kNone, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LinkAction a = BuildLinkAction(CString(row.link), account, hosts, FakeCombine);
        EXPECT_EQ(row.kind, a.kind);
        EXPECT_EQ(row.url, a.url.str());
        EXPECT_EQ(row.form, a.form.str());
    }
}

TEST(BalloonHints, FirstUnusedFeatureInOrder)
{
    FeatureUse all{1, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(0, ChooseHint(all));
    struct Row {
        int FeatureUse::*field;
        int value;
        int hint;
    } rows[] = {
        {&FeatureUse::messagesSent, 0, 39}, {&FeatureUse::chat, 0, 49},       {&FeatureUse::friendEntries, 1, 29},
        {&FeatureUse::myRoom, 0, 129},      {&FeatureUse::skinChange, 0, 69}, {&FeatureUse::partnerList, 0, 139},
        {&FeatureUse::memo, 0, 149},        {&FeatureUse::friendMail, 0, 119}, {&FeatureUse::voiceClip, 0, 89},
        {&FeatureUse::cdPlayer, 0, 79},     {&FeatureUse::webMail, 0, 99},    {&FeatureUse::addressBook, 0, 109},
    };
    for (const Row& row : rows) {
        FeatureUse use = all;
        use.*(row.field) = row.value;
        EXPECT_EQ(row.hint, ChooseHint(use)) << row.hint;
    }
    // Two unused: the earlier in the order wins.
    FeatureUse two = all;
    two.memo = 0;
    two.chat = 0;
    EXPECT_EQ(49, ChooseHint(two));
}

TEST(BalloonCounters, KeysStayDefinedForOddStoredValues)
{
    EXPECT_EQ(5, CounterKey(4, 1));
    EXPECT_EQ(1, CounterKey(-7, 1));
    EXPECT_EQ(2147483647, CounterKey(2147483647, 3));
    EXPECT_EQ(0, WeeksSince(100, 200));
    EXPECT_EQ(2, WeeksSince(604800 * 2 + 5, 0 + 5));
    EXPECT_EQ(1, WeeksSince(604800 * 2 - 1, 0));
}

} // namespace
