// libFuzzer target for tourmake's plan parser and the slides it derives.
#include "fuzz_checks.h"

#include <stdio.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string error = check_plan(data, size);
    if (!error.empty()) {
        fprintf(stderr, "plan_fuzz: %s\n", error.c_str());
        abort();
    }
    return 0;
}
