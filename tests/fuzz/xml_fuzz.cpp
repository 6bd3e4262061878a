// libFuzzer target for the XML module: parse, look up, read, write, copy,
// parse the written text again, free.
#include "fuzz_checks.h"

#include <stdio.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string error = check_xml(data, size);
    if (!error.empty()) {
        fprintf(stderr, "xml_fuzz: %s\n", error.c_str());
        abort();
    }
    return 0;
}
