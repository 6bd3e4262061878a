// tourview_bench [--bench_data=DIR] [Google Benchmark flags]: runs every
// benchmark and prints one table. Re-run as `--child NAME ...` it is one of
// the helper processes that some measurements need.
#include "harness.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

extern std::string data_directory_flag;
int run_child_mode(int argc, char **argv);
void run_and_print_table();

int main(int argc, char **argv)
{
    if (argc >= 3 && strcmp(argv[1], "--child") == 0)
        return run_child_mode(argc - 2, argv + 2);

    // Memory freed by one iteration stays with the process for the next, so
    // that repeated runs measure the work and not the system's page faults;
    // the fresh-process rows measure those.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);

    // Five short repetitions of every benchmark in random order spread each
    // one over the whole run, so that a spell of other work on the machine
    // slows some of its calls and not all.
    static char repetitions[] = "--benchmark_repetitions=5";
    static char min_time[] = "--benchmark_min_time=0.3";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char *> args = {argv[0], repetitions, min_time, interleave};
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--bench_data=", 13) == 0)
            data_directory_flag = argv[i] + 13;
        else
            args.push_back(argv[i]); // given later, wins
    }
    int count = (int)args.size();
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    run_and_print_table();
    return 0;
}
