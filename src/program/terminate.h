// How a program ends on an exception that nothing catches.
#ifndef TOURVIEW_TERMINATE_H
#define TOURVIEW_TERMINATE_H

// From then on an exception that nothing catches, on any thread, ends the
// program with status 1 and one line, "PROGRAM: out of memory" for one.
void end_uncaught_with_one_line();

#endif
