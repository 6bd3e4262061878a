// Whole-file reads and writes for tests.
#ifndef TOURVIEW_TESTS_FILES_H
#define TOURVIEW_TESTS_FILES_H

#include <string>

// The whole of a file, or "" when it cannot be read.
std::string read_file(const std::string &path);

// Writes `bytes` to `path`, creating parent directories. The file is written
// aside and renamed, so a running viewer never reads half of it. Throws
// std::runtime_error on failure.
void write_file(const std::string &path, const std::string &bytes);

#endif
