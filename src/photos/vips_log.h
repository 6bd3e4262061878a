// libvips' log, routed through our handler: a warning raised while a
// photograph is read is kept for that photograph, unless it cannot change the
// pixels shown (an unknown resolution unit); any other is printed as
// "PROGRAM: libvips: ...".
#ifndef TOURVIEW_VIPS_LOG_H
#define TOURVIEW_VIPS_LOG_H

#include <string>
#include <vector>

void photo_log_install();
// The warnings about `path` that were not taken before, each once.
std::vector<std::string> photo_warnings_take(const std::string &path);

// While it lives, warnings of this thread are `path`'s, and those of libvips'
// threads too when no other photograph is being read.
class PhotoReading
{
  public:
    explicit PhotoReading(const std::string &path);
    ~PhotoReading();
    PhotoReading(const PhotoReading &) = delete;
    PhotoReading &operator=(const PhotoReading &) = delete;

  private:
    const std::string path_;
};

// Photographs are read side by side, with errors of others in the buffer.
void photos_side_by_side(bool on);
// Whether `path` was being read when a warning could not be placed.
bool photo_ambiguous(const std::string &path);
void photo_ambiguities_clear();

#endif
