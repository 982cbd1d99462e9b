#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Markwell/Doc.h"
#include "MarkwellTest.h"

using Automation::New;
using Automation::Ref;
using Markwell::Doc;
using Markwell::DocNode;
using Markwell::iagChild;
using MarkwellTest::isLibraryError;

namespace {

// a with children b (with child c) and d; e added without links.
Ref<Doc> sample() {
    auto doc = New<Doc>();
    doc->Add("", iagChild, "A", "a");
    doc->Add("A", iagChild, "B", "b");
    doc->Add("B", iagChild, "C", "c");
    doc->Add("A", iagChild, "D", "d");
    doc->Add("", iagChild, "E", "e");
    return doc;
}

std::string childNames(const Ref<DocNode>& node) {
    std::string names;
    for (auto child = node->Child(); child; child = child->NextSibling())
        names += child->Name();
    return names;
}

} // namespace

TEST(Doc, AddLinksChildrenInOrderAndGeneratesKeysNotInUse) {
    auto doc = New<Doc>();
    std::string key;
    auto root = doc->Add("Nowhere", 2, key, "root");
    EXPECT_EQ(key, "N1");
    for (const char* name : {"x", "y", "z"}) {
        key.clear();
        doc->Add("N1", iagChild, key, name, name);
    }
    EXPECT_EQ(key, "N4");
    EXPECT_EQ(childNames(root), "xyz");
    EXPECT_EQ(root->Children(), 3);
    auto y = doc->Item("n3");
    EXPECT_EQ(y->PreviousSibling()->Name() + y->FirstSibling()->Name() + y->LastSibling()->Name(), "xxz");
    EXPECT_EQ(doc->Item(4)->Root(), root);
    EXPECT_EQ(doc->Item(4)->Value(), Automation::Variant("z"));
    EXPECT_TRUE(root->Value().isMissing());

    // Without iagChild, or without a relative, a node gets no links.
    auto loose = doc->Add("N1", 2, "L", "loose");
    auto alone = doc->Add("", iagChild, "M", "alone");
    EXPECT_TRUE(loose->Parent().isNothing());
    EXPECT_TRUE(alone->PreviousSibling().isNothing());
    EXPECT_EQ(root->Children(), 3);
    EXPECT_EQ(errorNumberOf([&] { loose->FirstSibling(); }), Automation::RuntimeError::ObjectNotSet);

    // A generated key passes over keys that callers took.
    doc->Add("", 2, "n5", "taken");
    key.clear();
    doc->Add("", 2, key, "next");
    EXPECT_EQ(key, "N6");
}

TEST(Doc, FailedAddRaisesUnderItsSourceAndAddsNothing) {
    auto doc = sample();
    const char* source = "Markwell:Doc:Add Method";
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Add("A", iagChild, "F", "two words"); }), 101, source));
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Add("A", iagChild, "b", "dup"); }), 457, source));
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Add("Q", iagChild, "F", "f"); }), 5, source));
    // A node cannot become its own parent.
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Add("F", iagChild, "F", "f"); }), 5, source));
    EXPECT_EQ(doc->Count(), 5);

    auto node = doc->Item("C");
    EXPECT_TRUE(
        isError(raisedError([&] { node->setName("c d"); }), 101, "Markwell:DocNode:Name Property Let", ""));
    EXPECT_EQ(node->Name(), "c");
    node->setName("<c\t\"/>");
    EXPECT_EQ(node->Name(), "<c\t\"/>");
}

TEST(Doc, RemoveTakesTheSubtreeAndMendsTheChain) {
    auto doc = sample();
    auto a = doc->Item("A");
    doc->Remove("B");
    EXPECT_EQ(MarkwellTest::dump(*doc), "A a in - = Error\nD d in A = Error\nE e in - = Error\n");
    EXPECT_EQ(childNames(a), "d");
    EXPECT_TRUE(doc->Item("D")->PreviousSibling().isNothing());
    doc->Add("A", iagChild, "F", "f");
    EXPECT_EQ(childNames(a), "df");
    doc->Remove(4);
    EXPECT_EQ(childNames(a), "d");
    doc->Add("A", iagChild, "G", "g");
    EXPECT_EQ(childNames(a), "dg");
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Remove("Q"); }), 101, "Doc:Remove Method"));
    EXPECT_TRUE(isLibraryError(raisedError([&] { doc->Remove(9); }), 101, "Doc:Remove Method"));

    // Clear takes the first node's subtree only.
    doc->Clear();
    EXPECT_EQ(MarkwellTest::dump(*doc), "E e in - = Error\n");
    EXPECT_TRUE(a->Child().isNothing());
}

TEST(Doc, KeysWithCommasAreRemovedAsThemselves) {
    auto doc = New<Doc>();
    doc->Add("", iagChild, "a,b", "top");
    doc->Add("a,b", iagChild, "x,y", "child");
    for (const char* key : {"a", "b", "x"})
        doc->Add("", 2, key, key);
    doc->Remove("a,b");
    EXPECT_EQ(MarkwellTest::dump(*doc), "a a in - = Error\nb b in - = Error\nx x in - = Error\n");
}

TEST(Doc, LinksReadNothingOnceTheirNodeIsGone) {
    Ref<DocNode> keptC, keptE, keptB;
    {
        auto doc = sample();
        keptB = doc->Item("B");
        keptC = doc->Item("C");
        keptE = doc->Item("E");
        auto attributes = keptB->Attributes();
        attributes->Add("k", 1);
        doc->Remove("B");
        // A removed node still held keeps its place until it is released.
        EXPECT_EQ(attributes->Count(), 0);
        EXPECT_EQ(doc->Item("A")->Child(), keptB);
        keptB.reset();
        EXPECT_EQ(doc->Item("A")->Child()->Name(), "d");
        EXPECT_TRUE(keptC->Parent().isNothing());
        EXPECT_TRUE(doc->Item("D")->PreviousSibling().isNothing());
    }
    EXPECT_TRUE(keptE->Root().isNothing());
    EXPECT_TRUE(keptC->Root().isNothing());
}

TEST(Doc, PathUsesTheThreadsSeparator) {
    auto doc = sample();
    auto c = doc->Item("C");
    EXPECT_EQ(doc->Item("A")->Path(), "a");
    EXPECT_EQ(c->Path(), "a//b//c");
    EXPECT_EQ(c->Level(), 2);
    doc->setPathSeparator("/");
    EXPECT_EQ(c->Path(), "a/b/c");
    std::string other;
    std::thread([&] { other = New<Doc>()->PathSeparator() + "|" + c->Path(); }).join();
    EXPECT_EQ(other, "//|a//b//c");
    EXPECT_EQ(doc->PathSeparator(), "/");
    New<Doc>();
    EXPECT_EQ(c->Path(), "a//b//c");
}

TEST(Doc, SelectNodesSharesTheNodesWhosePathHoldsTheExpression) {
    auto doc = sample();
    doc->Add("D", iagChild, "ABC", "abc");
    doc->setPathSeparator("/");
    auto selection = doc->SelectNodes("b");
    EXPECT_EQ(doc->PathSeparator(), "//");
    EXPECT_EQ(MarkwellTest::dump(*selection), "B b in A = Error\nC c in B = Error\nABC abc in D = Error\n");
    EXPECT_EQ(selection->Item("c"), doc->Item("C"));
    EXPECT_EQ(selection->Item("C")->Path(), "a//b//c");
    EXPECT_EQ(doc->SelectNodes("B")->Count(), 0);
    // Removing through a selection fails on a child that it does not hold.
    auto d = doc->SelectNodes("d");
    doc->Add("D", iagChild, "X", "x");
    EXPECT_TRUE(isLibraryError(raisedError([&] { d->Remove("D"); }), 101, "Doc:Remove Method"));
}

TEST(Doc, SelectSingleNodeSearchesDepthFirst) {
    auto doc = sample();
    doc->Add("D", iagChild, "C2", "C");
    auto a = doc->Item("A");
    EXPECT_EQ(a->SelectSingleNode("A"), a);
    EXPECT_EQ(a->SelectSingleNode("D")->Key(), "D");
    EXPECT_TRUE(a->SelectSingleNode("c").isNothing());
    EXPECT_EQ(a->SelectSingleNode("c", true)->Key(), "C");
    EXPECT_EQ(doc->Item("D")->SelectSingleNode("c", true)->Key(), "C2");
    EXPECT_TRUE(doc->Item("B")->SelectSingleNode("d", true).isNothing());
}
