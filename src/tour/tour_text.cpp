#include "tour_text.h"

#include <string.h>

#include "whole_file.h"

// The encoding a UTF-16 byte-order mark announces, or null.
static const char *utf16_encoding(const char *raw, gsize length)
{
    if (length < 2)
        return NULL;
    if (memcmp(raw, "\xFF\xFE", 2) == 0)
        return "UTF-16LE";
    if (memcmp(raw, "\xFE\xFF", 2) == 0)
        return "UTF-16BE";
    return NULL;
}

// The value of encoding="..." in an XML declaration at the very start, or
// null. The declaration is ASCII in every encoding this reads.
static char *declared_encoding(const char *raw, gsize length)
{
    if (length < 5 || memcmp(raw, "<?xml", 5) != 0)
        return NULL;
    const char *end = static_cast<const char *>(memchr(raw, '>', length));
    if (!end)
        return NULL;
    char *declaration = g_strndup(raw, (gsize)(end - raw));
    char *encoding = NULL;
    if (const char *key = strstr(declaration, "encoding")) {
        const char *p = key + strlen("encoding");
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            p++;
        if (*p == '=') {
            p++;
            while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
                p++;
            const char *close = (*p == '"' || *p == '\'') ? strchr(p + 1, *p) : NULL;
            if (close && close > p + 1)
                encoding = g_strndup(p + 1, (gsize)(close - p - 1));
        }
    }
    g_free(declaration);
    return encoding;
}

static bool names_utf8(const char *encoding)
{
    return g_ascii_strcasecmp(encoding, "UTF-8") == 0 || g_ascii_strcasecmp(encoding, "UTF8") == 0;
}

// Replaces the text by its conversion from `from`, skipping `skip` leading
// bytes (a byte-order mark); on failure the text stays and `error` says why.
static gboolean convert(char **text, gsize *length, gsize skip, const char *from, const char *why,
                        GError **error)
{
    GIConv converter = g_iconv_open("UTF-8", from);
    if (converter == (GIConv)-1) {
        g_set_error(error, G_CONVERT_ERROR, G_CONVERT_ERROR_NO_CONVERSION,
                    "%s, an encoding this system cannot convert", why);
        return FALSE;
    }
    g_iconv_close(converter);
    GError *failure = NULL;
    gsize written = 0;
    char *converted =
        g_convert(*text + skip, (gssize)(*length - skip), "UTF-8", from, NULL, &written, &failure);
    if (!converted) {
        g_set_error(error, G_CONVERT_ERROR, failure->code,
                    "%s, but its bytes are not valid %s (%s)", why, from, failure->message);
        g_error_free(failure);
        return FALSE;
    }
    g_free(*text);
    *text = converted;
    *length = written;
    return TRUE;
}

gboolean tour_text_to_utf8(char **text, gsize *length, GError **error)
{
    const char *from = utf16_encoding(*text, *length);
    if (from)
        return convert(text, length, 2, from, "it starts with a UTF-16 byte-order mark", error);
    // Valid UTF-8 is read as it is, whatever the declaration says; so is text
    // that names no other encoding, which the parser judges as it always has.
    if (g_utf8_validate(*text, (gssize)*length, NULL))
        return TRUE;
    char *encoding = declared_encoding(*text, *length);
    gboolean ok = TRUE;
    if (encoding && !names_utf8(encoding)) {
        char *why = g_strdup_printf("it is not UTF-8 and declares %s", encoding);
        ok = convert(text, length, 0, encoding, why, error);
        g_free(why);
    }
    g_free(encoding);
    return ok;
}

gboolean read_tour_text(const char *path, char **text, gsize *length, GError **error)
{
    if (!read_whole_file(path, text, length, error))
        return FALSE;
    if (tour_text_to_utf8(text, length, error))
        return TRUE;
    g_free(*text);
    *text = NULL;
    return FALSE;
}
