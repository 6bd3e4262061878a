// Preloaded into the fresh-process measurements only: counts the bytes that
// malloc hands out (usable size plus the chunk header) and keeps their peak.
// The system's resident-size figures cannot serve here: on some virtual
// machines they leave anonymous memory out.
#include <malloc.h>
#include <stdlib.h>

#include <cstddef>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *ptr, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *ptr);
}

static size_t in_use, peak;

static void *counted(void *ptr)
{
    if (ptr) {
        in_use += malloc_usable_size(ptr) + sizeof(size_t);
        if (in_use > peak)
            peak = in_use;
    }
    return ptr;
}

static void uncount(void *ptr)
{
    if (ptr)
        in_use -= malloc_usable_size(ptr) + sizeof(size_t);
}

extern "C" {

size_t heap_count_in_use()
{
    return in_use;
}

size_t heap_count_peak()
{
    return peak;
}

void heap_count_reset_peak()
{
    peak = in_use;
}

void *malloc(size_t size)
{
    return counted(__libc_malloc(size));
}

void *calloc(size_t count, size_t size)
{
    return counted(__libc_calloc(count, size));
}

void *realloc(void *ptr, size_t size)
{
    uncount(ptr);
    void *moved = __libc_realloc(ptr, size);
    if (!moved && size) {
        counted(ptr); // the old block stays
        return NULL;
    }
    return counted(moved);
}

void free(void *ptr)
{
    uncount(ptr);
    __libc_free(ptr);
}

void *memalign(size_t alignment, size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

void *aligned_alloc(size_t alignment, size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void **out, size_t alignment, size_t size)
{
    void *ptr = counted(__libc_memalign(alignment, size));
    if (!ptr)
        return 12; // ENOMEM
    *out = ptr;
    return 0;
}

void *valloc(size_t size)
{
    return counted(__libc_memalign(4096, size));
}
}
