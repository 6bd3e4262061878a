// Captures what is written to a file descriptor (stdout, stderr) for the
// life of one object, so tests can check the exact text.
#ifndef TOURVIEW_TESTS_FD_CAPTURE_H
#define TOURVIEW_TESTS_FD_CAPTURE_H

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

class FdCapture
{
  public:
    explicit FdCapture(int fd) : fd_(fd)
    {
        flush();
        char name[] = "/tmp/tourview-capture-XXXXXX";
        file_ = mkstemp(name);
        if (file_ < 0)
            throw std::runtime_error("mkstemp failed");
        unlink(name);
        saved_ = dup(fd_);
        dup2(file_, fd_);
    }
    ~FdCapture()
    {
        restore();
        close(file_);
    }
    FdCapture(const FdCapture &) = delete;
    FdCapture &operator=(const FdCapture &) = delete;

    // Everything written so far.
    std::string text()
    {
        flush();
        std::string all;
        char buffer[4096];
        ssize_t got;
        for (off_t at = 0; (got = pread(file_, buffer, sizeof buffer, at)) > 0; at += got)
            all.append(buffer, size_t(got));
        return all;
    }

  private:
    int fd_, file_, saved_ = -1;

    void flush()
    {
        fflush(fd_ == 1 ? stdout : fd_ == 2 ? stderr : nullptr);
    }
    void restore()
    {
        if (saved_ < 0)
            return;
        flush();
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
};

#endif
