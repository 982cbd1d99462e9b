// Writes and reads back an XML document of 10,000 and of 100,000 nodes and
// prints both times and their ratio as its last line ("ratio 10.4"); a cost
// that grows linearly gives a ratio near 10.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "Markwell/Doc.h"

namespace {

// A root with groups of nine items: texts, numbers, Booleans and attributes,
// as the stored settings and package documents hold them.
Automation::Ref<Markwell::Doc> makeDocument(int32_t nodes) {
    auto doc = Automation::New<Markwell::Doc>();
    doc->Add("", Markwell::iagChild, "Root", "Document");
    std::string group;
    for (int32_t i = 1; i < nodes; ++i) {
        if (i % 10 == 1) {
            group = "G" + std::to_string(i);
            doc->Add("Root", Markwell::iagChild, group, "Group")->Attributes()->Add("Index", i);
            continue;
        }
        Automation::Variant value;
        switch (i % 3) {
        case 0:
            value = "Item text number " + std::to_string(i);
            break;
        case 1:
            value = i * 0.5;
            break;
        default:
            value = i % 2 == 0;
            break;
        }
        auto node = doc->Add(group, Markwell::iagChild, "", "Item", value);
        if (i % 4 == 0)
            node->Attributes()->Add("Name", "item \"" + std::to_string(i) + "\"");
    }
    return doc;
}

// The best of a few runs of writing the document with indentation and
// reading the text into a new document.
double writeAndRead(int32_t nodes) {
    auto doc = makeDocument(nodes);
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        std::string text = doc->WriteXML(true);
        auto copy = Automation::New<Markwell::Doc>();
        copy->ReadXML(text);
        auto stop = std::chrono::steady_clock::now();
        if (copy->Count() != nodes) {
            std::fprintf(stderr, "read back %d of %d nodes\n", copy->Count(), nodes);
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

} // namespace

int main() {
    double small = writeAndRead(10000);
    std::printf("10000 nodes: write and read %.1f ms\n", small);
    double large = writeAndRead(100000);
    std::printf("100000 nodes: write and read %.1f ms\n", large);
    std::printf("ratio %.1f\n", large / small);
    return 0;
}
