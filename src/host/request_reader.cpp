#include "request_reader.h"

#include "runtime/error.h"

namespace host {

namespace {

// Whether arrays and objects of text nest deeper than kMaxNesting; one pass, strings skipped.
bool nestsTooDeep(std::string_view text) {
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

}  // namespace

LineRead readLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf* buf = in.rdbuf();
    bool any = false;
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            if (!any) return LineRead::End;
            break;
        }
        any = true;
        if (c == '\n') break;
        if (line.size() == kMaxLineBytes) return LineRead::TooLong;
        line.push_back(char(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineRead::Line;
}

Json parseJsonText(std::string_view text) {
    if (nestsTooDeep(text))
        badRequest("the JSON nests arrays and objects deeper than " + std::to_string(kMaxNesting) + " levels");
    try {
        return Json::parse(text);
    } catch (const Json::parse_error& e) {
        badRequest(cutText(std::string("the line is not valid JSON: ") + e.what(), 200));
    } catch (const Json::exception& e) {
        // A number beyond the doubles (1e400) is the one other way parsing fails.
        std::string why = e.what();
        if (const size_t end = why.find("] "); why.rfind("[json.exception.", 0) == 0 && end != std::string::npos)
            why.erase(0, end + 2);
        badRequest(cutText("the line holds a number no double holds: " + why, 200));
    }
}

}  // namespace host
