// Hostile shapes: nesting a million levels deep, and inputs built to push the
// parser, lookups, writers and copy past linear work. Each must finish on the
// default stack and give the same results as for any ordinary document.
#include "xmlnode.h"

#include "log_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

constexpr long million = 1000000;

// The sanitized build runs the big text run at a tenth of its size.
#if defined(__SANITIZE_ADDRESS__)
constexpr gsize big_text_len = 10 * 1000 * 1000;
constexpr bool sanitized = true;
#else
constexpr gsize big_text_len = 100 * 1000 * 1000;
constexpr bool sanitized = false;
#endif

struct Tree {
    xmlnode *root;
    explicit Tree(xmlnode *node) : root(node) {}
    ~Tree()
    {
        if (root)
            xmlnode_free(root);
    }
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;
};

std::string repeat(const std::string &unit, long count)
{
    std::string out;
    out.reserve(unit.size() * count);
    for (long i = 0; i < count; i++)
        out += unit;
    return out;
}

xmlnode *parse(const std::string &text)
{
    return xmlnode_from_str(text.data(), (gssize)text.size());
}

std::string compact(const xmlnode *node)
{
    int len = -1;
    char *text = xmlnode_to_str(node, &len);
    if (!text)
        return "(null)";
    std::string out(text, len);
    g_free(text);
    return out;
}

std::string data_of(const xmlnode *node)
{
    char *text = xmlnode_get_data(node);
    std::string out = text ? text : "(null)";
    g_free(text);
    return out;
}

// Levels below `node` along the first child element of each level.
long depth_below(const xmlnode *node)
{
    long depth = 0;
    for (;;) {
        const xmlnode *next = nullptr;
        for (const xmlnode *child = node->first_child; child; child = child->next) {
            if (child->type == XMLNODE_TYPE_TAG) {
                next = child;
                break;
            }
        }
        if (!next)
            return depth;
        node = next;
        depth++;
    }
}

long count_children(const xmlnode *node, XMLNodeType type)
{
    long count = 0;
    for (const xmlnode *child = node->first_child; child; child = child->next)
        count += child->type == type;
    return count;
}

// Name=value pairs of the attribute nodes in child-list order.
std::vector<std::string> attributes_of(const xmlnode *node)
{
    std::vector<std::string> out;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->type == XMLNODE_TYPE_ATTRIB)
            out.push_back(std::string(child->name) + "=" + child->data);
    }
    return out;
}

} // namespace

TEST(DeepNesting, ParsedMillionLevelsSurviveEveryOperation)
{
    const std::string text = repeat("<a n='v'>x", million) + repeat("y</a>", million);
    Tree tree(parse(text));
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(depth_below(tree.root), million - 1);

    std::string path = repeat("a/", million - 2) + "a";
    const xmlnode *deepest = xmlnode_get_child(tree.root, path.c_str());
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(count_children(deepest, XMLNODE_TYPE_TAG), 0);
    EXPECT_STREQ(xmlnode_get_attrib(deepest, "n"), "v");
    EXPECT_EQ(data_of(deepest), "xy");
    EXPECT_EQ(data_of(tree.root), "xy");
    EXPECT_EQ(xmlnode_get_child(tree.root, (path + "/a").c_str()), nullptr);

    // The written text is the input itself, so it parses back to this tree.
    EXPECT_EQ(compact(tree.root), text);

    Tree copy(xmlnode_copy(tree.root));
    ASSERT_NE(copy.root, nullptr);
    EXPECT_EQ(compact(copy.root), text);
}

TEST(DeepNesting, MillionLevelsCutShortOrMismatchedAreParseErrors)
{
    EXPECT_EQ(parse(repeat("<a>", million)), nullptr);
    EXPECT_EQ(parse(repeat("<a>", million) + "<a"), nullptr);
    EXPECT_EQ(parse(repeat("<a>", million) + "</b>" + repeat("</a>", million - 1)), nullptr);
    // The leak checker of the sanitized build tells whether the partial trees went.
}

TEST(DeepNesting, TreesBuiltThroughTheInterfaceSurviveEveryOperation)
{
    xmlnode *root = xmlnode_new("a");
    xmlnode *node = root;
    for (long i = 1; i < million; i++) {
        xmlnode_set_attrib(node, "k", "v");
        xmlnode_insert_data(node, "t", 1);
        node = xmlnode_new_child(node, "a");
    }
    Tree tree(root);
    EXPECT_EQ(depth_below(root), million - 1);
    EXPECT_EQ(xmlnode_get_child(root, (repeat("a/", million - 2) + "a").c_str()), node);

    const std::string text =
        repeat("<a k='v'>t", million - 1) + "<a/>" + repeat("</a>", million - 1);
    EXPECT_EQ(compact(root), text);
    Tree copy(xmlnode_copy(root));
    EXPECT_EQ(compact(copy.root), text);

    // Freeing alone, with nothing else walking the tree first.
    xmlnode *bare = xmlnode_new("a");
    node = bare;
    for (long i = 1; i < million; i++)
        node = xmlnode_new_child(node, "a");
    xmlnode_free(bare);
}

TEST(DeepNesting, FormattedTextIndentsEveryLevel)
{
    const long depth = 3000;
    xmlnode *root = xmlnode_new("a");
    xmlnode *node = root;
    for (long i = 1; i < depth; i++)
        node = xmlnode_new_child(node, "a");
    Tree tree(root);

    int len = -1;
    char *text = xmlnode_to_formatted_str(root, &len);
    ASSERT_NE(text, nullptr);
    std::string expected = "<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n";
    for (long d = 0; d < depth - 1; d++)
        expected += std::string(d, '\t') + "<a>\r\n";
    expected += std::string(depth - 1, '\t') + "<a/>\r\n";
    for (long d = depth - 2; d >= 0; d--)
        expected += std::string(d, '\t') + "</a>\r\n";
    EXPECT_EQ(std::string(text), expected);
    EXPECT_EQ((gsize)len, expected.size() - 43);
    g_free(text);
}

// Formatted text grows with the square of the depth: a million levels would
// need about a terabyte, past the int limit of its length, and are refused.
TEST(DeepNesting, FormattedTextPastTheIntLimitIsRefused)
{
    xmlnode *root = xmlnode_new("a");
    xmlnode *node = root;
    for (long i = 1; i < million; i++)
        node = xmlnode_new_child(node, "a");
    Tree tree(root);

    LogCapture log;
    int len = -7;
    EXPECT_EQ(xmlnode_to_formatted_str(root, &len), nullptr);
    EXPECT_EQ(len, -7);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], critical("xmlnode_to_str_helper", "text length <= G_MAXINT"));
}

// Attribute lists of every length up to past the point where the parser
// changes how it appends them, with names repeated: the same nodes, in the
// same order, as xmlnode_set_attrib called once per attribute.
TEST(AdversarialSize, RepeatedAttributeNamesKeepTheLastValueBehindTheOthers)
{
    for (int count = 1; count <= 40; count++) {
        std::string tag = "<t";
        xmlnode *expected = xmlnode_new("t");
        for (int i = 0; i < count; i++) {
            std::string name = "n" + std::to_string((i * 7) % (count / 3 + 1));
            std::string value = std::to_string(i);
            tag += " " + name + "='" + value + "'";
            xmlnode_set_attrib(expected, name.c_str(), value.c_str());
        }
        tag += "/>";
        Tree parsed(parse(tag));
        ASSERT_NE(parsed.root, nullptr) << tag;
        EXPECT_EQ(attributes_of(parsed.root), attributes_of(expected)) << tag;
        EXPECT_EQ(parsed.root->last_child->next, nullptr);
        EXPECT_EQ(compact(parsed.root), compact(expected));
        xmlnode_free(expected);
    }
}

TEST(AdversarialSize, TagsWithAsManyAttributesAsTheParserTakes)
{
    const int most = 1000;
    std::string unique = "<t";
    std::string repeated = "<t";
    for (int i = 0; i < most; i++) {
        unique += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        repeated += " a" + std::to_string(i % 10) + "='" + std::to_string(i) + "'";
    }
    unique += "/>";
    repeated += "/>";

    std::string repeated_written = "<t";
    for (int i = most - 10; i < most; i++)
        repeated_written += " a" + std::to_string(i % 10) + "='" + std::to_string(i) + "'";
    repeated_written += "/>";

    const long tags = sanitized ? 400 : 2000; // up to about 10 MB of start tags
    std::string text = "<r>";
    std::string written = "<r>";
    for (long i = 0; i < tags; i++) {
        text += i % 2 ? repeated : unique;
        written += i % 2 ? repeated_written : unique;
    }
    text += "</r>";
    written += "</r>";
    Tree tree(parse(text));
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(count_children(tree.root, XMLNODE_TYPE_TAG), tags);

    const xmlnode *first = xmlnode_get_child(tree.root, "t");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(count_children(first, XMLNODE_TYPE_ATTRIB), most);
    EXPECT_STREQ(xmlnode_get_attrib(first, "a999"), "999");
    const xmlnode *second = xmlnode_get_next_twin((xmlnode *)first);
    ASSERT_NE(second, nullptr);
    std::vector<std::string> last_ten;
    for (int i = most - 10; i < most; i++)
        last_ten.push_back("a" + std::to_string(i % 10) + "=" + std::to_string(i));
    EXPECT_EQ(attributes_of(second), last_ten);
    EXPECT_EQ(compact(tree.root), written);

    // Past the parser's own limit a tag is refused, and nothing is left over.
    std::string too_many = "<t";
    for (int i = 0; i < 2 * most; i++)
        too_many += " a" + std::to_string(i) + "=''";
    EXPECT_EQ(parse(too_many + "/>"), nullptr);
}

TEST(AdversarialSize, MillionSiblings)
{
    const std::string plain = "<r>" + repeat("<s/>", million) + "</r>";
    Tree tree(parse(plain));
    ASSERT_NE(tree.root, nullptr);
    long twins = 0;
    for (xmlnode *s = xmlnode_get_child(tree.root, "s"); s; s = xmlnode_get_next_twin(s))
        twins++;
    EXPECT_EQ(twins, million);
    EXPECT_EQ(xmlnode_get_child(tree.root, "missing"), nullptr);
    EXPECT_EQ(xmlnode_get_data(tree.root), nullptr);
    EXPECT_EQ(compact(tree.root), plain);
    Tree copy(xmlnode_copy(tree.root));
    EXPECT_EQ(compact(copy.root), plain);

    // Siblings in a namespace, found by namespace and walked twin by twin.
    const std::string spaced =
        "<r>" + repeat("<s xmlns='n'/><s/>", million / 2) + "<s xmlns='m'/></r>";
    Tree ns_tree(parse(spaced));
    ASSERT_NE(ns_tree.root, nullptr);
    xmlnode *s = xmlnode_get_child_with_namespace(ns_tree.root, "s", "m");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s, ns_tree.root->last_child);
    twins = 0;
    for (s = xmlnode_get_child_with_namespace(ns_tree.root, "s", "n"); s;
         s = xmlnode_get_next_twin(s))
        twins++;
    EXPECT_EQ(twins, million / 2);
}

TEST(AdversarialSize, OneLongTextRun)
{
    std::string text = "<r>";
    text.reserve(big_text_len + 16);
    text.append(big_text_len - 2, 'x');
    text += "&amp;</r>";
    Tree tree(parse(text));
    ASSERT_NE(tree.root, nullptr);
    gsize stored = 0;
    for (const xmlnode *child = tree.root->first_child; child; child = child->next) {
        ASSERT_EQ(child->type, XMLNODE_TYPE_DATA);
        stored += child->data_size;
    }
    EXPECT_EQ(stored, big_text_len - 1);
    char *data = xmlnode_get_data(tree.root);
    EXPECT_EQ(strlen(data), big_text_len - 1);
    EXPECT_EQ(data[big_text_len - 2], '&');
    g_free(data);
    EXPECT_EQ(compact(tree.root), text);
    Tree copy(xmlnode_copy(tree.root));
    EXPECT_EQ(compact(copy.root).size(), text.size());
}

TEST(AdversarialSize, ManyTinyCharacterDataRuns)
{
    const std::string split_by_elements = "<r>" + repeat("x<b/>", million) + "</r>";
    Tree tree(parse(split_by_elements));
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(count_children(tree.root, XMLNODE_TYPE_DATA), million);
    EXPECT_EQ(count_children(tree.root, XMLNODE_TYPE_TAG), million);
    EXPECT_EQ(data_of(tree.root), std::string(million, 'x'));
    EXPECT_EQ(compact(tree.root), split_by_elements);
    Tree copy(xmlnode_copy(tree.root));
    EXPECT_EQ(compact(copy.root), split_by_elements);

    // References and comments between runs: the tree holds only the text.
    const std::string split_by_comments = "<r>" + repeat("&lt;<!---->&#x41;", million) + "</r>";
    Tree commented(parse(split_by_comments));
    ASSERT_NE(commented.root, nullptr);
    EXPECT_EQ(data_of(commented.root), repeat("<A", million));
    EXPECT_EQ(compact(commented.root), "<r>" + repeat("&lt;A", million) + "</r>");
}
