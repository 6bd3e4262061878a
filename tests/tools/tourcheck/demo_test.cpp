// The demo tour, made by tourmake from make-demo-tour's photographs and plan,
// must check clean.
#include "scratch.h"
#include "test_tours.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

TEST(TourcheckDemo, DemoTourChecksClean)
{
    ScratchDir dir;
    Checked rendered = run_program(MAKE_DEMO_TOUR_PROGRAM, {"source"});
    ASSERT_EQ(rendered.status, 0) << rendered.err;
    Checked made = run_program(TOURMAKE_PROGRAM, {"source/plan.txt", "demo"});
    ASSERT_EQ(made.status, 0) << made.err;

    Checked checked = run_tourcheck({"demo"});
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.err, "");
    EXPECT_TRUE(std::regex_match(
        checked.out, std::regex("tourcheck: [1-9][0-9]* slides, 0 errors, 0 warnings\n")))
        << checked.out;
}

} // namespace
