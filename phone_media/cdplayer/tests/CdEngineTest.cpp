// The CD engine over the scripted disc: order, play, track ends, next, back, pause, stop, eject,
// modes, timer, failures; the latch table and the aux volume scaling.
#include "phone_media/cdplayer/CdEngine.h"
#include "phone_media/cdplayer/doubles/FakeDisc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using cd::CCdEngine;
using cdtest::FakeDisc;
using cdtest::RecordingOwner;
using Event = RecordingOwner::Event;

namespace {

struct Rig {
    explicit Rig(std::vector<int> tracks) : disc(std::move(tracks)), engine(disc, owner)
    {
        engine.SetSeedSource([] { return 12345u; });
    }
    int PlayingTrack() const { return disc.Plays().empty() ? 0 : disc.Plays().back().from.track; }
    // The drive ends the current play command and notifies.
    void TrackEnds()
    {
        disc.EndPlay();
        engine.OnPlayEnded(true);
    }
    FakeDisc disc;
    RecordingOwner owner;
    CCdEngine engine;
};

bool IsPermutation(const std::vector<std::uint8_t>& order, int n)
{
    if (static_cast<int>(order.size()) != n)
        return false;
    std::set<int> seen(order.begin(), order.end());
    return static_cast<int>(seen.size()) == n && *seen.begin() == 1 && *seen.rbegin() == n;
}

} // namespace

TEST(CdPlayOrder, RandomOrderIsAPermutationForEveryDiscSize)
{
    for (int n = 1; n <= 99; ++n) {
        for (std::uint32_t seed : {0u, 1u, 977u, 1700000000u}) {
            auto order = cd::BuildPlayOrder(n, true, seed);
            ASSERT_TRUE(IsPermutation(order, n)) << "n=" << n << " seed=" << seed;
        }
        auto plain = cd::BuildPlayOrder(n, false, 5);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(plain[static_cast<std::size_t>(i)], i + 1);
    }
    EXPECT_TRUE(cd::BuildPlayOrder(0, true, 1).empty());
    EXPECT_TRUE(cd::BuildPlayOrder(-3, false, 1).empty());
    // Different seeds shuffle differently (the order is not fixed).
    EXPECT_NE(cd::BuildPlayOrder(20, true, 1), cd::BuildPlayOrder(20, true, 2));
}

TEST(CdEngine, OpenFailuresAndTimeFormat)
{
    {
        Rig rig({60});
        rig.disc.FailOn("open", 0x113);
        EXPECT_EQ(rig.engine.Open(), -1);
        EXPECT_FALSE(rig.engine.IsOpen());
        EXPECT_EQ(rig.engine.LastError(), 0x113u);
        // A closed device: 255 tracks, counts as playing, no media, play refused.
        EXPECT_EQ(rig.engine.GetTrackCount(), 255);
        EXPECT_TRUE(rig.engine.IsPlaying(false));
        EXPECT_FALSE(rig.engine.Play());
        EXPECT_TRUE(rig.disc.Plays().empty());
    }
    {
        Rig rig({60});
        rig.disc.FailOn("format", 0x111);
        EXPECT_EQ(rig.engine.Open(), -2);
        EXPECT_FALSE(rig.engine.IsOpen());
        EXPECT_FALSE(rig.disc.IsOpen()); // not left open behind the engine's back
    }
    {
        // A drive found playing is stopped on open.
        Rig rig({60, 70});
        rig.disc.SetMode(cd::DriveMode::Playing);
        EXPECT_EQ(rig.engine.Open(), 0);
        EXPECT_EQ(rig.disc.TimeFormat(), cd::kFormatTmsf);
        EXPECT_EQ(rig.disc.Mode(), cd::DriveMode::Stopped);
        EXPECT_EQ(rig.owner.events, (std::vector<Event>{{cd::kEventStopped, 2}}));
    }
}

TEST(CdEngine, PlaysEachTrackToItsEndThenStopsAtTheEndOfTheDisc)
{
    Rig rig({185, 200, 61});
    ASSERT_EQ(rig.engine.Open(), 0);
    ASSERT_TRUE(rig.engine.Play());
    ASSERT_EQ(rig.disc.Plays().size(), 1u);
    const auto& first = rig.disc.Plays()[0];
    EXPECT_EQ(first.from.track, 1);
    EXPECT_EQ(first.from.minute, 0);
    EXPECT_EQ(first.to.track, 1);
    EXPECT_EQ(first.to.minute, 3); // 185 s
    EXPECT_EQ(first.to.second, 5);
    EXPECT_TRUE(rig.owner.timerRunning);
    rig.TrackEnds();
    EXPECT_EQ(rig.PlayingTrack(), 2);
    rig.TrackEnds();
    EXPECT_EQ(rig.PlayingTrack(), 3);
    EXPECT_EQ(rig.disc.Plays().back().to.minute, 1);
    EXPECT_EQ(rig.disc.Plays().back().to.second, 1);
    rig.TrackEnds();
    EXPECT_EQ(rig.disc.Plays().size(), 3u); // nothing more played
    EXPECT_EQ(rig.owner.events, (std::vector<Event>{{1, 1}, {1, 2}, {1, 3}, {0, 3}}));
    EXPECT_EQ(rig.engine.OrderPosition(), 1);
    // An aborted or superseded play is no track end.
    rig.engine.OnPlayEnded(false);
    EXPECT_EQ(rig.disc.Plays().size(), 3u);
}

TEST(CdEngine, RepeatModes)
{
    {
        Rig rig({30, 40});
        rig.engine.Open();
        EXPECT_TRUE(rig.engine.ToggleRepeatOne());
        rig.engine.Next(); // to track 2
        for (int i = 0; i < 3; ++i) {
            rig.TrackEnds();
            EXPECT_EQ(rig.PlayingTrack(), 2);
        }
    }
    {
        Rig rig({30, 40});
        rig.engine.Open();
        EXPECT_TRUE(rig.engine.ToggleRepeatAll());
        rig.engine.Play();
        std::vector<int> played;
        for (int i = 0; i < 5; ++i) {
            played.push_back(rig.PlayingTrack());
            rig.TrackEnds();
        }
        EXPECT_EQ(played, (std::vector<int>{1, 2, 1, 2, 1}));
    }
    {
        // The modes exclude each other; each toggle reports the new value.
        Rig rig({30});
        EXPECT_TRUE(rig.engine.ToggleRepeatOne());
        EXPECT_TRUE(rig.engine.ToggleRepeatAll());
        EXPECT_FALSE(rig.engine.RepeatOne());
        EXPECT_TRUE(rig.engine.ToggleRepeatOne());
        EXPECT_FALSE(rig.engine.RepeatAll());
        EXPECT_FALSE(rig.engine.ToggleRepeatOne());
    }
}

TEST(CdEngine, NextAndBackByPositionWithinTheTrack)
{
    struct Case {
        const char* name;
        int nexts;         // Next presses after Play
        int secondsIn;     // how far the track has played
        bool back;         // then Back
        int expectedTrack; // the track played last
    };
    const Case cases[] = {
        {"next from the first", 1, 10, false, 2},
        {"next twice", 2, 0, false, 3},
        {"back at 0:00 of track 3 goes to 2", 2, 0, true, 2},
        {"back later in track 3 restarts it", 2, 5, true, 3},
        {"back on the first track restarts it", 0, 0, true, 1},
        {"back on the first track later restarts it", 0, 42, true, 1},
    };
    for (const Case& c : cases) {
        Rig rig({100, 100, 100, 100});
        rig.engine.Open();
        ASSERT_TRUE(rig.engine.Play()) << c.name;
        for (int i = 0; i < c.nexts; ++i)
            ASSERT_TRUE(rig.engine.Next()) << c.name;
        rig.disc.Advance(c.secondsIn);
        if (c.back)
            ASSERT_TRUE(rig.engine.Prev()) << c.name;
        EXPECT_EQ(rig.PlayingTrack(), c.expectedTrack) << c.name;
        EXPECT_EQ(rig.disc.Plays().back().from.second, 0) << c.name;
    }
    {
        // Next at the last track: nothing while the drive still plays; stopped, the disc ends.
        Rig rig({10, 10});
        rig.engine.Open();
        rig.engine.Play();
        rig.engine.Next();
        EXPECT_FALSE(rig.engine.Next());
        EXPECT_EQ(rig.disc.Plays().size(), 2u);
        rig.disc.EndPlay();
        EXPECT_FALSE(rig.engine.Next());
        EXPECT_EQ(rig.owner.events.back(), (Event{0, 2}));
        EXPECT_EQ(rig.engine.OrderPosition(), 1);
    }
}

TEST(CdEngine, PauseThenPlayResumesAtTheSavedSecondAndKeepsCounting)
{
    Rig rig({300, 300});
    rig.engine.Open();
    rig.engine.Next(); // plays track 2
    for (int i = 0; i < 37; ++i) {
        rig.disc.Advance(1);
        rig.engine.OnSecond();
    }
    rig.disc.Advance(60);
    EXPECT_EQ(rig.engine.ElapsedSeconds(), 37);
    ASSERT_TRUE(rig.engine.Pause());
    EXPECT_TRUE(rig.engine.Paused());
    EXPECT_FALSE(rig.owner.timerRunning);
    EXPECT_EQ(rig.disc.Mode(), cd::DriveMode::Paused);
    rig.engine.OnSecond(); // no counting while paused
    EXPECT_EQ(rig.engine.ElapsedSeconds(), 37);
    EXPECT_FALSE(rig.engine.Pause()); // only while playing
    ASSERT_TRUE(rig.engine.Play());
    const auto& resumed = rig.disc.Plays().back();
    EXPECT_EQ(resumed.from.track, 2);
    EXPECT_EQ(resumed.from.minute, 1);
    EXPECT_EQ(resumed.from.second, 37);
    EXPECT_EQ(resumed.to.minute, 5);
    EXPECT_FALSE(rig.engine.Paused());
    EXPECT_TRUE(rig.owner.timerRunning);
    rig.engine.OnSecond();
    EXPECT_EQ(rig.engine.ElapsedSeconds(), 38);
    EXPECT_EQ(rig.owner.events.back(), (Event{3, 38}));
    // Resuming announces no new track.
    EXPECT_EQ(std::count(rig.owner.events.begin(), rig.owner.events.end(), Event{1, 2}), 1);
}

TEST(CdEngine, StopEjectAndRandom)
{
    {
        Rig rig({50, 50, 50});
        rig.engine.Open();
        rig.engine.Next();
        ASSERT_TRUE(rig.engine.Stop());
        EXPECT_EQ(rig.owner.events.back(), (Event{0, 3}));
        EXPECT_FALSE(rig.owner.timerRunning);
        EXPECT_TRUE(rig.engine.Order().empty());
        rig.engine.Play(); // from the first track again
        EXPECT_EQ(rig.PlayingTrack(), 1);
    }
    {
        Rig rig({50, 50, 50});
        rig.engine.Open();
        rig.engine.ToggleRepeatOne();
        rig.engine.ToggleRandom();
        rig.engine.Play();
        ASSERT_TRUE(rig.engine.Eject());
        EXPECT_FALSE(rig.engine.RepeatOne() || rig.engine.RepeatAll() || rig.engine.Random());
        EXPECT_EQ(rig.owner.events.back(), (Event{2, 0}));
        EXPECT_TRUE(rig.disc.DoorOpen());
        EXPECT_FALSE(rig.engine.Play()); // no disc now
        rig.disc.FailOn("door", 0x120);
        rig.engine.ToggleRandom();
        EXPECT_FALSE(rig.engine.Eject());
        EXPECT_FALSE(rig.engine.Random()); // cleared even when the door fails
    }
    {
        // Random on while playing stops the disc; the order then plays every track once.
        const int n = 12;
        Rig rig(std::vector<int>(n, 20));
        rig.engine.Open();
        rig.engine.Play();
        EXPECT_TRUE(rig.engine.ToggleRandom());
        EXPECT_EQ(rig.disc.Mode(), cd::DriveMode::Stopped);
        EXPECT_TRUE(rig.engine.Random());
        ASSERT_TRUE(IsPermutation(rig.engine.Order(), n));
        std::vector<std::uint8_t> expected = rig.engine.Order();
        rig.engine.Play();
        std::vector<std::uint8_t> played;
        for (int i = 0; i < n; ++i) {
            played.push_back(static_cast<std::uint8_t>(rig.PlayingTrack()));
            rig.TrackEnds();
        }
        EXPECT_EQ(played, expected);
        EXPECT_EQ(rig.owner.events.back(), (Event{0, n}));
        EXPECT_FALSE(rig.engine.ToggleRandom());
    }
}

TEST(CdEngine, FailuresAreStoredAndReported)
{
    Rig rig({50, 50});
    rig.engine.Open();
    rig.disc.FailOn("play", 0x115);
    EXPECT_FALSE(rig.engine.Play());
    EXPECT_EQ(rig.engine.LastError(), 0x115u);
    EXPECT_FALSE(rig.owner.timerRunning);
    rig.disc.FailOn("play", 0);
    EXPECT_TRUE(rig.engine.Play());
    EXPECT_EQ(rig.engine.LastError(), 0u); // cleared by the next operation
    rig.disc.FailOn("stop", 0x116);
    EXPECT_FALSE(rig.engine.Stop());
    EXPECT_FALSE(rig.engine.Order().empty());
    rig.disc.FailOn("media", 0x117);
    EXPECT_TRUE(rig.engine.IsMediaPresent()); // unknown counts as present
    rig.disc.FailOn("tracks", 0x118);
    EXPECT_EQ(rig.engine.GetTrackCount(), 0);
}

TEST(CdLatches, EveryStateOverEveryStartingLook)
{
    using L = cd::Latches;
    const L allOn{true, true, true, true, true};
    const L allOff{};
    struct Case {
        int state;
        L fromOff;
        L fromOn;
    };
    const Case cases[] = {
        {1, {true, false, false, false, false}, {true, false, true, true, true}},
        {2, {false, true, false, false, false}, {false, true, true, true, true}},
        {3, {false, false, false, false, true}, {false, false, true, true, true}},
        {4, {false, false, true, false, false}, {true, true, true, false, true}},
        {6, allOff, {false, false, true, true, true}},
        {7, allOff, {false, false, true, true, true}},
        {8, allOff, {false, false, true, true, true}},
        {9, allOff, {true, true, false, true, true}},
        {10, allOff, {false, false, true, true, false}},
        {11, {false, false, false, true, false}, {true, true, false, true, true}},
        {12, allOff, {true, true, true, false, true}},
        {0, allOff, allOff},
        {5, allOff, allOff},
        {13, allOff, allOff},
        {-1, allOff, allOff},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cd::ApplyPlayState(c.state, allOff), c.fromOff) << "state " << c.state;
        EXPECT_EQ(cd::ApplyPlayState(c.state, allOn), c.fromOn) << "state " << c.state;
    }
}

namespace {
class FakeAux : public cd::IAuxDevices {
public:
    std::vector<bool> volumeCaps;
    std::map<int, std::uint32_t> volumes;
    int Count() override { return static_cast<int>(volumeCaps.size()); }
    bool SupportsVolume(int d) override { return volumeCaps[static_cast<std::size_t>(d)]; }
    bool GetVolume(int d, std::uint32_t* v) override
    {
        auto it = volumes.find(d);
        if (it == volumes.end())
            return false;
        *v = it->second;
        return true;
    }
    bool SetVolume(int d, std::uint32_t v) override
    {
        volumes[d] = v;
        return true;
    }
};
} // namespace

TEST(CdAuxVolume, ScalingAndDevices)
{
    const std::pair<int, std::uint32_t> words[] = {{-5, 0}, {0, 0}, {1, 655}, {50, 32767}, {99, 64879},
                                                   {100, 65535}, {101, 65535}, {100000, 65535}};
    for (auto [percent, word] : words)
        EXPECT_EQ(cd::AuxVolumeWord(percent), word) << percent;

    FakeAux aux;
    EXPECT_EQ(cd::GetAuxVolume(aux), -1);
    aux.volumeCaps = {true, false, true};
    cd::SetAuxVolume(aux, 100);
    EXPECT_EQ(aux.volumes[0], 0xFFFFFFFFu);
    EXPECT_EQ(aux.volumes.count(1), 0u); // no volume control: untouched
    EXPECT_EQ(aux.volumes[2], 0xFFFFFFFFu);
    cd::SetAuxVolume(aux, 0);
    EXPECT_EQ(aux.volumes[0], 0u);
    EXPECT_EQ(aux.volumes[2], 0u);
    aux.volumes[0] = 0x0000FFFF;
    aux.volumes[2] = 0xFFFF8000; // the last device with volume answers, its low word
    EXPECT_EQ(cd::GetAuxVolume(aux), 50);
    FakeAux noControl;
    noControl.volumeCaps = {false};
    EXPECT_EQ(cd::GetAuxVolume(noControl), 0);
}
