// Report lines: the problems in a stable order, then one line of totals.
#include "checks.h"

#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <new>

void add_problem(Tour *tour, const std::string &file, int line, Level level,
                 const std::string &message)
{
    tour->problems.push_back(Problem{file, line, level, message});
}

// Ids are free text: quote them and spell out what would break the line.
std::string quoted(const char *text)
{
    std::string out = "\"";
    for (const char *c = text; *c; c++) {
        if (*c == '"' || *c == '\\')
            out += std::string("\\") + *c;
        else if (*c == '\n')
            out += "\\n";
        else if (*c == '\t')
            out += "\\t";
        else if ((unsigned char)*c < 0x20 || *c == 0x7f) {
            char escape[8];
            g_snprintf(escape, sizeof escape, "\\x%02x", (unsigned char)*c);
            out += escape;
        } else
            out += *c;
    }
    return out + "\"";
}

// data.xml first, by line (lines unknown first), then the other files by path;
// problems of one place keep the order in which they were found.
void sort_problems(Tour *tour)
{
    std::stable_sort(tour->problems.begin(), tour->problems.end(),
                     [](const Problem &a, const Problem &b) {
                         bool a_data = a.file == tour_file, b_data = b.file == tour_file;
                         if (a_data != b_data)
                             return a_data;
                         if (a.file != b.file)
                             return a.file < b.file;
                         return a.line < b.line;
                     });
}

// File names come from ids, which may hold anything but a line break here.
static std::string printable(const std::string &text)
{
    std::string quoted_text = quoted(text.c_str());
    return quoted_text.substr(1, quoted_text.size() - 2);
}

std::string problem_line(const Problem &problem)
{
    std::string place = printable(problem.file);
    if (problem.line > 0)
        place += ":" + std::to_string(problem.line);
    return place + ": " + (problem.level == LEVEL_ERROR ? "error" : "warning") + ": " +
           problem.message;
}

static int count(const Tour *tour, Level level)
{
    return (int)std::count_if(tour->problems.begin(), tour->problems.end(),
                              [level](const Problem &p) { return p.level == level; });
}

static std::string counted(int n, const char *what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string summary_line(const Tour *tour)
{
    std::string totals = counted(count(tour, LEVEL_ERROR), "error") + ", " +
                         counted(count(tour, LEVEL_WARNING), "warning");
    if (!tour->readable)
        return "tourcheck: the tour cannot be read: " + totals;
    return "tourcheck: " + counted((int)tour->slides.size(), "slide") + ", " + totals;
}

int exit_status(const Tour *tour)
{
    if (!tour->readable)
        return 2;
    return count(tour, LEVEL_ERROR) > 0 ? 1 : 0;
}

static const char *failing_program = "";

[[noreturn]] static void end_with_one_line()
{
    try {
        if (std::exception_ptr failure = std::current_exception())
            std::rethrow_exception(failure);
        fprintf(stderr, "%s: unexpected failure\n", failing_program);
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "%s: out of memory\n", failing_program);
    } catch (const std::exception &failure) {
        fprintf(stderr, "%s: %s\n", failing_program, failure.what());
    } catch (...) {
        fprintf(stderr, "%s: unexpected failure\n", failing_program);
    }
    // Other threads may still run: no exit handlers, no destructors.
    _exit(1);
}

void end_uncaught_with_one_line(const char *program)
{
    failing_program = program;
    std::set_terminate(end_with_one_line);
}
