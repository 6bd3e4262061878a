// data.xml in the encodings editors save it in.
#include "files.h"
#include "tour_text.h"
#include "xmlnode.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct EncodingCase {
    const char *what;
    std::string bytes;
    std::string utf8;  // the text after conversion; empty when it must fail
    const char *error; // a part of the failure message
};

std::string utf16le(const std::string &ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

const std::string decl_latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?>";
const std::string decl_cp1252 = "<?xml version=\"1.0\" encoding = \"windows-1252\" ?>";

const EncodingCase cases[] = {
    {"UTF-8 stays", "<t>caf\xC3\xA9</t>", "<t>caf\xC3\xA9</t>", nullptr},
    {"UTF-8 declared Latin-1 stays", decl_latin1 + "<t>caf\xC3\xA9</t>",
     decl_latin1 + "<t>caf\xC3\xA9</t>", nullptr},
    {"UTF-8 byte-order mark stays", "\xEF\xBB\xBF<t/>", "\xEF\xBB\xBF<t/>", nullptr},
    {"Latin-1 converted", decl_latin1 + "<t>caf\xE9</t>", decl_latin1 + "<t>caf\xC3\xA9</t>",
     nullptr},
    {"windows-1252 converted", decl_cp1252 + "<t>\x80</t>", decl_cp1252 + "<t>\xE2\x82\xAC</t>",
     nullptr},
    {"UTF-16 LE converted", utf16le("<t>x</t>"), "<t>x</t>", nullptr},
    {"UTF-16 BE converted", std::string("\xFE\xFF\0<\0t\0/\0>", 10), "<t/>", nullptr},
    {"declared UTF8, one Latin-1 byte left to the parser",
     "<?xml version='1.0' encoding='UTF8'?><!-- caf\xE9 --><t/>",
     "<?xml version='1.0' encoding='UTF8'?><!-- caf\xE9 --><t/>", nullptr},
    {"undeclared invalid UTF-8 left to the parser", "<t>caf\xE9</t>", "<t>caf\xE9</t>", nullptr},
    {"bytes outside windows-1252", decl_cp1252 + "<t>\x81</t>", "", "windows-1252"},
    {"unknown encoding", "<?xml version='1.0' encoding='x-none'?><t>\xE9</t>", "",
     "declares x-none, an encoding this system cannot convert"},
    {"odd UTF-16", utf16le("<t/>") + "<", "", "UTF-16LE"},
};

TEST(TourText, ConvertsWhatIsNotUtf8AndKeepsWhatIs)
{
    for (const EncodingCase &c : cases) {
        char *text = static_cast<char *>(g_malloc(c.bytes.size() + 1));
        memcpy(text, c.bytes.data(), c.bytes.size());
        text[c.bytes.size()] = '\0';
        gsize length = c.bytes.size();
        GError *error = nullptr;
        gboolean ok = tour_text_to_utf8(&text, &length, &error);
        if (c.error) {
            EXPECT_FALSE(ok) << c.what;
            ASSERT_NE(error, nullptr) << c.what;
            EXPECT_NE(std::string(error->message).find(c.error), std::string::npos)
                << c.what << ": " << error->message;
            EXPECT_EQ(std::string(text, length), c.bytes) << c.what << ": text unchanged";
        } else {
            EXPECT_TRUE(ok) << c.what << ": " << (error ? error->message : "");
            EXPECT_EQ(std::string(text, length), c.utf8) << c.what;
            EXPECT_EQ(text[length], '\0') << c.what;
        }
        if (error)
            g_error_free(error);
        g_free(text);
    }
}

// Every document the tests and fuzzers keep that the XML module reads today
// reaches it byte for byte as it was.
TEST(TourText, DocumentsThatLoadTodayStayAsTheyAre)
{
    int seen = 0;
    for (const char *dir :
         {"tests/fuzz/corpus/tour", "tests/fuzz/corpus/xml", "tests/xmlnode/cases"}) {
        std::string path = std::string(SOURCE_DIR) + "/" + dir;
        GDir *listing = g_dir_open(path.c_str(), 0, nullptr);
        ASSERT_NE(listing, nullptr) << path;
        while (const char *name = g_dir_read_name(listing)) {
            std::string bytes = read_file(path + "/" + name);
            xmlnode *root = xmlnode_from_str(bytes.data(), (gssize)bytes.size());
            if (!root)
                continue;
            xmlnode_free(root);
            seen++;
            char *text = g_strndup(bytes.data(), bytes.size());
            gsize length = bytes.size();
            EXPECT_TRUE(tour_text_to_utf8(&text, &length, nullptr)) << name;
            EXPECT_EQ(std::string(text, length), bytes) << name;
            g_free(text);
        }
        g_dir_close(listing);
    }
    EXPECT_GT(seen, 20);
}

} // namespace
