// Building, changing and searching trees through the API.
#include "log_capture.h"
#include "tree_dump.h"
#include "xmlnode.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

std::string owned(char *text)
{
    std::string s = text ? text : "(null)";
    g_free(text);
    return s;
}

TEST(Tree, ChildrenAreAppendedInOrderAndOwned)
{
    Tree root(xmlnode_new("root"));
    xmlnode *a = xmlnode_new_child(root.get(), "a");
    xmlnode_insert_data(root.get(), "text", -1);
    xmlnode *b = xmlnode_new("b");
    xmlnode_insert_child(root.get(), b);
    xmlnode_set_attrib(b, "k", "v");

    EXPECT_EQ(dump(root.get()), "<root>\n  <a>\n  \"text\"\n  <b>\n    @k=v\n");
    EXPECT_EQ(broken_invariants(root.get()), "");
    EXPECT_EQ(a->parent, root.get());
    EXPECT_EQ(root->first_child, a);
    EXPECT_EQ(root->last_child, b);
    EXPECT_EQ(b->next, nullptr);
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(root->data, nullptr);
    EXPECT_EQ(root->data_size, 0u);
}

TEST(Tree, NamesAndValuesAreCopied)
{
    char name[] = "elem";
    char value[] = "value";
    Tree root(xmlnode_new(name));
    xmlnode_set_attrib(root.get(), name, value);
    name[0] = 'X';
    value[0] = 'X';
    EXPECT_STREQ(root->name, "elem");
    EXPECT_STREQ(xmlnode_get_attrib(root.get(), "elem"), "value");
}

TEST(Tree, InsertDataCountsBytesWithoutTerminator)
{
    Tree root(xmlnode_new("r"));
    xmlnode_insert_data(root.get(), "abc\0def", 7);
    xmlnode_insert_data(root.get(), "measured", -1);
    const xmlnode *counted = root->first_child;
    EXPECT_EQ(counted->type, XMLNODE_TYPE_DATA);
    EXPECT_EQ(counted->name, nullptr);
    EXPECT_EQ(counted->data_size, 7u);
    EXPECT_EQ(std::string(counted->data, 7), std::string("abc\0def", 7));
    EXPECT_EQ(root->last_child->data_size, 8u);
    EXPECT_EQ(std::string(root->last_child->data, 8), "measured");
}

TEST(Tree, InsertDataEdgeSizes)
{
    Tree root(xmlnode_new("r"));
    {
        LogCapture log;
        xmlnode_insert_data(root.get(), "abc", 0);
        xmlnode_insert_data(root.get(), "abc", -2);
        EXPECT_EQ(log.messages.size(), 2u);
        EXPECT_EQ(log.messages.at(0), critical("xmlnode_insert_data", "size != 0"));
    }
    EXPECT_EQ(root->first_child, nullptr);

    // -1 with an empty string passes the size test and appends an empty run.
    LogCapture log;
    xmlnode_insert_data(root.get(), "", -1);
    EXPECT_TRUE(log.messages.empty());
    ASSERT_NE(root->first_child, nullptr);
    EXPECT_EQ(root->first_child->type, XMLNODE_TYPE_DATA);
    EXPECT_EQ(root->first_child->data_size, 0u);
    EXPECT_EQ(root->first_child->data, nullptr);
    EXPECT_EQ(owned(xmlnode_get_data(root.get())), "");
}

TEST(Tree, SetAttribReplacesAndMovesBehindOtherChildren)
{
    Tree root(xmlnode_new("r"));
    xmlnode_set_attrib(root.get(), "x", "1");
    xmlnode_set_attrib(root.get(), "y", "2");
    xmlnode_new_child(root.get(), "child");
    xmlnode_insert_data(root.get(), "t", -1);
    xmlnode_set_attrib(root.get(), "x", "3");

    EXPECT_EQ(dump(root.get()), "<r>\n  @y=2\n  <child>\n  \"t\"\n  @x=3\n");
    EXPECT_STREQ(xmlnode_get_attrib(root.get(), "x"), "3");
    EXPECT_EQ(root->last_child->data_size, 0u);
    EXPECT_EQ(xmlnode_get_attrib(root.get(), "z"), nullptr);
    EXPECT_EQ(xmlnode_get_attrib(root.get(), nullptr), nullptr);
    EXPECT_EQ(xmlnode_get_attrib(root.get(), "child"), nullptr) << "elements are not attributes";
    EXPECT_EQ(broken_invariants(root.get()), "");
}

TEST(Tree, RemoveAttribKeepsListEnds)
{
    Tree only(xmlnode_new("r"));
    xmlnode_set_attrib(only.get(), "a", "1");
    xmlnode_remove_attrib(only.get(), "a");
    EXPECT_EQ(only->first_child, nullptr);
    EXPECT_EQ(only->last_child, nullptr);
    xmlnode_new_child(only.get(), "after");
    EXPECT_EQ(dump(only.get()), "<r>\n  <after>\n");
    EXPECT_EQ(broken_invariants(only.get()), "");

    Tree several(xmlnode_new("r"));
    xmlnode_new_child(several.get(), "e");
    xmlnode_set_attrib(several.get(), "b", "2");
    xmlnode_set_attrib(several.get(), "a", "1");
    xmlnode_remove_attrib(several.get(), "a");
    EXPECT_EQ(several->last_child->type, XMLNODE_TYPE_ATTRIB);
    EXPECT_EQ(several->last_child->next, nullptr);
    xmlnode_remove_attrib(several.get(), "b");
    EXPECT_STREQ(several->last_child->name, "e");
    xmlnode_insert_data(several.get(), "x", -1);
    EXPECT_EQ(dump(several.get()), "<r>\n  <e>\n  \"x\"\n");
    EXPECT_EQ(broken_invariants(several.get()), "");

    // An element or a missing name is not an attribute to remove.
    xmlnode_remove_attrib(several.get(), "e");
    xmlnode_remove_attrib(several.get(), "nothing");
    EXPECT_EQ(dump(several.get()), "<r>\n  <e>\n  \"x\"\n");
}

TEST(Tree, GetDataJoinsOnlyDirectRuns)
{
    Tree root(xmlnode_new("r"));
    EXPECT_EQ(xmlnode_get_data(root.get()), nullptr);
    xmlnode_set_attrib(root.get(), "a", "v");
    xmlnode *child = xmlnode_new_child(root.get(), "c");
    xmlnode_insert_data(child, "inner", -1);
    EXPECT_EQ(xmlnode_get_data(root.get()), nullptr) << "attributes and nested text do not count";

    xmlnode_insert_data(root.get(), "one", -1);
    xmlnode_new_child(root.get(), "d");
    xmlnode_insert_data(root.get(), " two", -1);
    EXPECT_EQ(owned(xmlnode_get_data(root.get())), "one two");
}

// <root><a id=1><b><c/></b></a><a id=2><b><c id=deep/></b><x/></a></root>
Tree path_tree()
{
    Tree root(xmlnode_new("root"));
    xmlnode *a1 = xmlnode_new_child(root.get(), "a");
    xmlnode_set_attrib(a1, "id", "1");
    xmlnode_new_child(xmlnode_new_child(a1, "b"), "c");
    xmlnode *a2 = xmlnode_new_child(root.get(), "a");
    xmlnode_set_attrib(a2, "id", "2");
    xmlnode *c2 = xmlnode_new_child(xmlnode_new_child(a2, "b"), "c");
    xmlnode_set_attrib(c2, "id", "deep");
    xmlnode_new_child(a2, "x");
    return root;
}

TEST(Lookup, PathsFollowTheFirstMatchOnly)
{
    Tree root = path_tree();
    xmlnode *a = xmlnode_get_child(root.get(), "a");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(xmlnode_get_attrib(a, "id"), "1");
    xmlnode *c = xmlnode_get_child(root.get(), "a/b/c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->parent->parent, a);
    // x lives only in the second a, which the path never tries.
    EXPECT_EQ(xmlnode_get_child(root.get(), "a/x"), nullptr);
    EXPECT_EQ(xmlnode_get_child(root.get(), "b"), nullptr) << "direct children only";
    EXPECT_EQ(xmlnode_get_child(root.get(), "id"), nullptr) << "attributes are not elements";
}

TEST(Lookup, EmptyStepsFindNothing)
{
    Tree root = path_tree();
    LogCapture log;
    EXPECT_EQ(xmlnode_get_child(root.get(), ""), nullptr);
    EXPECT_EQ(xmlnode_get_child(root.get(), "a/"), nullptr);
    EXPECT_EQ(xmlnode_get_child(root.get(), "/"), nullptr);
    EXPECT_EQ(xmlnode_get_child(root.get(), "a//c"), nullptr);
}

TEST(Lookup, NamespaceFiltersOnlyTheFirstStep)
{
    Tree root(xmlnode_new("root"));
    xmlnode *plain = xmlnode_new_child(root.get(), "item");
    xmlnode *prefixed = xmlnode_new_child(root.get(), "item");
    xmlnode_set_attrib(prefixed, "xmlns:p", "urn:a");
    xmlnode *in_ns = xmlnode_new_child(root.get(), "item");
    xmlnode_set_attrib(in_ns, "xmlns", "urn:a");
    xmlnode *inner = xmlnode_new_child(in_ns, "inner");
    xmlnode_set_attrib(inner, "xmlns", "urn:other");

    EXPECT_EQ(xmlnode_get_child_with_namespace(root.get(), "item", nullptr), plain);
    EXPECT_EQ(xmlnode_get_child_with_namespace(root.get(), "item", "urn:a"), in_ns);
    EXPECT_EQ(xmlnode_get_child_with_namespace(root.get(), "item", "urn:b"), nullptr);
    EXPECT_EQ(xmlnode_get_child_with_namespace(root.get(), "item/inner", "urn:a"), inner);
    EXPECT_EQ(xmlnode_get_child_with_namespace(root.get(), "p:item", "urn:a"), nullptr);
}

TEST(Lookup, NextTwinFollowsTheNamespaceOfTheFirst)
{
    Tree root(xmlnode_new("root"));
    xmlnode *s1 = xmlnode_new_child(root.get(), "slide");
    xmlnode_new_child(root.get(), "other");
    xmlnode *s2 = xmlnode_new_child(root.get(), "slide");
    xmlnode_set_attrib(s2, "xmlns", "a");
    xmlnode *s3 = xmlnode_new_child(root.get(), "slide");
    xmlnode_set_attrib(s3, "xmlns", "b");
    xmlnode *s4 = xmlnode_new_child(root.get(), "slide");
    xmlnode *s5 = xmlnode_new_child(root.get(), "slide");
    xmlnode_set_attrib(s5, "xmlns", "a");

    EXPECT_EQ(xmlnode_get_next_twin(s1), s2) << "no xmlns: any namespace follows";
    EXPECT_EQ(xmlnode_get_next_twin(s2), s5) << "xmlns a: only a later a";
    EXPECT_EQ(xmlnode_get_next_twin(s3), nullptr);
    EXPECT_EQ(xmlnode_get_next_twin(s4), s5);
    EXPECT_EQ(xmlnode_get_next_twin(s5), nullptr);
}

TEST(Preconditions, ReportBareNamesAndChangeNothing)
{
    Tree root(xmlnode_new("r"));
    xmlnode_set_attrib(root.get(), "a", "1");
    xmlnode *attr = root->first_child;
    std::string before = dump(root.get());

    LogCapture log;
    EXPECT_EQ(xmlnode_new(nullptr), nullptr);
    EXPECT_EQ(xmlnode_new_child(nullptr, "x"), nullptr);
    EXPECT_EQ(xmlnode_new_child(root.get(), nullptr), nullptr);
    xmlnode_insert_child(nullptr, root.get());
    xmlnode_insert_child(root.get(), nullptr);
    xmlnode_insert_data(nullptr, "x", -1);
    xmlnode_insert_data(root.get(), nullptr, -1);
    xmlnode_remove_attrib(nullptr, "a");
    xmlnode_remove_attrib(root.get(), nullptr);
    xmlnode_set_attrib(nullptr, "a", "v");
    xmlnode_set_attrib(root.get(), nullptr, "v");
    xmlnode_set_attrib(root.get(), "a", nullptr);
    EXPECT_EQ(xmlnode_get_attrib(nullptr, "a"), nullptr);
    xmlnode_free(nullptr);
    EXPECT_EQ(xmlnode_get_child(nullptr, "a"), nullptr);
    EXPECT_EQ(xmlnode_get_child(root.get(), nullptr), nullptr);
    EXPECT_EQ(xmlnode_get_child_with_namespace(nullptr, "a", "ns"), nullptr);
    EXPECT_EQ(xmlnode_get_data(nullptr), nullptr);
    EXPECT_EQ(xmlnode_get_next_twin(nullptr), nullptr);
    EXPECT_EQ(xmlnode_get_next_twin(attr), nullptr);
    EXPECT_EQ(xmlnode_from_str(nullptr, -1), nullptr);

    const std::vector<std::string> expected = {
        critical("xmlnode_new", "name != NULL"),
        critical("xmlnode_new_child", "parent != NULL"),
        critical("xmlnode_new_child", "name != NULL"),
        critical("xmlnode_insert_child", "parent != NULL"),
        critical("xmlnode_insert_child", "child != NULL"),
        critical("xmlnode_insert_data", "node != NULL"),
        critical("xmlnode_insert_data", "data != NULL"),
        critical("xmlnode_remove_attrib", "node != NULL"),
        critical("xmlnode_remove_attrib", "attr != NULL"),
        critical("xmlnode_set_attrib", "node != NULL"),
        critical("xmlnode_set_attrib", "attr != NULL"),
        critical("xmlnode_set_attrib", "value != NULL"),
        critical("xmlnode_get_attrib", "node != NULL"),
        critical("xmlnode_free", "node != NULL"),
        critical("xmlnode_get_child_with_namespace", "parent != NULL"),
        critical("xmlnode_get_child_with_namespace", "name != NULL"),
        critical("xmlnode_get_child_with_namespace", "parent != NULL"),
        critical("xmlnode_get_data", "node != NULL"),
        critical("xmlnode_get_next_twin", "node != NULL"),
        critical("xmlnode_get_next_twin", "node->type == XMLNODE_TYPE_TAG"),
        critical("xmlnode_from_str", "str != NULL"),
    };
    EXPECT_EQ(log.messages, expected);
    EXPECT_EQ(dump(root.get()), before);
}

TEST(Preconditions, ArgumentsAreTestedInOrder)
{
    LogCapture log;
    xmlnode_insert_data(nullptr, nullptr, 0);
    xmlnode_set_attrib(nullptr, nullptr, nullptr);
    EXPECT_EQ(xmlnode_new_child(nullptr, nullptr), nullptr);
    const std::vector<std::string> expected = {
        critical("xmlnode_insert_data", "node != NULL"),
        critical("xmlnode_set_attrib", "node != NULL"),
        critical("xmlnode_new_child", "parent != NULL"),
    };
    EXPECT_EQ(log.messages, expected);
}

} // namespace
