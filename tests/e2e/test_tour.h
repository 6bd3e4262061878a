// The tour most end-to-end tests walk, and a fixture that runs the viewer on
// it in a private X server.
#ifndef TOURVIEW_TESTS_E2E_TEST_TOUR_H
#define TOURVIEW_TESTS_E2E_TEST_TOUR_H

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "harness.h"
#include "walk_tour.h"

namespace e2e
{

using TestSlide = WalkSlide;

inline const std::vector<TestSlide> &test_slides()
{
    return walk_slides();
}

inline const TestSlide &test_slide(const std::string &id)
{
    for (const TestSlide &slide : test_slides())
        if (id == slide.id)
            return slide;
    throw std::runtime_error("no test slide " + id);
}

inline void write_test_tour(const Tour &tour)
{
    std::vector<std::string> slides;
    for (const TestSlide &slide : test_slides()) {
        tour.add_photo(slide.id, slide.colour);
        if (std::string(slide.id) != "map")
            slides.push_back(slide_xml(slide.id, slide.exits));
    }
    tour.write_data(tour_xml(slides));
    tour.add_sprites();
}

class ViewerTest : public ::testing::Test
{
  protected:
    XServer server;
    Tour tour;
    std::unique_ptr<Session> session;

    // Writes the test tour (unless a test wrote its own) and starts the viewer.
    void start(const std::map<std::string, std::string> &env = {})
    {
        if (read_file(tour.path("data.xml")).empty())
            write_test_tour(tour);
        session = std::make_unique<Session>(server, tour, env);
    }

    // After every event sent so far, the window shows slide `id` with its
    // arrows and the plain pointer in the margin.
    ::testing::AssertionResult shows(const std::string &id, Rgb colour)
    {
        session->settle();
        auto [x, y] = session->last_pointer();
        if (auto mismatch = session->wait_for(frame(colour, test_slide(id).arrows, 0, x, y)))
            return ::testing::AssertionFailure() << "not showing " << id << ": " << *mismatch
                                                 << "; stderr: " << session->viewer().err();
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult shows(const std::string &id)
    {
        return shows(id, test_slide(id).colour);
    }

    // The viewer quits with `status` within the patience.
    ::testing::AssertionResult exits_with(int status)
    {
        auto got = session->viewer().wait_exit();
        if (!got)
            return ::testing::AssertionFailure() << "still running";
        if (*got != status)
            return ::testing::AssertionFailure()
                   << "exit status " << *got << ", stderr " << session->viewer().err();
        return ::testing::AssertionSuccess();
    }
};

} // namespace e2e

#endif
