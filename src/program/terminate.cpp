#include "terminate.h"

#include <stdio.h>
#include <unistd.h>

#include <exception>
#include <new>

#include "diagnostics.h"

[[noreturn]] static void end_with_one_line()
{
    const char *program = program_name();
    try {
        if (std::exception_ptr failure = std::current_exception())
            std::rethrow_exception(failure);
        fprintf(stderr, "%s: unexpected failure\n", program);
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "%s: out of memory\n", program);
    } catch (const std::exception &failure) {
        fprintf(stderr, "%s: %s\n", program, failure.what());
    } catch (...) {
        fprintf(stderr, "%s: unexpected failure\n", program);
    }
    // Other threads may still run: no exit handlers, no destructors.
    _exit(1);
}

void end_uncaught_with_one_line()
{
    std::set_terminate(end_with_one_line);
}
