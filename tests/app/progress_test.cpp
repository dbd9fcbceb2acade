// The progress bar: range, steps and the tick that stops its timer. Ticks are sent directly, and
// nothing pumps this thread meanwhile, so the real timer cannot add steps of its own.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "app/progress.h"
#include "app/res/resource.h"
#include "main_window_fixture.h"
#include "tests/fakes/import_hook.h"
#include "voice/window_link.h"

namespace {

// The window's SetTimer calls, seen in this program's import table: the period handed over,
// which no window call tells.
struct TimerCall {
    HWND window;
    UINT_PTR id;
    UINT periodMs;
    TIMERPROC function;
};
std::vector<TimerCall> timerCalls;
decltype(&SetTimer) realSetTimer = nullptr;

UINT_PTR WINAPI RecordSetTimer(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC function)
{
    timerCalls.push_back(TimerCall{window, id, periodMs, function});
    return realSetTimer(window, id, periodMs, function);
}

class ProgressTest : public MainWindowTest {
protected:
    int Position() const { return static_cast<int>(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0)); }
    int Maximum() const { return static_cast<int>(SendMessageA(Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0)); }
    void Tick() const { SendMessageA(window, WM_TIMER, ID_PROGRESS_TIMER, 0); }
    bool TimerRuns() const { return progressTimer == ID_PROGRESS_TIMER; }

    // Ticks until the bar is full, checking every step and that the timer still runs.
    void TickUntilFull(int maximum) const
    {
        for (int step = Position() + 1; step <= maximum; ++step) {
            Tick();
            ASSERT_EQ(step, Position());
            ASSERT_TRUE(TimerRuns()) << "stopped early, at step " << step;
        }
    }
};

}  // namespace

TEST_F(ProgressTest, FillsOverFiveStepsASecondAndStopsOnTheTickAfterFull)
{
    const ImportHook<decltype(&SetTimer)> hook("user32.dll", "SetTimer", &RecordSetTimer,
                                               realSetTimer);
    ASSERT_TRUE(hook.Installed()) << "SetTimer is not in the program's import table";
    for (std::int32_t seconds : {3, 0, 60}) {
        SCOPED_TRACE(seconds);
        duration = seconds;
        timerCalls.clear();
        StartProgress(window);
        ASSERT_EQ(1u, timerCalls.size());
        const TimerCall& timer = timerCalls[0];
        EXPECT_EQ(window, timer.window);
        EXPECT_EQ(ID_PROGRESS_TIMER, timer.id);
        EXPECT_EQ(200u, timer.periodMs) << "not five steps a second";
        EXPECT_EQ(nullptr, timer.function) << "ticks must come as WM_TIMER";
        const int maximum = 5 * seconds;
        EXPECT_EQ(maximum, Maximum());
        EXPECT_EQ(0, Position());
        ASSERT_TRUE(TimerRuns());

        TickUntilFull(maximum);
        Tick();  // finds the bar full
        EXPECT_EQ(static_cast<UINT_PTR>(-1), progressTimer);
        EXPECT_EQ(maximum, Position()) << "the bar left its range";
        EXPECT_FALSE(KillTimer(window, ID_PROGRESS_TIMER)) << "the timer still runs";
        Tick();  // a late tick already queued must not harm
        EXPECT_EQ(maximum, Position());
    }
}

TEST_F(ProgressTest, RestartWhileRunningEmptiesTheBarAndKeepsOneTimer)
{
    duration = 3;
    StartProgress(window);
    for (int step = 0; step < 5; ++step)
        Tick();
    ASSERT_EQ(5, Position());

    StartProgress(window);
    EXPECT_EQ(0, Position());
    EXPECT_TRUE(TimerRuns());
    TickUntilFull(15);
    Tick();
    EXPECT_EQ(static_cast<UINT_PTR>(-1), progressTimer);
    EXPECT_FALSE(KillTimer(window, ID_PROGRESS_TIMER)) << "a second timer was left running";
}

TEST_F(ProgressTest, TheRealTimerFillsTheBarAndStops)
{
    duration = 1;
    StartProgress(window);
    ASSERT_TRUE(PumpUntil([this] { return !TimerRuns(); })) << "the timer never stopped";
    EXPECT_EQ(5, Position());
}
