// Parsing: documents under cases/ with the tree each must give (cases/NAME.tree,
// "NULL" for a rejected text), plus the size conventions of xmlnode_from_str.
#include "log_capture.h"
#include "scratch.h"
#include "tree_dump.h"
#include "xmlnode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> case_names()
{
    std::vector<std::string> names;
    GDir *dir = g_dir_open(XMLNODE_CASES_DIR, 0, nullptr);
    if (!dir)
        return names;
    while (const char *entry = g_dir_read_name(dir)) {
        if (g_str_has_suffix(entry, ".xml"))
            names.emplace_back(entry, strlen(entry) - 4);
    }
    g_dir_close(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string parse_and_dump(const std::string &text, gssize size)
{
    xmlnode *root = xmlnode_from_str(text.c_str(), size);
    if (!root)
        return "NULL\n";
    std::string out = dump(root);
    std::string broken = broken_invariants(root);
    if (root->parent || root->next)
        broken += " root is not detached";
    xmlnode_free(root);
    return broken.empty() ? out : "broken: " + broken;
}

class ParseCase : public ::testing::TestWithParam<std::string>
{
};

TEST_P(ParseCase, GivesTheExpectedTree)
{
    const std::string base = std::string(XMLNODE_CASES_DIR) + "/" + GetParam();
    const std::string text = read_file(base + ".xml");
    const std::string expected = read_file(base + ".tree");
    LogCapture log;
    EXPECT_EQ(parse_and_dump(text, (gssize)text.size()), expected);
    EXPECT_TRUE(log.messages.empty()) << "the parser reports nothing of its own";
}

// Every prefix of a document is either rejected or a sound tree: the parser is
// never left with half-built state, whatever point the text stops at.
TEST_P(ParseCase, EveryPrefixIsRejectedOrSound)
{
    const std::string text = read_file(std::string(XMLNODE_CASES_DIR) + "/" + GetParam() + ".xml");
    for (size_t len = 1; len < text.size(); len++) {
        std::string got = parse_and_dump(text.substr(0, len), (gssize)len);
        EXPECT_EQ(got.rfind("broken", 0), std::string::npos) << "prefix " << len;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCase, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             for (char &c : name)
                                 if (!g_ascii_isalnum(c))
                                     c = '_';
                             return name;
                         });

TEST(ParseCases, AreAllThere)
{
    EXPECT_GE(case_names().size(), 15u);
}

TEST(ParseSize, NegativeMeasuresZeroRejectsPositiveBounds)
{
    const char *text = "<a>x</a>trailing garbage is not read";
    EXPECT_EQ(parse_and_dump("<a>x</a>", -1), "<a>\n  \"x\"\n");
    EXPECT_EQ(parse_and_dump("<a>x</a>", -7), "<a>\n  \"x\"\n");
    EXPECT_EQ(parse_and_dump(text, 0), "NULL\n");
    EXPECT_EQ(parse_and_dump(text, 8), "<a>\n  \"x\"\n");
    EXPECT_EQ(parse_and_dump(text, -1), "NULL\n");
}

TEST(ParseSize, EmbeddedNulIsRejected)
{
    const std::string text("<a>x\0y</a>", 10);
    EXPECT_EQ(parse_and_dump(text, (gssize)text.size()), "NULL\n");
}

TEST(ParseResult, IsSearchableLikeABuiltTree)
{
    const char *text = "<tour><slide><file>S001</file><next><forward>S002</forward></next>"
                       "</slide><slide xmlns='a'><file>S002</file></slide></tour>";
    xmlnode *root = xmlnode_from_str(text, -1);
    ASSERT_NE(root, nullptr);
    char *forward = xmlnode_get_data(xmlnode_get_child(root, "slide/next/forward"));
    EXPECT_STREQ(forward, "S002");
    g_free(forward);
    xmlnode *second = xmlnode_get_next_twin(xmlnode_get_child(root, "slide"));
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(xmlnode_get_attrib(second, "xmlns"), "a");
    EXPECT_EQ(xmlnode_get_child_with_namespace(root, "slide", "a"), second);
    xmlnode_free(root);
}

} // namespace
