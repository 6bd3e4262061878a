// One parse or load in a fresh process, the way the viewer loads its tour at
// start: its time, and how far it raises the peak of the heap. On a fresh
// heap every page a tree takes is touched for the first time, which the
// repeated benchmarks do not see.
#include "harness.h"
#include "loading.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sys/resource.h>

#include <cstdio>

#include "format.h"
#include "tour.h"
#include "xmlnode.h"

// The counters of the preloaded heap_count library, when it is there.
struct HeapCount {
    using Counter = size_t();
    using Reset = void();
    Counter *in_use = nullptr;
    Counter *peak = nullptr;
    Reset *reset_peak = nullptr;
    HeapCount()
    {
        in_use = reinterpret_cast<Counter *>(dlsym(RTLD_DEFAULT, "heap_count_in_use"));
        peak = reinterpret_cast<Counter *>(dlsym(RTLD_DEFAULT, "heap_count_peak"));
        reset_peak = reinterpret_cast<Reset *>(dlsym(RTLD_DEFAULT, "heap_count_reset_peak"));
    }
    bool present() const
    {
        return in_use && peak && reset_peak;
    }
};

static long page_faults()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Child: `once WHAT DIR` runs WHAT once inside the tour DIR and prints its
// CPU seconds, how many bytes it raised the heap's peak (-1: not counted) and
// how many page faults it took.
static int once_child(int argc, char **argv)
{
    if (argc < 3)
        return 1;
    InDirectory in_tour(argv[2]);
    const std::string what = argv[1];
    std::vector<std::string> paths = photograph_paths();
    char *text = NULL;
    gsize length = 0;
    if (!g_file_get_contents(tour_file, &text, &length, NULL))
        return 1;
    if (what != "parse_xmlnode" && what != "parse_bare") {
        g_free(text);
        text = NULL;
    }

    HeapCount heap;
    size_t before = heap.present() ? heap.in_use() : 0;
    if (heap.present())
        heap.reset_peak();
    long faults = page_faults();
    double start = cpu_now();
    bool ok = true;
    if (what == "parse_xmlnode")
        ok = xmlnode_from_str(text, (gssize)length) != NULL;
    else if (what == "parse_bare")
        ok = bare_parse(text, length);
    else if (what == "make_weak")
        ok = g_hash_table_size(make_weak()) == (guint)tour_slides + 1;
    else if (what == "load_floor")
        ok = load_floor(paths) == (int)paths.size();
    else
        ok = false;
    double seconds = cpu_now() - start;
    faults = page_faults() - faults;
    double raised = heap.present() ? (double)(heap.peak() - before) : -1;
    printf("%.6f %.0f %ld\n", seconds, raised, faults);
    return ok ? 0 : 1;
}
static ChildRegistrar once_mode("once", once_child);

// Time runs without the heap counting, which slows each allocation a little.
static void fresh(benchmark::State &state, const char *what, bool count_heap)
{
    std::string args = std::string(what) + " '" + tour_directory() + "'";
    double bytes = -1, faults = 0, best = HUGE_VAL;
    for (auto _ : state) {
        std::string out = run_child("once", args, count_heap ? HEAP_COUNT_LIBRARY : nullptr);
        double seconds = 0;
        if (out.empty() || sscanf(out.c_str(), "%lf %lf %lf", &seconds, &bytes, &faults) != 3) {
            state.SkipWithError("the measuring process failed");
            break;
        }
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
    }
    state.counters["best_seconds"] = best;
    state.counters["faults"] = faults;
    if (bytes >= 0)
        state.counters["heap_per_slide"] = bytes / tour_slides;
}

static const bool registered = [] {
    for (const char *what : {"parse_xmlnode", "parse_bare", "make_weak", "load_floor"}) {
        register_timed(std::string("fresh/") + what, fresh, what, false)->Iterations(1);
    }
    for (const char *what : {"make_weak", "load_floor"})
        register_timed(std::string("heap/") + what, fresh, what, true)
            ->Iterations(1)
            ->Repetitions(1);

    add_table_row({310, "parse tour, fresh process: xmlnode_from_str", "fresh/parse_xmlnode",
                   Shown::time, "bare GMarkup parse, fresh process", "fresh/parse_bare", 1.5});
    add_table_row({311, "load tour, fresh process: make_weak", "fresh/make_weak", Shown::time,
                   "read + bare parse + photograph tests, fresh", "fresh/load_floor", 2.0});
    add_table_row({312, "load tour, fresh process: make_weak page faults", "fresh/make_weak",
                   Shown::counter, "read + bare parse + photograph tests, fresh",
                   "fresh/load_floor", 0, "faults", "faults"});
    add_table_row({313, "load tour: make_weak peak heap", "heap/make_weak", Shown::counter,
                   "read + bare parse + photograph tests", "heap/load_floor", 0, "B/slide",
                   "heap_per_slide"});
    return true;
}();
