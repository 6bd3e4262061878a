// Collects the runs of every benchmark and prints them as one table of
// measurements, baselines, ratios and targets.
#include "harness.h"

#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

static std::vector<TableRow> &table_rows()
{
    static std::vector<TableRow> rows;
    return rows;
}

void add_table_row(const TableRow &row)
{
    table_rows().push_back(row);
}

static std::map<std::string, ChildMain> &child_modes()
{
    static std::map<std::string, ChildMain> modes;
    return modes;
}

ChildRegistrar::ChildRegistrar(const char *name, ChildMain main)
{
    child_modes()[name] = main;
}

int run_child_mode(int argc, char **argv)
{
    auto found = child_modes().find(argv[0]);
    if (found == child_modes().end()) {
        fprintf(stderr, "tourview_bench: no child mode %s\n", argv[0]);
        return 2;
    }
    return found->second(argc, argv);
}

std::string run_child(const char *name, const std::string &args, const char *preload)
{
    char *self = g_file_read_link("/proc/self/exe", NULL);
    if (!self)
        return "";
    std::string command = std::string("'") + self + "' --child " + name + " " + args;
    g_free(self);
    char **argv = NULL;
    if (!g_shell_parse_argv(command.c_str(), NULL, &argv, NULL))
        return "";
    char **envp = g_get_environ();
    if (preload)
        envp = g_environ_setenv(envp, "LD_PRELOAD", preload, TRUE);
    char *out = NULL;
    int status = 0;
    std::string result;
    if (g_spawn_sync(NULL, argv, envp, G_SPAWN_DEFAULT, NULL, NULL, &out, NULL, &status, NULL) &&
        g_spawn_check_wait_status(status, NULL))
        result = out;
    g_free(out);
    g_strfreev(envp);
    g_strfreev(argv);
    return result;
}

// One benchmark's result: the best of its repetitions, since the machine is
// shared and interference only ever adds time (the fastest single call, when
// the benchmark keeps it).
struct Measured {
    double cpu_seconds = 0;  // per iteration
    double real_seconds = 0; // per iteration
    std::map<std::string, double> counters;
};

class CollectingReporter : public benchmark::BenchmarkReporter
{
  public:
    std::map<std::string, Measured> results;
    std::map<std::string, std::string> errors;

    bool ReportContext(const Context &) override
    {
        return true;
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            if (run.error_occurred) {
                errors[name] = run.error_message;
                fprintf(stderr, "  %s: %s\n", name.c_str(), run.error_message.c_str());
                continue;
            }
            double iterations = (double)std::max<benchmark::IterationCount>(run.iterations, 1);
            double cpu = run.cpu_accumulated_time / iterations;
            double real = run.real_accumulated_time / iterations;
            auto found = results.find(name);
            if (found == results.end()) {
                Measured m;
                m.cpu_seconds = cpu;
                m.real_seconds = real;
                for (const auto &counter : run.counters)
                    m.counters[counter.first] = counter.second.value;
                results[name] = m;
                fprintf(stderr, ".");
            } else {
                found->second.cpu_seconds = std::min(found->second.cpu_seconds, cpu);
                found->second.real_seconds = std::min(found->second.real_seconds, real);
                for (const auto &counter : run.counters) {
                    double &kept = found->second.counters[counter.first];
                    kept = std::min(kept, (double)counter.second.value);
                }
            }
        }
    }
};

static double seconds_of(const Measured &m, const TableRow &)
{
    auto best = m.counters.find("best_seconds");
    return best != m.counters.end() ? best->second : m.cpu_seconds;
}

static std::string format(const char *fmt, double value, const char *unit = "")
{
    char buffer[64];
    snprintf(buffer, sizeof buffer, fmt, value, unit);
    return buffer;
}

static std::string shown_value(const Measured &m, const TableRow &row)
{
    double seconds = seconds_of(m, row);
    switch (row.shown) {
    case Shown::throughput: {
        auto bytes = m.counters.find("bytes");
        if (bytes == m.counters.end() || seconds <= 0)
            return "?";
        return format("%.1f MB/s%s", bytes->second / seconds / 1e6);
    }
    case Shown::time:
        if (seconds >= 1)
            return format("%.2f s%s", seconds);
        if (seconds >= 1e-3)
            return format("%.2f ms%s", seconds * 1e3);
        return format("%.1f us%s", seconds * 1e6);
    case Shown::rate:
        return seconds > 0 ? format("%.0f %s", 1 / seconds, row.unit) : "?";
    case Shown::counter: {
        auto value = m.counters.find(row.counter);
        return value == m.counters.end() ? "?" : format("%.0f %s", value->second, row.unit);
    }
    }
    return "?";
}

// How many times the baseline's cost the measurement costs: time over
// baseline time, or counter over the baseline's counter.
static double ratio_of(const Measured &m, const Measured &base, const TableRow &row)
{
    if (row.shown == Shown::counter) {
        auto a = m.counters.find(row.counter), b = base.counters.find(row.counter);
        if (a == m.counters.end() || b == base.counters.end() || b->second <= 0)
            return -1;
        return a->second / b->second;
    }
    double base_seconds = seconds_of(base, row);
    return base_seconds > 0 ? seconds_of(m, row) / base_seconds : -1;
}

struct Cells {
    std::string label, value, baseline_label, baseline_value, ratio, target;
};

static void print_rule(const size_t width[6])
{
    for (int i = 0; i < 6; i++)
        printf("%s%s", i ? "-+-" : "", std::string(width[i], '-').c_str());
    printf("\n");
}

static void print_table(const CollectingReporter &reporter)
{
    std::vector<TableRow> rows = table_rows();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TableRow &a, const TableRow &b) { return a.order < b.order; });
    std::vector<Cells> lines;
    int met = 0, missed = 0;
    for (const TableRow &row : rows) {
        Cells cells;
        cells.label = row.label;
        cells.baseline_label = row.baseline_label;
        auto found = reporter.results.find(row.bench);
        if (found == reporter.results.end()) {
            auto error = reporter.errors.find(row.bench);
            cells.value = error == reporter.errors.end() ? "not run" : "failed";
            lines.push_back(cells);
            continue;
        }
        cells.value = shown_value(found->second, row);
        if (!row.baseline.empty()) {
            auto base = reporter.results.find(row.baseline);
            if (base == reporter.results.end()) {
                cells.baseline_value = "not run";
            } else {
                TableRow base_row = row;
                cells.baseline_value = shown_value(base->second, base_row);
                double ratio = ratio_of(found->second, base->second, row);
                cells.ratio = ratio < 0 ? "?" : format("%.2f%s", ratio);
                if (row.target > 0 && ratio >= 0) {
                    bool ok = ratio <= row.target;
                    (ok ? met : missed)++;
                    cells.target = format("<= %.2f %s", row.target, ok ? "met" : "MISSED");
                }
            }
        }
        if (row.target > 0 && cells.target.empty()) {
            missed++;
            cells.target = format("<= %.2f %s", row.target, "not measured");
        }
        lines.push_back(cells);
    }

    const char *heads[6] = {"measurement",     "result", "baseline",
                            "baseline result", "ratio",  "target"};
    size_t width[6];
    for (int i = 0; i < 6; i++)
        width[i] = strlen(heads[i]);
    for (const Cells &c : lines) {
        const std::string *cols[6] = {&c.label,          &c.value, &c.baseline_label,
                                      &c.baseline_value, &c.ratio, &c.target};
        for (int i = 0; i < 6; i++)
            width[i] = std::max(width[i], cols[i]->size());
    }
    printf("\n");
    for (int i = 0; i < 6; i++)
        printf("%s%-*s", i ? " | " : "", (int)width[i], heads[i]);
    printf("\n");
    print_rule(width);
    for (const Cells &c : lines) {
        printf("%-*s | %*s | %-*s | %*s | %*s | %s\n", (int)width[0], c.label.c_str(),
               (int)width[1], c.value.c_str(), (int)width[2], c.baseline_label.c_str(),
               (int)width[3], c.baseline_value.c_str(), (int)width[4], c.ratio.c_str(),
               c.target.c_str());
    }
    printf("\nratio: the measurement's time over the baseline's (counts: count over count); "
           "times are the CPU time of the fastest call of the run.\n"
           "targets: %d met, %d missed\n",
           met, missed);
}

void run_and_print_table()
{
    CollectingReporter reporter;
    fprintf(stderr, "tourview_bench: running");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    fprintf(stderr, "\n");
    print_table(reporter);
}
