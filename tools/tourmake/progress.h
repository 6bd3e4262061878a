// Progress on stderr: a bar with the count and the time left on a terminal,
// otherwise a line at every tenth of the work.
#ifndef TOURMAKE_PROGRESS_H
#define TOURMAKE_PROGRESS_H

#include <stddef.h>

#include <mutex>

class Progress
{
  public:
    Progress(size_t total, bool shown);
    void advance(); // one more item done; safe from any thread
    void finish();

  private:
    std::mutex mutex_;
    size_t total_, done_ = 0;
    bool shown_, terminal_;
    long long start_;
    int tenths_ = 0;
};

#endif
