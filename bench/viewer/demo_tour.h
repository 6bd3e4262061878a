// The demo tour, generated once into the benchmark data directory.
#ifndef TOURVIEW_BENCH_DEMO_TOUR_H
#define TOURVIEW_BENCH_DEMO_TOUR_H

#include <string>

// The directory of the demo tour, or empty when it could not be made.
const std::string &demo_tour_directory();

#endif
