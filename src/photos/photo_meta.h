// What a photograph records about itself: when it was taken, which way the
// camera faced, where it stood, and whether it is a 360° photograph. EXIF is
// read with libexif (from a JPEG's APP1 segment: a PNG's is not read), XMP and
// the size with gexiv2; nothing is printed.
#ifndef TOURVIEW_PHOTO_META_H
#define TOURVIEW_PHOTO_META_H

#include <string>

struct PhotoMeta {
    int width, height; // upright, by the orientation tag
    // EXIF DateTimeOriginal with SubSecTimeOriginal, in seconds since 1970,
    // moved by OffsetTimeOriginal when there is one (else as if in UTC).
    bool has_time;
    double time;
    // EXIF GPSImgDirection: degrees clockwise from north, [0, 360).
    bool has_direction;
    double direction;
    // EXIF GPSLatitude and GPSLongitude: degrees, north and east positive.
    bool has_position;
    double latitude, longitude;
    // XMP GPano:PoseHeadingDegrees: the heading of a 360° photograph's centre.
    bool has_pose_heading;
    double pose_heading;
    // Twice as wide as high, and not said by GPano:ProjectionType to be of
    // another projection; `projection_recorded` when it says equirectangular.
    bool equirectangular, projection_recorded;
};

// Reads the metadata of the JPEG or PNG at `path`. False with *reason set
// ("not a JPEG or PNG image", the system's error) when it cannot be read.
// The libraries' one-time set-up comes with the first call, from any thread.
bool photo_meta_read(const std::string &path, PhotoMeta *meta, std::string *reason);

// GPSImgDirection as plan_parse's DirectionReader: false with *reason when
// the photograph cannot be read or recorded no direction.
bool photo_recorded_direction(const std::string &path, double *degrees, std::string *reason);

#endif
