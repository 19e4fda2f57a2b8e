// The host's commands for other languages and long scripts: describe --json and PROGID,
// call --json and --on, errors naming the refused argument, run --echo.
#include <fstream>

#include "host_testing.h"

namespace host::testing {
namespace {

class HostForClients : public HostTest {
protected:
    HostRun command(const std::vector<std::string>& args, const std::string& input = "") {
        return runHost(args, input, options());
    }
    static const Json* findByName(const Json& list, const std::string& name, const char* key = "name") {
        for (const Json& item : list)
            if (item[key] == name) return &item;
        return nullptr;
    }
};

TEST_F(HostForClients, DescribeJsonListsEveryCreatableClassAndTheirMembers) {
    HostRun r = command({"describe", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json all = Json::parse(r.out);
    EXPECT_EQ(all["library"]["name"], "Velmora");
    for (const char* progid : {"Velmora.CCommonFunction", "Velmora.CGlobal", "MSXML2.DOMDocument", "ADODB.Connection",
                               "ADODB.Recordset", "Scripting.FileSystemObject", "Forms.Form"})
        EXPECT_NE(findByName(all["classes"], progid, "progid"), nullptr) << progid;
    const Json* global = findByName(all["classes"], "Velmora.CGlobal", "progid");
    ASSERT_NE(global, nullptr);
    EXPECT_EQ((*global)["origin"], "server");
    EXPECT_EQ((*global)["application"], true);
    EXPECT_EQ((*findByName(all["classes"], "ADODB.Connection", "progid"))["origin"], "platform");

    const Json* common = findByName(all["interfaces"], "_CCommonFunction");
    ASSERT_NE(common, nullptr);
    const Json* trim = findByName((*common)["members"], "strTrim");
    ASSERT_NE(trim, nullptr);
    EXPECT_EQ((*trim)["id"], 0x6003002f);
    EXPECT_EQ((*trim)["kind"], "method");
    EXPECT_EQ((*trim)["result"]["name"], "String");
    EXPECT_FALSE((*trim)["help"].get<std::string>().empty());
    const Json& params = (*trim)["params"];
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0], (Json{{"name", "vData"}, {"type", {{"name", "Variant"}, {"vt", 12}}}, {"byRef", true}, {"optional", false}}));
    EXPECT_EQ(params[1]["optional"], true);
    EXPECT_EQ(params[1]["default"], (Json{{"type", "bool"}, {"value", true}}));
    EXPECT_EQ(params[2]["default"], (Json{{"type", "i4"}, {"value", 2}}));

    // Every interface a member takes or returns is described too.
    for (const Json& iface : all["interfaces"]) {
        for (const Json& m : iface["members"]) {
            if (!m["result"].is_object() || !m["result"].contains("interface")) continue;
            EXPECT_NE(findByName(all["interfaces"], m["result"]["interface"]), nullptr) << m["result"];
        }
    }
}

TEST_F(HostForClients, DescribeOneClassByItsProgramIdentifier) {
    HostRun text = command({"describe", "adodb.recordset"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("class ADODB.Recordset {", 0), 0u) << text.out.substr(0, 200);
    EXPECT_NE(text.out.find("interface Fields "), std::string::npos) << "the interfaces it reaches";

    HostRun json = command({"describe", "--json", "MSXML2.DOMDocument"});
    ASSERT_EQ(json.status, 0) << json.err;
    Json one = Json::parse(json.out);
    EXPECT_EQ(one["class"]["progid"], "MSXML2.DOMDocument");
    EXPECT_EQ(one["interfaces"][0]["name"], one["class"]["interface"]);
    EXPECT_NE(findByName(one["interfaces"], "IXMLDOMNodeList"), nullptr);
    EXPECT_EQ(findByName(one["interfaces"], "_CCommonFunction"), nullptr) << "only what the class reaches";

    HostRun unknown = command({"describe", "No.Such.Class"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no class \"No.Such.Class\""), std::string::npos);
    EXPECT_EQ(command({"describe", "--markdown", "MSXML2.DOMDocument"}).status, 2);
    EXPECT_EQ(command({"describe", "--json", "--markdown"}).status, 2);
}

TEST_F(HostForClients, CallJsonIsOneDocumentWithValueAndByReferenceArguments) {
    HostRun r = command({"call", "--json", "bGetNextPart", "\"  a , b \"", "{\"type\": \"empty\"}", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"ok\":true,\"value\":{\"type\":\"bool\",\"value\":true},\"byref\":{"
              "\"strAll\":{\"type\":\"string\",\"value\":\"a , b\"},"
              "\"strPart\":{\"type\":\"string\",\"value\":\"a\"},"
              "\"iPos\":{\"type\":\"i2\",\"value\":4}}}\n");

    HostRun failed = command({"call", "--json", "MidEx", "\"abc\"", "0", "1"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "");
    Json error = Json::parse(failed.out);
    EXPECT_EQ(error["ok"], false);
    EXPECT_EQ(error["error"]["number"], 5);
}

TEST_F(HostForClients, CallOnAnotherClass) {
    HostRun r = command({"call", "--on", "Velmora.CGlobal", "--json", "GetPoolInstance"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Json::parse(r.out)["value"]["class"], "_CConPool");
    HostRun doc = command({"call", "--on", "MSXML2.DOMDocument", "loadXML", "\"<a>x</a>\""});
    ASSERT_EQ(doc.status, 0) << doc.err;
    EXPECT_EQ(doc.out, "{\"type\":\"bool\",\"value\":true}\n") << "loadXML's argument is by value: no line for it";
    HostRun unknown = command({"call", "--on", "No.Such.Class", "x"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("error 429"), std::string::npos) << unknown.err;
    EXPECT_EQ(command({"call", "--on"}).status, 2);
    EXPECT_EQ(command({"call", "--json"}).status, 2);
}

TEST_F(HostForClients, ARefusedArgumentIsNamedByPositionAndParameter) {
    auto r = answers({kCreateCommon,
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {" X ", "not a truth value"}}},
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {" X "}}, {"named", {{"lTrimMode", "zzz"}}}},
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {" X ", true, {{"type", "i8"}, {"value", 1LL << 40}}}}}});
    EXPECT_EQ(r[1]["error"]["number"], 13);
    EXPECT_EQ(r[1]["error"]["description"], "Type mismatch in argument 2 (bLowerCase)");
    EXPECT_EQ(r[1]["error"]["argument"], (Json{{"index", 0}, {"position", 2}, {"name", "bLowerCase"}}));
    EXPECT_EQ(r[2]["error"]["argument"], (Json{{"index", 0}, {"name", "lTrimMode"}}));
    EXPECT_EQ(r[3]["error"]["number"], 6);
    EXPECT_EQ(r[3]["error"]["argument"], (Json{{"index", 0}, {"position", 3}, {"name", "lTrimMode"}}));

    HostRun call = command({"call", "strTrim", "\" X \"", "\"not a truth value\""});
    EXPECT_EQ(call.status, 1);
    EXPECT_NE(call.err.find("Type mismatch in argument 2 (bLowerCase)"), std::string::npos) << call.err;
}

TEST_F(HostForClients, EchoShowsCommentsAndRequestAboveEachAnswer) {
    HostRun r = command({"run", "--echo"},
                        "# Bind a value\n"
                        "#   and print it\n"
                        "{\"let\": \"a\", \"value\": 1}\n"
                        "\n"
                        "  {\"print\": \"a\"}\n"
                        "# the end\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "# Bind a value\n"
              "#   and print it\n"
              "> {\"let\": \"a\", \"value\": 1}\n"
              "{\"ok\":true,\"value\":{\"type\":\"i4\",\"value\":1},\"byref\":{},\"messages\":[]}\n"
              "\n"
              "> {\"print\": \"a\"}\n"
              "{\"ok\":true,\"value\":{\"type\":\"i4\",\"value\":1},\"byref\":{},\"messages\":[]}\n"
              "\n"
              "# the end\n");
}

TEST_F(HostForClients, EchoReadsAFileToo) {
    const std::string script = folder.file("tour.jsonl");
    std::ofstream(script) << "# one\n{\"let\": \"a\", \"value\": \"x\"}\n";
    HostRun r = command({"run", "--echo", script});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("# one\n> {\"let\"", 0), 0u) << r.out;
}

TEST_F(HostForClients, CollectionsEnumerateThroughDispatchIdMinusFour) {
    auto r = answers({{{"create", "MSXML2.DOMDocument"}, {"as", "doc"}},
                      {{"call", "loadXML"}, {"on", "doc"}, {"args", {"<r a='1' b='2'><x/><y/></r>"}}},
                      {{"call", "selectSingleNode"}, {"on", "doc"}, {"args", {"/r"}}, {"as", "root"}},
                      {{"call", "childNodes"}, {"on", "root"}, {"as", "children"}},
                      {{"call", "#-4"}, {"on", "children"}, {"kind", "get"}, {"as", "each"}},
                      {{"call", "Next"}, {"on", "each"}, {"args", {10}}},
                      {{"call", "Next"}, {"on", "each"}, {"args", {10}}},
                      {{"call", "attributes"}, {"on", "root"}, {"as", "attrs"}},
                      {{"call", "_NewEnum"}, {"on", "attrs"}, {"as", "each"}},
                      {{"call", "Next"}, {"on", "each"}, {"args", {1}}},
                      {{"call", "nodeName"}, {"on", "$9"}}});
    for (size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r[i]["ok"], true) << i << ": " << r[i];
    EXPECT_EQ(r[4]["value"]["class"], "IEnumItems");
    const Json& items = r[5]["value"]["value"];
    ASSERT_EQ(items.size(), 2u) << r[5];
    EXPECT_EQ(items[0]["class"], "IXMLDOMElement");
    EXPECT_EQ(r[6]["value"], (Json{{"type", "array"}, {"lbound", 0}, {"value", Json::array()}})) << "then none";
    EXPECT_EQ(r[9]["value"]["value"][0]["class"], "IXMLDOMAttribute");
    EXPECT_EQ(r[10]["value"]["value"], "a") << "the first attribute";
}

}  // namespace
}  // namespace host::testing
