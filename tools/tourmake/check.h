// tourcheck's checks, run in-process on a tour just written.
#ifndef TOURMAKE_CHECK_H
#define TOURMAKE_CHECK_H

#include <string>

// Prints each problem found in the tour in `dir` to stderr; the number of
// errors among them.
int check_written_tour(const std::string &dir);

#endif
