// The subcommands besides run: call, describe, register, unregister, and usage.
#include <fstream>

#include "host_testing.h"

namespace host::testing {
namespace {

class Commands : public HostTest {
protected:
    HostRun command(const std::vector<std::string>& args) { return runHost(args, "", options()); }
};

TEST_F(Commands, CallPrintsTheResultThenEachByReferenceArgument) {
    HostRun r = command({"call", "bGetNextPart", "\"  a , b \"", "{\"type\": \"empty\"}", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"type\":\"bool\",\"value\":true}\n"
              "strAll = {\"type\":\"string\",\"value\":\"a , b\"}\n"
              "strPart = {\"type\":\"string\",\"value\":\"a\"}\n"
              "iPos = {\"type\":\"i2\",\"value\":4}\n");
}

TEST_F(Commands, CallReportsFailuresAndArgumentsThatAreNotJson) {
    HostRun failed = command({"call", "MidEx", "\"abc\"", "0", "1"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "velmora: error 5: Invalid procedure call or argument (Velmora.CCommonFunction, 0x800A0005)\n");

    HostRun notJson = command({"call", "strTrim", "plain words"});
    EXPECT_EQ(notJson.status, 2);
    EXPECT_NE(notJson.err.find("argument 1 is not a JSON value: plain words"), std::string::npos);

    HostRun missing = command({"call", "strTrim", "\" X \"", "{\"missing\": true}"});
    EXPECT_EQ(missing.status, 0) << missing.err;
    EXPECT_EQ(missing.out.substr(0, missing.out.find('\n')), "{\"type\":\"string\",\"value\":\"x\"}");
}

TEST_F(Commands, DescribeListsTheTypeLibrary) {
    HostRun r = command({"describe"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* line : {
             "library Velmora {34C2A9B4-2816-407F-B800-321AD9580557} version 1.0\n",
             "class CConPool {D616CF25-DDCB-4BA4-AEF1-3932C2EAE311} implements _CConPool (not creatable)\n",
             "class CGlobal {3D326DED-3AED-47E8-8D70-ADAD4E879767} implements _CGlobal (global application object)\n",
             "interface _CCommonFunction {2A3F1F1D-35D9-456B-A91F-39E4CE551186}\n",
             "  [id(0x6003002f)] method strTrim(ByRef vData As Variant, Optional ByRef bLowerCase As Boolean = True, "
             "Optional ByRef lTrimMode As Long = 2) As String\n",
             "  [id(0x68030000)] property let MaxCon(ByVal value As Integer)\n",
         })
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST_F(Commands, RegisterAndUnregisterWriteOnlyTheirRegistryFile) {
    HostRun reg = command({"register"});
    EXPECT_EQ(reg.status, 0) << reg.err;
    EXPECT_NE(reg.out.find("registered "), std::string::npos);
    std::ifstream in(registry());
    ASSERT_TRUE(in) << "no registry file at " << registry();
    Json j = Json::parse(in);
    EXPECT_TRUE(j["classes"].contains("Velmora.CCommonFunction"));
    EXPECT_TRUE(j["classes"].contains("Velmora.CGlobal"));
    EXPECT_FALSE(j["classes"].contains("Velmora.CConPool"));

    HostRun unreg = command({"unregister"});
    EXPECT_EQ(unreg.status, 0) << unreg.err;
    EXPECT_FALSE(std::filesystem::exists(registry())) << "only the library's entries were there";
}

TEST_F(Commands, UsageErrorsExitWithStatusTwo) {
    EXPECT_EQ(command({}).status, 2);
    EXPECT_EQ(command({"frobnicate"}).status, 2);
    EXPECT_EQ(command({"call"}).status, 2);
    EXPECT_EQ(command({"describe", "One.Class", "Two.Class"}).status, 2);
    HostRun help = command({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: velmora run [--echo] [FILE]"), std::string::npos);
}

}  // namespace
}  // namespace host::testing
