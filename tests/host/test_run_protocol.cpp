// The `velmora run` protocol, driven through the real executable.
#include "host_testing.h"

namespace host::testing {
namespace {

Json str(const std::string& s) { return Json{{"type", "string"}, {"value", s}}; }

class RunProtocol : public HostTest {};

TEST_F(RunProtocol, AnswersEachRequestInOrderEchoingIds) {
    auto r = answers({{{"id", 1}, {"let", "a"}, {"value", "x"}},
                      {{"id", "two"}, {"print", "a"}},
                      {{"print", "a"}},
                      {{"id", Json{{"nested", true}}}, {"let", "b"}, {"value", 2}}});
    EXPECT_EQ(r[0]["id"], 1);
    EXPECT_EQ(r[1]["id"], "two");
    EXPECT_FALSE(r[2].contains("id"));
    EXPECT_EQ(r[3]["id"], (Json{{"nested", true}}));
    EXPECT_EQ(r[1].dump(), R"({"id":"two","ok":true,"value":{"type":"string","value":"x"},"byref":{},"messages":[]})");
}

TEST_F(RunProtocol, SkipsBlankAndCommentLinesAndEndsWithStatusZero) {
    HostRun r = runText("\n   \n# a comment\n  # an indented one\n{\"let\": \"a\", \"value\": 1}\r\n\n");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.responses().size(), 1u);
    EXPECT_EQ(r.responses()[0]["value"], (Json{{"type", "i4"}, {"value", 1}}));
    EXPECT_EQ(runText("").status, 0);
}

TEST_F(RunProtocol, MalformedLinesGetClearErrorsAndTheHostGoesOn) {
    HostRun r = runText(
        "this is not json\n"
        "[1, 2]\n"
        "{}\n"
        "{\"id\": 7, \"call\": \"strVal\", \"let\": \"x\"}\n"
        "{\"id\": 8, \"let\": \"x\", \"value\": 1, \"valeu\": 2}\n"
        "{\"id\": 9, \"let\": \"x\"}\n"
        "{\"id\": 10, \"print\": \"never bound\"}\n"
        "{\"id\": 11, \"let\": \"x\", \"value\": {\"type\": \"wat\"}}\n"
        "{\"id\": 12, \"let\": \"x\", \"value\": {\"type\": \"i2\", \"value\": 70000}}\n"
        "{\"id\": 13, \"let\": \"$9\", \"value\": 1}\n"
        "{\"id\": 14, \"call\": \"strVal\", \"thread\": -1}\n"
        "{\"id\": 15, \"call\": \"strVal\", \"args\": \"nope\"}\n"
        "{\"id\": 16, \"msgbox\": [\"OK\"]}\n"
        "{\"id\": 17, \"let\": \"ok\", \"value\": \"still running\"}\n");
    EXPECT_EQ(r.status, 0);
    auto all = r.responses();
    ASSERT_EQ(all.size(), 14u) << r.out;
    auto description = [&](size_t i) { return all[i]["error"]["description"].get<std::string>(); };
    for (size_t i = 0; i + 1 < all.size(); ++i) {
        EXPECT_EQ(all[i]["ok"], false) << all[i];
        EXPECT_TRUE(all[i]["error"].contains("hresult")) << all[i];
    }
    EXPECT_EQ(description(0).rfind("the line is not valid JSON: ", 0), 0u) << description(0);
    EXPECT_EQ(all[0]["error"]["number"], 5);
    EXPECT_EQ(all[0]["error"]["source"], "velmora");
    EXPECT_EQ(all[0]["error"]["hresult"], "0x800A0005");
    EXPECT_EQ(description(1), "a request must be a JSON object, not [1,2]");
    EXPECT_EQ(description(2), "unknown request {}: expected one of create, call, let, print, msgbox, release");
    EXPECT_EQ(description(3), "a request holds one of create, call, let, print, msgbox, release; this one has both call and let");
    EXPECT_EQ(description(4), "unknown field \"valeu\" in a let request");
    EXPECT_EQ(description(5), "a let request needs \"value\"");
    EXPECT_NE(description(6).find("variable \"never bound\" is not bound"), std::string::npos);
    EXPECT_NE(description(7).find("unknown value type \"wat\""), std::string::npos);
    EXPECT_EQ(all[8]["error"]["number"], 6) << "70000 overflows an i2";
    EXPECT_NE(description(9).find("names starting with \"$\" are the host's handles"), std::string::npos);
    EXPECT_EQ(description(10), "\"thread\" must be an integer from 0 to 63, not -1");
    EXPECT_EQ(all[10]["id"], 14);
    EXPECT_EQ(description(11), "\"args\" must be an array, not \"nope\"");
    EXPECT_NE(description(12).find("a message box answer must be a button number"), std::string::npos);
    EXPECT_EQ(all[13]["ok"], true);
}

TEST_F(RunProtocol, CreateBindsTheObjectAndReportsItWithAHandle) {
    auto r = answers({kCreateCommon, {{"print", "cf"}}, {{"create", "No.Such.Class"}}});
    const Json& made = r[0]["value"];
    EXPECT_EQ(made["type"], "object");
    EXPECT_EQ(made["class"], "_CCommonFunction");
    EXPECT_EQ(made["ref"], "$1");
    const Json& printed = r[1]["value"];
    EXPECT_EQ(printed["ref"], "$2") << "every reported object gets a fresh handle";
    EXPECT_EQ(printed["id"], made["id"]) << "one object, one identity";
    EXPECT_EQ(r[2]["ok"], false);
    EXPECT_EQ(r[2]["error"]["number"], 429);
    EXPECT_EQ(r[2]["error"]["hresult"], "0x800A01AD");
}

TEST_F(RunProtocol, HandlesNameObjectsAndIdentitiesTellObjectsApart) {
    auto r = answers({kCreateCommon,
                      {{"create", "Velmora.CCommonFunction"}},
                      {{"call", "strTrim"}, {"on", "$1"}, {"args", {" Handle "}}},
                      {{"call", "strTrim"}, {"on", "$2"}, {"args", {" Second "}}},
                      {{"let", "alias"}, {"value", {{"type", "object"}, {"ref", "$2"}}}},
                      {{"call", "strTrim"}, {"on", "$99"}, {"args", {"x"}}},
                      {{"call", "strTrim"}, {"on", {{"var", "x"}}}}});
    EXPECT_NE(r[0]["value"]["id"], r[1]["value"]["id"]);
    EXPECT_EQ(r[2]["value"], str("handle"));
    EXPECT_EQ(r[3]["value"], str("second"));
    EXPECT_EQ(r[4]["value"]["id"], r[1]["value"]["id"]) << "a variable bound to a handle's object";
    EXPECT_EQ(r[5]["error"]["description"], "there is no handle $99");
    EXPECT_EQ(r[6]["ok"], false);
}

TEST_F(RunProtocol, ByReferenceArgumentsReceiveTheRewrittenValue) {
    auto r = answers({kCreateCommon,
                      {{"let", "s"}, {"value", "  padded  "}},
                      {{"call", "strVal"}, {"on", "cf"}, {"args", {{{"var", "s"}}}}},
                      {{"print", "s"}},
                      {{"call", "strVal"}, {"on", "cf"}, {"args", {"  temporary  "}}},
                      {{"call", "strVal"}, {"on", "cf"}, {"args", {{{"var", "fresh"}}, true}}},
                      {{"let", "list"}, {"value", "a, b,c"}},
                      {{"let", "pos"}, {"value", 1}},
                      {{"call", "bGetNextPart"},
                       {"on", "cf"},
                       {"args", {{{"var", "list"}}, {{"var", "part"}}, {{"var", "pos"}}}}}});
    EXPECT_EQ(r[2]["value"], str("padded"));
    EXPECT_EQ(r[2]["byref"], (Json{{"s", str("padded")}}));
    EXPECT_EQ(r[3]["value"], str("padded")) << "the variable keeps the rewrite";
    EXPECT_EQ(r[4]["value"], str("temporary"));
    EXPECT_EQ(r[4]["byref"], Json::object()) << "a temporary's rewrite is lost";
    EXPECT_EQ(r[5]["value"], (Json{{"type", "i2"}, {"value", 0}})) << "an unbound variable starts empty";
    EXPECT_EQ(r[8]["value"], (Json{{"type", "bool"}, {"value", true}}));
    EXPECT_EQ(r[8]["byref"]["part"], str("a")) << "an unbound variable receives the part";
    // The i4 variable comes back in the 16-bit type the parameter declares.
    EXPECT_EQ(r[8]["byref"]["pos"], (Json{{"type", "i2"}, {"value", 3}}));
    EXPECT_EQ(r[8]["byref"]["list"], str("a, b,c"));
}

TEST_F(RunProtocol, NamedArgumentsGoByParameterName) {
    auto r = answers({kCreateCommon,
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {"  Ab  "}}, {"named", {{"bLowerCase", false}}}},
                      {{"call", "strTrim"},
                       {"on", "cf"},
                       {"args", {"  Ab  "}},
                       {"named", {{"lTrimMode", 0}, {"bLowerCase", false}}}},
                      {{"call", "strTrim"}, {"on", "cf"}, {"named", {{"vData", " Named Only "}}}},
                      {{"call", "strVal"}, {"on", "cf"}, {"named", {{"VVAL", {{"var", "v"}}}}}},
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {"x"}}, {"named", {{"bogus", 1}}}},
                      {{"call", "#0x6003002f"}, {"on", "cf"}, {"args", {" Ab "}}, {"named", {{"bLowerCase", false}}}}});
    EXPECT_EQ(r[1]["value"], str("AB"));
    EXPECT_EQ(r[2]["value"], str("AB  ")) << "trim mode 0 trims the left only";
    EXPECT_EQ(r[3]["value"], str("named only"));
    EXPECT_EQ(r[4]["byref"]["v"], str("")) << "a named argument by reference";
    EXPECT_EQ(r[5]["error"]["number"], 448);
    EXPECT_EQ(r[5]["error"]["description"], "Named argument not found: bogus");
    EXPECT_EQ(r[6]["value"], str("AB")) << "named arguments with a dispatch id";
}

TEST_F(RunProtocol, MembersByDispatchIdInHexOrDecimal) {
    auto r = answers({kCreateCommon,
                      {{"call", "#0x60030023"}, {"on", "cf"}, {"args", {"abcdef", 2, 3}}},
                      {{"call", "#1610809379"}, {"on", "cf"}, {"args", {"abcdef", 4, 9}}},
                      {{"call", "#12345"}, {"on", "cf"}},
                      {{"call", "#x1"}, {"on", "cf"}},
                      {{"call", "noSuchMember"}, {"on", "cf"}}});
    EXPECT_EQ(r[1]["value"], str("bcd")) << "MidEx";
    EXPECT_EQ(r[2]["value"], str("def"));
    EXPECT_EQ(r[3]["error"]["number"], 438);
    EXPECT_EQ(r[3]["error"]["hresult"], "0x800A01B6");
    EXPECT_NE(r[4]["error"]["description"].get<std::string>().find("is not a dispatch id"), std::string::npos);
    EXPECT_EQ(r[5]["error"]["description"], "Object doesn't support this property or method: noSuchMember");
}

TEST_F(RunProtocol, PropertyGetAndPutOnThePoolOfTheGlobalObject) {
    auto r = answers({{{"call", "GetPoolInstance"}, {"as", "pool"}},
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "get"}},
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "put"}, {"args", {{{"type", "i2"}, {"value", 9}}}}},
                      {{"call", "MaxCon"}, {"on", "pool"}},
                      {{"call", "GetPoolInstance"}},
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "put"}},
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "fetch"}}});
    EXPECT_EQ(r[0]["value"]["class"], "_CConPool");
    EXPECT_EQ(r[1]["value"], (Json{{"type", "i2"}, {"value", 5}}));
    EXPECT_EQ(r[2]["ok"], true);
    EXPECT_EQ(r[3]["value"], (Json{{"type", "i2"}, {"value", 9}}));
    EXPECT_EQ(r[4]["value"]["id"], r[0]["value"]["id"]) << "one pool per thread";
    EXPECT_EQ(r[5]["error"]["description"], "a put needs the new value as its last argument");
    EXPECT_NE(r[6]["error"]["description"].get<std::string>().find("\"kind\" must be"), std::string::npos);
}

TEST_F(RunProtocol, LibraryErrorsKeepTheirNumberSourceAndDescription) {
    auto r = answers({kCreateCommon,
                      {{"call", "MidEx"}, {"on", "cf"}, {"args", {"abc", 0, 1}}},
                      {{"let", "n"}, {"value", 5}},
                      {{"call", "strTrim"}, {"on", "n"}},
                      {{"call", "MidEx"}, {"on", "cf"}, {"args", {"abc"}}}});
    EXPECT_EQ(r[1]["error"], (Json{{"number", 5},
                                   {"description", "Invalid procedure call or argument"},
                                   {"source", "Velmora.CCommonFunction"},
                                   {"hresult", "0x800A0005"}}));
    EXPECT_EQ(r[3]["error"]["number"], 424) << "a call on a variable that holds no object";
    EXPECT_EQ(r[4]["error"]["number"], 449) << "a required argument left out";
}

TEST_F(RunProtocol, MessageBoxesTakeQueuedAnswersThenTheirDefaultAndAreReported) {
    const Json show = {{"call", "ShowMsgBox"}, {"on", "box"}, {"args", {"Delete the row?", 4 | 0x100, "Rows"}}};
    auto r = answers({{{"create", "Ostrel.MsgBox"}, {"as", "box"}},
                      {{"msgbox", {6, 2}}},
                      show,
                      show,
                      show,
                      {{"msgbox", {1}}, {"thread", 1}},
                      {{"create", "Ostrel.MsgBox"}, {"as", "box"}, {"thread", 1}},
                      {{"call", "ShowMsgBox"}, {"on", "box"}, {"args", {"Done."}}, {"thread", 1}},
                      show});
    EXPECT_EQ(r[2]["value"], (Json{{"type", "i4"}, {"value", 6}}));
    EXPECT_EQ(r[2]["messages"],
              Json::parse(R"([{"prompt":"Delete the row?","style":260,"title":"Rows","answer":6}])"));
    EXPECT_EQ(r[3]["value"]["value"], 2) << "queued answers need not be buttons of the box";
    EXPECT_EQ(r[4]["value"]["value"], 7) << "nothing queued: the default button (No)";
    EXPECT_EQ(r[7]["value"]["value"], 1);
    EXPECT_EQ(r[8]["value"]["value"], 7) << "thread 1's queue is its own";
    EXPECT_EQ(r[1]["messages"], Json::array());
}

TEST_F(RunProtocol, StatusOneWhenStandardOutputCannotBeWritten) {
    HostOptions o = options();
    o.closedOutput = true;
    std::string many;
    for (int i = 0; i < 50; ++i) many += "{\"let\": \"a\", \"value\": 1}\n";
    HostRun r = runHost({"run"}, many, o);
    EXPECT_EQ(r.status, 1);
}

TEST_F(RunProtocol, ReadsRequestsFromAFile) {
    const std::string file = folder.file("requests.jsonl");
    {
        std::ofstream out(file);
        out << "# from a file\n{\"let\": \"a\", \"value\": \"file\"}\n";
    }
    HostRun r = runHost({"run", file}, "", options());
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.responses().size(), 1u);
    EXPECT_EQ(r.responses()[0]["value"], str("file"));
    EXPECT_EQ(runHost({"run", folder.file("missing.jsonl")}, "", options()).status, 2);
}

}  // namespace
}  // namespace host::testing
