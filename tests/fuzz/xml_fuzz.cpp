// libFuzzer target for the XML module: parse, look up, read, write, copy,
// parse the written text again, free.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz_verdict("xml_fuzz", check_xml(data, size));
}
