// The literal marking of the query helpers (sUnicodeSql) on any text, checked against what
// it may do: only insert an N before a quote that opens a literal, and nothing on a second
// pass.
#include "data/query.h"
#include "fuzz_support.h"

using rt::Str;

namespace {

// text with the national prefix before every quote removed ("N'" and "n'" become "'").
Str withoutPrefixes(const Str& text) {
    Str out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == u'N' || text[i] == u'n') && i + 1 < text.size() && text[i + 1] == u'\'') continue;
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Str input = fuzz::latin1(data, size);
    const Str marked = velmora::sUnicodeSql(input);
    if (!input.empty() && input[0] == u'*') {
        fuzz::expectEqual("sent as written", input, marked, input.substr(1));
        return 0;
    }
    fuzz::expectEqual("only prefixes added", input, withoutPrefixes(marked), withoutPrefixes(input));
    if (marked.empty() || marked[0] != u'*') fuzz::expectEqual("second pass", input, velmora::sUnicodeSql(marked), marked);
    return 0;
}
