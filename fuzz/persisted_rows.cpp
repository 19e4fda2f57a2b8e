// The persisted row reader on any document: a record set or a clean rt::Error, never a
// crash; what it reads, written and read again, writes the same document.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <string>

#include "dataaccess/persist.h"
#include "dom/native.h"
#include "runtime/error.h"

namespace {

std::string markupOf(const std::shared_ptr<ado::RowsetData>& data) {
    dom::OwnedTree tree(ado::persist::write(*data, true));
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemory(tree.get(), &text, &size);
    std::string out(reinterpret_cast<const char*>(text), size_t(size));
    xmlFree(text);
    return out;
}

void quiet(void*, const char*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dom::OwnedTree tree(xmlReadMemory(reinterpret_cast<const char*>(data), int(size), nullptr, "UTF-8",
                                      XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR));
    if (!tree) return 0;
    std::shared_ptr<ado::RowsetData> rows;
    try {
        rows = ado::persist::read(dom::native::documentElement(tree));
    } catch (const rt::Error& e) {
        if (e.description().empty()) std::abort();
        return 0;
    }
    const std::string first = markupOf(rows);
    dom::OwnedTree again(xmlReadMemory(first.data(), int(first.size()), nullptr, "UTF-8", XML_PARSE_NONET));
    if (!again) {
        std::fprintf(stderr, "MISMATCH the written document does not parse:\n%s\n", first.c_str());
        std::abort();
    }
    const std::string second = markupOf(ado::persist::read(dom::native::documentElement(again)));
    if (first != second) {
        std::fprintf(stderr, "MISMATCH read, write, read, write\n  first:  %s\n  second: %s\n", first.c_str(),
                     second.c_str());
        std::abort();
    }
    return 0;
}
