// What the benchmark files share: the generated inputs, the rows of the
// final table, and programs the harness re-runs itself as.
#ifndef TOURVIEW_BENCH_HARNESS_H
#define TOURVIEW_BENCH_HARNESS_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <utility>

enum class Document { tour, text, attributes, deep };
constexpr Document all_documents[] = {Document::tour, Document::text, Document::attributes,
                                      Document::deep};

const char *document_name(Document doc);
// The text of a generated document, made on first use.
const std::string &document_text(Document doc);

constexpr int tour_slides = 100000;
// Slide ids in document order, as the tour document names them.
std::string tour_slide_id(int index);
// A directory holding the tour as data.xml and one empty slides/<id>.jpg per
// slide (and map.jpg): made once and kept between runs.
const std::string &tour_directory();
// Where generated inputs are kept (--bench_data=DIR, default ./bench-data).
const std::string &data_directory();

// CPU time of the process, in seconds.
inline double cpu_now()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// Times each call of `run` alone (register the benchmark with UseManualTime)
// and keeps the fastest call in the counter "best_seconds", which the table
// shows: on a shared machine interference only ever adds time. `done`
// releases what the call made, untimed.
template <class Run, class Done> void time_calls(benchmark::State &state, Run run, Done done)
{
    double best = HUGE_VAL;
    for (auto _ : state) {
        double start = cpu_now();
        auto result = run();
        double seconds = cpu_now() - start;
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
        done(result);
    }
    state.counters["best_seconds"] = best;
}

// The same for a call that makes nothing to release.
template <class Run> void time_calls(benchmark::State &state, Run run)
{
    auto call = [&] {
        run();
        return 0;
    };
    time_calls(state, call, [](int) {});
}

// Runs the enclosing scope in `dir` (make_weak reads ./data.xml, the viewer's
// sprites are under ./cursors), then returns to the directory before.
struct InDirectory {
    char *saved;
    explicit InDirectory(const std::string &dir);
    ~InDirectory();
};

// How a row shows its measurement.
enum class Shown {
    throughput, // MB/s, from the benchmark's "bytes" counter (bytes per iteration)
    time,       // time per iteration
    rate,       // iterations per second ("/s")
    counter,    // the benchmark's counter named by the row
};

struct TableRow {
    int order; // rows print sorted by it
    std::string label;
    std::string bench;
    Shown shown;
    std::string baseline_label; // none: no ratio
    std::string baseline;
    double target = 0;        // largest acceptable ratio; 0: none
    const char *unit = "";    // for rate and counter
    const char *counter = ""; // for counter
};

void add_table_row(const TableRow &row);

// A benchmark that times itself (SetIterationTime), reported in milliseconds.
template <class... Args>
benchmark::internal::Benchmark *register_timed(const std::string &name, Args &&...args)
{
    return benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// A mode the benchmark program runs in when re-executed as
// `tourview_bench --child NAME ARGS...`, for measurements that need a fresh
// process.
using ChildMain = int (*)(int argc, char **argv);
struct ChildRegistrar {
    ChildRegistrar(const char *name, ChildMain main);
};
// Runs this program as the child NAME with the arguments (and the library
// `preload` preloaded, when given) and returns what it printed on its
// standard output (empty on failure).
std::string run_child(const char *name, const std::string &args, const char *preload = nullptr);

#endif
