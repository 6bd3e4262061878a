// Tours for tourcheck tests: a clean one written into the working directory,
// real JPEG and PNG files, and a run of the tourcheck program.
#ifndef TOURVIEW_TESTS_TEST_TOURS_H
#define TOURVIEW_TESTS_TEST_TOURS_H

#include <glib.h>

#include <string>
#include <vector>

#include "files.h"

// Three slides S001..S003, all reachable, no dead end; photographs, map and sprites.
extern const char clean_xml[];

// Plain grey pictures, encoded.
std::string jpeg_data(int width, int height);
std::string png_data(int width, int height);

// Writes data.xml (clean_xml by default), the photographs of S001..S003 and
// the map, and the fifteen sprites into the working directory.
void write_clean_tour(const std::string &xml = clean_xml);
void remove_file(const std::string &name);

struct Checked {
    std::string out, err;
    int status;
};
Checked run_program(const char *program, const std::vector<std::string> &arguments,
                    GSpawnChildSetupFunc setup = nullptr);
// Runs tourcheck with its address space limited to 1 GB.
Checked run_tourcheck(const std::vector<std::string> &arguments = {});

#endif
