// The programs' command lines: their own option tables read with GOption, and
// their own usage, help and version texts in place of GOption's.
#ifndef TOURVIEW_OPTIONS_H
#define TOURVIEW_OPTIONS_H

#include <glib.h>

// Reads the options of `entries` (a table ended by a null entry) from the
// command line, adding --help and --version. --help prints `help` and answers
// 0; --version prints "PROGRAM VERSION" and answers 0; an unknown option, or a
// value given to a switch (--force=no), prints `usage` to stderr and answers 2.
// Otherwise answers -1, with *argc and *argv left holding the program's name
// and its operands.
int take_options(int *argc, char ***argv, const GOptionEntry *entries, const char *program,
                 const char *usage, const char *help);

// What the options leave must be exactly `count` operands, none an option
// (a lone "-" is a name): -1 when so, else `usage` to stderr and 2.
int take_operands(int argc, char **argv, int count, const char *usage);

// take_options, then the operands: exactly `count` as take_operands takes
// them, or with OPTIONAL_DIR at most one, which starts with no "-". The
// status to end with, or -1 with *argc and *argv holding the operands.
constexpr int OPTIONAL_DIR = -1;
int take_command_line(int *argc, char ***argv, const GOptionEntry *entries, const char *program,
                      const char *usage, const char *help, int count);

#endif
