// A problem of data.xml, and the report's line of totals.
#include "checks.h"

void data_problem(Tour *tour, int line, Severity severity, const std::string &message)
{
    diagnose(&tour->problems, tour_file, line, severity, message);
}

static std::string counted(int n, const char *what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string summary_line(const Tour *tour)
{
    std::string totals = counted(count_of(tour->problems, ERROR), "error") + ", " +
                         counted(count_of(tour->problems, WARNING), "warning");
    if (!tour->readable)
        return "tourcheck: the tour cannot be read: " + totals;
    return "tourcheck: " + counted((int)tour->slides.size(), "slide") + ", " + totals;
}

int exit_status(const Tour *tour)
{
    if (!tour->readable)
        return 2;
    return has_errors(tour->problems) ? 1 : 0;
}
