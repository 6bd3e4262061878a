#include "progress.h"

#include <stdio.h>
#include <unistd.h>

#include <glib.h>

#include "diagnostics.h"

Progress::Progress(size_t total, bool shown)
    : total_(total), shown_(shown && total > 0), terminal_(isatty(2)),
      start_(g_get_monotonic_time())
{
}

void Progress::advance()
{
    std::lock_guard<std::mutex> lock(mutex_);
    done_++;
    if (!shown_)
        return;
    if (!terminal_) {
        int tenths = static_cast<int>(done_ * 10 / total_);
        if (tenths > tenths_) {
            tenths_ = tenths;
            fprintf(stderr, "%s: %zu/%zu photographs\n", program_name(), done_, total_);
        }
        return;
    }
    const int width = 30;
    int filled = static_cast<int>(done_ * width / total_);
    double elapsed = (g_get_monotonic_time() - start_) / 1e6;
    int left = static_cast<int>(elapsed / done_ * (total_ - done_) + 0.5);
    fprintf(stderr, "\r[%.*s%*s] %zu/%zu photographs, %d:%02d left ", filled,
            "##############################", width - filled, "", done_, total_, left / 60,
            left % 60);
}

void Progress::finish()
{
    if (shown_ && terminal_)
        fputc('\n', stderr);
}
