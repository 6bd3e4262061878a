// The writers escape names, attribute values and character data byte for
// byte as GLib's g_markup_escape_text does, for every byte value.
#include "xmlnode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{

// What appending g_markup_escape_text's result gives: the escaped text up to
// its first NUL. The input is copied with zero padding, since GLib may look
// one byte past the end of a counted run.
std::string glib_escaped(const std::string &bytes)
{
    std::string padded = bytes + std::string(4, '\0');
    char *escaped = g_markup_escape_text(padded.data(), (gssize)bytes.size());
    std::string result = escaped; // stops at the first NUL, as appending does
    g_free(escaped);
    return result;
}

std::string compact(const xmlnode *node)
{
    char *text = xmlnode_to_str(node, NULL);
    std::string result = text ? text : "(null)";
    g_free(text);
    return result;
}

// An element named `name` with attribute a = `value` and `data` as content.
void expect_written_as_glib(const std::string &name, const std::string &value,
                            const std::string &data)
{
    xmlnode *node = xmlnode_new(name.c_str());
    xmlnode_set_attrib(node, "a", value.c_str());
    if (!data.empty())
        xmlnode_insert_data(node, data.data(), (gint32)data.size());
    std::string escaped_name = glib_escaped(name.c_str());
    std::string expected = "<" + escaped_name + " a='" + glib_escaped(value.c_str()) + "'";
    expected += data.empty() ? "/>" : ">" + glib_escaped(data) + "</" + escaped_name + ">";
    EXPECT_EQ(compact(node), expected)
        << "name " << testing::PrintToString(name) << ", value " << testing::PrintToString(value)
        << ", data " << testing::PrintToString(data);
    xmlnode_free(node);
}

TEST(Escaping, EveryByteAloneAndBetweenText)
{
    for (int c = 1; c < 256; c++) {
        std::string byte(1, (char)c);
        expect_written_as_glib("n" + byte, byte, byte);
        expect_written_as_glib("x" + byte + "y", "v" + byte + "w", "t" + byte + "u");
    }
}

TEST(Escaping, TwoByteSequencesFromTheC1Lead)
{
    // 0xc2 followed by each byte: the C1 controls become references, the
    // rest (and a lead at the very end of a run) pass through.
    for (int c = 0; c < 256; c++) {
        std::string pair = std::string("\xc2") + (char)c;
        expect_written_as_glib("e", "v", pair + "z");
        expect_written_as_glib("e", "v", "z" + pair);
        if (c)
            expect_written_as_glib("e\xc2" + std::string(1, (char)c), pair, pair);
    }
    expect_written_as_glib("e\xc2", "\xc2", "\xc2");
}

TEST(Escaping, CharacterDataStopsAtNul)
{
    expect_written_as_glib("e", "v", std::string("ab\0<c", 5));
    expect_written_as_glib("e", "v", std::string("\0&", 2));
}

TEST(Escaping, RandomByteStrings)
{
    std::mt19937 rng(20240601);
    // Weighted towards the bytes that matter: markup, controls, the C1 lead.
    const std::string interesting =
        std::string("&<>'\"\t\n\r\x01\x1f\x7f\xc2\x80\x85\x9f\xa0\xe2", 17);
    for (int round = 0; round < 3000; round++) {
        std::string pieces[3];
        for (std::string &piece : pieces) {
            int length = (int)(rng() % 24);
            for (int i = 0; i < length; i++) {
                char c = rng() % 2 ? interesting[rng() % interesting.size()] : (char)(rng() % 256);
                piece += c ? c : 'z'; // NUL is covered on its own
            }
        }
        if (pieces[0].empty())
            pieces[0] = "e";
        expect_written_as_glib(pieces[0], pieces[1], pieces[2]);
    }
}

} // namespace
