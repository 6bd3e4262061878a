// What a program finds wrong in what it reads: a warning or an error at a line
// of a file, said as "FILE:LINE: level: message"; or a note of what it took
// for the file's author to know.
#ifndef TOURVIEW_DIAGNOSTICS_H
#define TOURVIEW_DIAGNOSTICS_H

#include <string>
#include <vector>

enum Severity { WARNING, ERROR, NOTE };

struct Diagnostic {
    std::string file; // the file it belongs to; "" for the one file a list is about
    int line;         // 0 when the problem belongs to no line
    Severity severity;
    std::string message;
};

using Diagnostics = std::vector<Diagnostic>;

// Adds a diagnostic about `file` (the list's own file when left out).
void diagnose(Diagnostics *diagnostics, int line, Severity severity, const std::string &message);
void diagnose(Diagnostics *diagnostics, const std::string &file, int line, Severity severity,
              const std::string &message);
int count_of(const Diagnostics &diagnostics, Severity severity);
bool has_errors(const Diagnostics &diagnostics);

// `first_file`'s diagnostics first, by line (lines unknown first), then the
// other files' by path and line; those of one place keep the order in which
// they were found.
void sort_diagnostics(Diagnostics *diagnostics, const std::string &first_file);

// "FILE:LINE: level: message", without ":LINE" when the line is unknown; FILE
// is `own_file` for the list's own file, and is written as quoted() writes it
// inside the quotes, so that the line stays one line.
std::string diagnostic_line(const Diagnostic &diagnostic, const std::string &own_file = "");

// Free text in double quotes, with quotes, backslashes and control characters
// written as escapes.
std::string quoted(const std::string &text);

// The running program's name, as messages start: GLib's, which the option
// parser takes from argv[0].
const char *program_name();

#endif
