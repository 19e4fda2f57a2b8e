// The T-SQL dialect rewrite on any statement: nothing changes for a database that speaks
// both forms; dropping national prefixes only removes N and n characters and is done after
// one pass; the row-limit rewrite never fails.
#include <string>
#include <string_view>

#include "dataaccess/dialect.h"
#include "fuzz_support.h"

namespace {

[[noreturn]] void fail(const char* what, std::string_view in, const std::string& out) {
    std::fprintf(stderr, "MISMATCH %s\n  input:  [%.*s]\n  output: [%s]\n", what, int(in.size()), in.data(), out.c_str());
    std::abort();
}

// Whether out is in with some N or n characters left out.
bool dropsOnlyPrefixes(std::string_view in, std::string_view out) {
    size_t j = 0;
    for (char c : in) {
        if (j < out.size() && out[j] == c) ++j;
        else if (c != 'N' && c != 'n') return false;
    }
    return j == out.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view sql(reinterpret_cast<const char*>(data), size);
    const std::string same = ado::rewriteStatement(sql, {true, true});
    if (same != sql) fail("a database that speaks T-SQL gets it as written", sql, same);

    const std::string plain = ado::rewriteStatement(sql, {false, true});
    if (!dropsOnlyPrefixes(sql, plain)) fail("only prefixes dropped", sql, plain);
    if (ado::rewriteStatement(plain, {false, true}) != plain) fail("one pass drops every prefix", sql, plain);

    (void)ado::rewriteStatement(sql, {false, false});
    (void)ado::rewriteStatement(sql, {true, false});
    return 0;
}
