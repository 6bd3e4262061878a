// SIGINT, SIGTERM and SIGHUP as requests to stop: a program that writes its
// output whole or not at all polls for them between steps, removes its work
// and ends with 128 + the signal's number.
#ifndef TOURVIEW_SIGNALS_H
#define TOURVIEW_SIGNALS_H

// From here on the three signals only record themselves; a second signal of
// the same kind ends the program at once.
void catch_signals();
// The signal caught, or 0.
int interrupted();

#endif
