// libFuzzer target for tourmake's plan parser and the slides it derives.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz_verdict("plan_fuzz", check_plan(data, size));
}
