// The viewer on a desktop with a window manager: iconified it sleeps instead
// of redrawing, restored it redraws again, whichever SDL 1.2 library it runs on.
#include "test_tour.h"

using namespace e2e;

namespace
{

Duration cpu_over(Viewer &viewer, Duration span)
{
    auto start = viewer.cpu_time();
    std::this_thread::sleep_for(span);
    return viewer.cpu_time() - start;
}

TEST_F(ViewerTest, IconifiedWindowSleepsUntilRestored)
{
    WindowManager manager(server);
    start();
    const TestSlide s001 = test_slide("S001");
    session->pointer(300, 300);
    auto mismatch = session->wait_for(frame(s001.colour, s001.arrows, 7, 300, 300));
    ASSERT_FALSE(mismatch) << *mismatch;
    Viewer &viewer = session->viewer();

    session->iconify();
    std::this_thread::sleep_for(300ms);
    Duration iconified = cpu_over(viewer, 1s);

    session->restore();
    session->pointer(400, 300);
    mismatch = session->wait_for(frame(s001.colour, s001.arrows, 7, 400, 300));
    ASSERT_FALSE(mismatch) << *mismatch;
    Duration shown = cpu_over(viewer, 1s);

    RecordProperty("iconified_cpu_ms", int(iconified.count()));
    RecordProperty("shown_cpu_ms", int(shown.count()));
    EXPECT_LT(iconified.count(), 60) << "ms of CPU in a second while iconified";
    EXPECT_GT(shown.count(), 3 * iconified.count() + 30) << "ms of CPU in a second once restored";
}

} // namespace
