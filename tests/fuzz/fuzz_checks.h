// Properties that every input must keep, shared by the libFuzzer targets and
// the unit test that replays the seed corpus and the saved crash inputs. Each
// returns an empty string, or a one-line description of what went wrong.
#ifndef TOURVIEW_TESTS_FUZZ_CHECKS_H
#define TOURVIEW_TESTS_FUZZ_CHECKS_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// Parses the bytes and, when they make a tree, looks it up, reads its data,
// writes it compact and formatted, copies it and parses the written text again.
std::string check_xml(const uint8_t *data, size_t size);

// Writes the bytes to data.xml in the working directory, loads the tour and
// checks the slide table. The directory must hold a "slides" directory.
std::string check_tour(const uint8_t *data, size_t size);

// Parses the bytes as a tourmake plan and derives its slides: every
// diagnostic names a line of the text (or none), every index stays in range.
std::string check_plan(const uint8_t *data, size_t size);

// A libFuzzer target's answer: 0 when `error` is empty, else it is printed
// after the target's name and the process aborts, which libFuzzer reports.
int fuzz_verdict(const char *target, const std::string &error);

#endif
