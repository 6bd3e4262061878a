// Whole files in and out, with GLib's reasons.
#include "webexport.h"

bool read_bytes(const std::string &path, std::string *bytes, std::string *error)
{
    char *read = NULL;
    gsize length = 0;
    GError *failure = NULL;
    if (!read_whole_file(path.c_str(), &read, &length, &failure)) {
        *error = failure->message;
        g_error_free(failure);
        return false;
    }
    bytes->assign(read, length);
    g_free(read);
    return true;
}

bool write_bytes(const std::string &path, const std::string &bytes, std::string *error)
{
    GError *failure = NULL;
    if (g_file_set_contents(path.c_str(), bytes.data(), (gssize)bytes.size(), &failure))
        return true;
    *error = failure->message;
    g_error_free(failure);
    return false;
}
