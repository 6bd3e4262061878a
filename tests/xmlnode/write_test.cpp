// Writing trees back as text, compact and formatted, and deep copies.
#include "log_capture.h"
#include "tree_dump.h"
#include "xmlnode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace
{

const std::string declaration = "<?xml version='1.0' encoding='UTF-8' ?>\r\n\r\n";

// Text and stored length of one writer call; the length must match the text.
struct Written {
    std::string text;
    int len;
};

Written written_by(char *(*writer)(const xmlnode *, int *), const xmlnode *node)
{
    int len = -12345;
    char *text = writer(node, &len);
    Written w{text ? text : "(null)", len};
    g_free(text);
    return w;
}

Written compact(const xmlnode *node)
{
    return written_by(xmlnode_to_str, node);
}

Written formatted(const xmlnode *node)
{
    return written_by(xmlnode_to_formatted_str, node);
}

Tree parse(const char *text)
{
    return Tree(xmlnode_from_str(text, -1));
}

TEST(WriteCompact, TagsAttributesAndTextWithoutLayout)
{
    Tree root = parse("<root x='1' y=\"two words\">first<child/><e a='b'></e>second</root>");
    ASSERT_TRUE(root);
    Written w = compact(root.get());
    EXPECT_EQ(w.text, "<root x='1' y='two words'>first<child/><e a='b'/>second</root>");
    EXPECT_EQ(w.len, (int)w.text.size());
}

TEST(WriteCompact, AttributesGoInsideTheStartTagWhereverTheyStand)
{
    Tree root(xmlnode_new("r"));
    xmlnode_set_attrib(root.get(), "a", "1");
    xmlnode_new_child(root.get(), "c");
    xmlnode_set_attrib(root.get(), "b", "2");
    xmlnode_set_attrib(root.get(), "a", "3"); // replaced: now last
    EXPECT_EQ(compact(root.get()).text, "<r b='2' a='3'><c/></r>");

    Tree only_attrs(xmlnode_new("only"));
    xmlnode_set_attrib(only_attrs.get(), "k", "v");
    EXPECT_EQ(compact(only_attrs.get()).text, "<only k='v'/>");
}

TEST(WriteCompact, EscapesNamesValuesAndText)
{
    Tree root(xmlnode_new("a&b"));
    xmlnode_set_attrib(root.get(), "q<", "it's \"x\" & <y>");
    xmlnode_insert_data(root.get(), "1 < 2 & 'q' > \"z\"", -1);
    EXPECT_EQ(compact(root.get()).text,
              "<a&amp;b q&lt;='it&apos;s &quot;x&quot; &amp; &lt;y&gt;'>"
              "1 &lt; 2 &amp; &apos;q&apos; &gt; &quot;z&quot;</a&amp;b>");
}

TEST(WriteCompact, TextIsBoundedByItsCount)
{
    Tree root(xmlnode_new("r"));
    xmlnode_insert_data(root.get(), "abcdef", 3);
    xmlnode_insert_data(root.get(), "", -1); // length 0: nothing
    EXPECT_EQ(compact(root.get()).text, "<r>abc</r>");

    Tree empty_run(xmlnode_new("r"));
    xmlnode_insert_data(empty_run.get(), "", -1);
    EXPECT_EQ(compact(empty_run.get()).text, "<r></r>");
}

TEST(WriteFormatted, NestedElementsAreIndentedWithTabsAndCrLf)
{
    Tree a(xmlnode_new("a"));
    xmlnode_new_child(xmlnode_new_child(a.get(), "b"), "c");
    Written w = formatted(a.get());
    const std::string body = "<a>\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n</a>\r\n";
    EXPECT_EQ(w.text, declaration + body);
    EXPECT_EQ(w.len, (int)body.size());
    EXPECT_EQ(w.len + 43, (int)w.text.size());
}

TEST(WriteFormatted, TextSwitchesLayoutOffInsideItsElement)
{
    // <root><p>hi<b/><q><r/></q></p><s/></root>
    Tree root(xmlnode_new("root"));
    xmlnode *p = xmlnode_new_child(root.get(), "p");
    xmlnode_insert_data(p, "hi", -1);
    xmlnode_new_child(p, "b");
    xmlnode_new_child(xmlnode_new_child(p, "q"), "r");
    xmlnode_new_child(root.get(), "s");
    EXPECT_EQ(formatted(root.get()).text,
              declaration + "<root>\r\n\t<p>hi<b/><q><r/></q></p>\r\n\t<s/>\r\n</root>\r\n");

    // A length-0 run switches layout off too, and writes nothing.
    Tree e(xmlnode_new("e"));
    xmlnode *inner = xmlnode_new_child(e.get(), "inner");
    xmlnode_insert_data(inner, "", -1);
    xmlnode_new_child(inner, "x");
    EXPECT_EQ(formatted(e.get()).text, declaration + "<e>\r\n\t<inner><x/></inner>\r\n</e>\r\n");
}

TEST(WriteFormatted, ParsedLayoutIsKeptAsText)
{
    // The white space a parsed file holds is character data, so its elements
    // are written back compact rather than laid out a second time.
    Tree root = parse("<t>\n  <s>x</s>\n</t>");
    ASSERT_TRUE(root);
    EXPECT_EQ(formatted(root.get()).text, declaration + "<t>\n  <s>x</s>\n</t>\r\n");
}

TEST(WriteCompact, ParseWriteParseGivesTheSameTree)
{
    const char *docs[] = {
        "<tour>\n\t<slide id='1'><file>S001</file><next><left>S002</left></next></slide>\n</tour>",
        "<a x=\"&lt;&amp;&apos;&quot;\">&lt;&gt;&amp; caf\xc3\xa9<b/>tail<c><d>deep</d></c></a>",
        "<p:a xmlns:p='u' xmlns='v'><p:b p:c='d'/></p:a>",
    };
    for (const char *doc : docs) {
        Tree first = parse(doc);
        ASSERT_TRUE(first) << doc;
        Written w = compact(first.get());
        Tree second = parse(w.text.c_str());
        ASSERT_TRUE(second) << w.text;
        EXPECT_EQ(dump(second.get()), dump(first.get())) << doc;
        EXPECT_EQ(compact(second.get()).text, w.text);
    }
}

TEST(WriteFormatted, OutputParsesBackToTheLaidOutTree)
{
    Tree root(xmlnode_new("tour"));
    xmlnode *slide = xmlnode_new_child(root.get(), "slide");
    xmlnode_insert_data(xmlnode_new_child(slide, "file"), "S001", -1);
    xmlnode_insert_data(xmlnode_new_child(xmlnode_new_child(slide, "next"), "up"), "S002", -1);
    Written w = formatted(root.get());
    Tree back = parse(w.text.c_str());
    ASSERT_TRUE(back);
    char *up = xmlnode_get_data(xmlnode_get_child(back.get(), "slide/next/up"));
    EXPECT_STREQ(up, "S002");
    g_free(up);
}

TEST(WritePreconditions, NullAndNonElementNodes)
{
    Tree root(xmlnode_new("r"));
    xmlnode_set_attrib(root.get(), "a", "1");
    xmlnode_insert_data(root.get(), "text", -1);
    LogCapture log;
    int len = 77;
    EXPECT_EQ(xmlnode_to_str(nullptr, &len), nullptr);
    EXPECT_EQ(xmlnode_to_formatted_str(nullptr, &len), nullptr);
    EXPECT_EQ(xmlnode_to_str(root->first_child, &len), nullptr);
    EXPECT_EQ(xmlnode_to_formatted_str(root->last_child, &len), nullptr);
    EXPECT_EQ(xmlnode_copy(nullptr), nullptr);
    EXPECT_EQ(len, 77) << "no length is stored without text";
    const std::vector<std::string> expected = {
        critical("xmlnode_to_str_helper", "node != NULL"),
        critical("xmlnode_to_formatted_str", "node != NULL"),
        critical("xmlnode_to_str_helper", "node->type == XMLNODE_TYPE_TAG"),
        critical("xmlnode_to_formatted_str", "node->type == XMLNODE_TYPE_TAG"),
        critical("xmlnode_copy", "src != NULL"),
    };
    EXPECT_EQ(log.messages, expected);
    char *text = xmlnode_to_str(root.get(), nullptr);
    EXPECT_STREQ(text, "<r a='1'>text</r>") << "len may be null";
    g_free(text);
}

TEST(Copy, IsDeepDetachedAndIndependent)
{
    Tree src = parse("<outer><root x='1'>text<child y='2'>inner</child><e/></root></outer>");
    ASSERT_TRUE(src);
    xmlnode *root = xmlnode_get_child(src.get(), "root");
    Tree copy(xmlnode_copy(root));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->parent, nullptr);
    EXPECT_EQ(copy->next, nullptr);
    EXPECT_EQ(broken_invariants(copy.get()), "");
    EXPECT_EQ(dump(copy.get()), dump(root));
    EXPECT_EQ(compact(copy.get()).text, compact(root).text);

    // Changing either side leaves the other as it was.
    const std::string before = dump(root);
    xmlnode_set_attrib(copy.get(), "x", "changed");
    xmlnode_new_child(xmlnode_get_child(copy.get(), "child"), "added");
    EXPECT_EQ(dump(root), before);
    const std::string copied = dump(copy.get());
    xmlnode_set_attrib(root, "z", "3");
    src.reset();
    EXPECT_EQ(dump(copy.get()), copied);
}

TEST(Copy, KeepsCountedTextAndStringValues)
{
    Tree src(xmlnode_new("r"));
    xmlnode_insert_data(src.get(), "a\0b", 3);
    xmlnode_set_attrib(src.get(), "k", "value");
    xmlnode_insert_data(src.get(), "", -1);
    Tree copy(xmlnode_copy(src.get()));
    const xmlnode *text = copy->first_child;
    EXPECT_EQ(text->data_size, 3u);
    EXPECT_EQ(std::string(text->data, 3), std::string("a\0b", 3));
    EXPECT_NE(text->data, src->first_child->data);
    const xmlnode *attr = text->next;
    EXPECT_EQ(attr->data_size, 0u);
    EXPECT_STREQ(attr->data, "value");
    EXPECT_EQ(attr->next->data, nullptr);
    EXPECT_EQ(attr->next->data_size, 0u);

    // Any node may be copied, not only elements.
    Tree lone_attr(xmlnode_copy(src->first_child->next));
    EXPECT_EQ(lone_attr->type, XMLNODE_TYPE_ATTRIB);
    EXPECT_STREQ(lone_attr->name, "k");
    EXPECT_EQ(lone_attr->parent, nullptr);
    EXPECT_EQ(lone_attr->next, nullptr);
}

} // namespace
