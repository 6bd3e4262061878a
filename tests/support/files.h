// Whole-file reads and writes for tests.
#ifndef TOURVIEW_TESTS_FILES_H
#define TOURVIEW_TESTS_FILES_H

#include <string>
#include <vector>

// The whole of a file, or "" when it cannot be read.
std::string read_file(const std::string &path);

// Writes `bytes` to `path`, creating parent directories. The file is written
// aside and renamed, so a running viewer never reads half of it. Throws
// std::runtime_error on failure.
void write_file(const std::string &path, const std::string &bytes);

// UTF-8 text in another encoding, as other editors save it ("" when it has
// no form there).
std::string in_encoding(const std::string &utf8, const char *encoding);

// The names in a directory, sorted (none when it cannot be read).
std::vector<std::string> dir_entries(const std::string &dir);

#endif
