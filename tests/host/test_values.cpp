// Values of the protocol: typed and plain JSON in, typed JSON out.
#include "host_testing.h"

namespace host::testing {
namespace {

class Values : public HostTest {
protected:
    // What the host prints for a variable bound to value.
    Json roundTrip(const Json& value) {
        auto r = answers({{{"let", "v"}, {"value", value}}, {{"print", "v"}}});
        EXPECT_EQ(r[0]["ok"], true) << r[0];
        EXPECT_EQ(r[0]["value"], r[1]["value"]);
        return r[1]["value"];
    }
    Json error(const Json& value) {
        auto r = answers({{{"let", "v"}, {"value", value}}});
        EXPECT_EQ(r[0]["ok"], false) << value;
        return r[0]["error"];
    }
};

TEST_F(Values, TypedValuesComeBackAsTheyWent) {
    for (const char* text : {
             R"({"type":"empty"})", R"({"type":"null"})", R"({"type":"missing"})", R"({"type":"nothing"})",
             R"({"type":"i2","value":-32768})", R"({"type":"i4","value":2147483647})",
             R"({"type":"i8","value":-9223372036854775807})", R"({"type":"r8","value":0.1})",
             R"({"type":"r8","value":"NaN"})", R"({"type":"r8","value":"-Infinity"})", R"({"type":"bool","value":false})",
             R"({"type":"decimal","value":"-79228162514264337593543950335"})", R"({"type":"decimal","value":"0.0001"})",
             R"({"type":"currency","value":"922337203685477.5807"})", R"({"type":"date","value":"2007-03-05T10:20:30"})",
             R"({"type":"date","value":"1899-12-30T00:00:00"})", R"({"type":"string","value":"金额 ¥1,234.56 \"q\""})",
             R"({"type":"error","value":-2147352573})",
             R"({"type":"array","lbound":1,"value":[{"type":"i4","value":1},{"type":"array","lbound":0,"value":[]}]})",
             R"({"type":"array"})", R"({"type":"array","lbound":-3,"value":[]})"}) {
        Json v = Json::parse(text);
        EXPECT_EQ(roundTrip(v), v) << text;
    }
}

TEST_F(Values, PlainJsonTakesTheNaturalType) {
    EXPECT_EQ(roundTrip("text"), (Json{{"type", "string"}, {"value", "text"}}));
    EXPECT_EQ(roundTrip(42), (Json{{"type", "i4"}, {"value", 42}}));
    EXPECT_EQ(roundTrip(-2147483648LL), (Json{{"type", "i4"}, {"value", -2147483648LL}}));
    EXPECT_EQ(roundTrip(2.5), (Json{{"type", "r8"}, {"value", 2.5}}));
    EXPECT_EQ(roundTrip(true), (Json{{"type", "bool"}, {"value", true}}));
    EXPECT_EQ(roundTrip(nullptr), (Json{{"type", "null"}}));
    EXPECT_EQ(roundTrip(Json::array({1, "a"})),
              Json::parse(R"({"type":"array","lbound":0,"value":[{"type":"i4","value":1},{"type":"string","value":"a"}]})"));
}

TEST_F(Values, WrittenForms) {
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"decimal","value":"1234.5600"})")),
              Json::parse(R"({"type":"decimal","value":"1234.56"})"));
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"decimal","value":12})")), Json::parse(R"({"type":"decimal","value":"12"})"));
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"currency","value":"1.23456"})")),
              Json::parse(R"({"type":"currency","value":"1.2346"})"));
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"date","value":"2007-03-05"})")),
              Json::parse(R"({"type":"date","value":"2007-03-05T00:00:00"})"));
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"error","value":"0x80020004"})")), Json::parse(R"({"type":"missing"})"));
    EXPECT_EQ(roundTrip(Json::parse(R"({"type":"error","value":"0x800A000D"})")),
              Json::parse(R"({"type":"error","value":-2146828275})"));
}

TEST_F(Values, BadValuesAreClearErrors) {
    EXPECT_NE(error(3000000000LL)["description"].get<std::string>().find("does not fit an i4"), std::string::npos);
    EXPECT_EQ(error(Json::parse(R"({"type":"i4","value":2147483648})"))["number"], 6);
    EXPECT_EQ(error(Json::parse(R"({"type":"i4","value":1.5})"))["number"], 5);
    EXPECT_EQ(error(Json::parse(R"({"type":"i4"})"))["description"], "a value of type i4 needs \"value\": {\"type\":\"i4\"}");
    EXPECT_NE(error(Json::parse(R"({"type":"decimal","value":"12x"})"))["description"].get<std::string>().find(
                  "is not a decimal number"),
              std::string::npos);
    EXPECT_EQ(error(Json::parse(R"({"type":"decimal","value":"1e40"})"))["number"], 6);
    for (const char* bad : {"2007-02-30", "2007-3-5", "07-03-05", "2007-03-05 10:20", "2007-03-05T25:00:00"})
        EXPECT_NE(error(Json{{"type", "date"}, {"value", bad}})["description"].get<std::string>().find("is not a date"),
                  std::string::npos)
            << bad;
    EXPECT_NE(error(Json::parse(R"({"type":"string","value":"x","extra":1})"))["description"].get<std::string>().find(
                  "unknown field \"extra\""),
              std::string::npos);
    EXPECT_NE(error(Json::parse(R"({"value":1})"))["description"].get<std::string>().find("needs \"type\""),
              std::string::npos);
    EXPECT_NE(error(Json::parse(R"({"type":"object","ref":"nobody"})"))["description"].get<std::string>().find(
                  "\"nobody\" is not bound"),
              std::string::npos);
    EXPECT_NE(error(Json::parse(R"([{"var":"x"}])"))["description"].get<std::string>().find("are arguments, not values"),
              std::string::npos);
}

TEST_F(Values, ObjectValuesReferToBoundObjects) {
    auto r = answers({kCreateCommon,
                      {{"let", "n"}, {"value", 1}},
                      {{"let", "o"}, {"value", {{"type", "object"}, {"ref", "n"}}}},
                      {{"let", "arr"}, {"value", {{{"type", "object"}, {"ref", "cf"}}}}},
                      {{"print", "arr"}}});
    EXPECT_EQ(r[2]["error"]["description"], "\"n\" does not hold an object");
    const Json& inArray = r[4]["value"]["value"][0];
    EXPECT_EQ(inArray["type"], "object");
    EXPECT_EQ(inArray["id"], r[0]["value"]["id"]);
    EXPECT_EQ(inArray["class"], "_CCommonFunction");
}

}  // namespace
}  // namespace host::testing
