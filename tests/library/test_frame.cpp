// The component frame: creation, Main and the per-thread module state, the global
// application object, guards, registration and the server's entry points.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/module.h"
#include "frame/server.h"
#include "library_testing.h"
#include "runtime/registry.h"
#include "support/testing.h"

using namespace velmora;
using namespace velmora::testing;
namespace fs = std::filesystem;

TEST(Frame, ClientCreationRunsMainOncePerThread) {
    auto a = newCommon();
    _CCommonFunction* shared = moduleState().gCommon.get();
    _CConPool* pool = moduleState().gConPool.get();
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(pool, nullptr);
    auto b = newCommon();
    auto c = newCommon();
    EXPECT_EQ(moduleState().gCommon.get(), shared);
    EXPECT_EQ(moduleState().gConPool.get(), pool);
    EXPECT_NE(a.get(), b.get());
    EXPECT_NE(a.get(), shared);
}

TEST(Frame, ThreadsHaveTheirOwnModuleStateAndPool) {
    useBuiltLibrary();
    auto poolHere = client::call(client::global().get(), &_CGlobal::GetPoolInstance);
    const void* here = rt::identityOf(poolHere.get());
    EXPECT_EQ(rt::identityOf(client::call(client::global().get(), &_CGlobal::GetPoolInstance).get()), here);
    const void* there = nullptr;
    bool stateWasEmpty = false;
    std::thread t([&] {
        stateWasEmpty = !moduleState().gCommon && !moduleState().gConPool;
        auto p = client::call(client::global().get(), &_CGlobal::GetPoolInstance);
        there = rt::identityOf(p.get());
    });
    t.join();
    EXPECT_TRUE(stateWasEmpty);
    EXPECT_NE(there, nullptr);
    EXPECT_NE(there, here);
}

TEST(Frame, TheGlobalObjectIsUsableWithoutCreatingIt) {
    std::thread t([] {
        useBuiltLibrary();
        EXPECT_FALSE(moduleState().gCommon);
        auto pool = client::call(client::global().get(), &_CGlobal::GetPoolInstance);
        EXPECT_TRUE(moduleState().gCommon);  // Main ran before the global instance was made
        EXPECT_EQ(pool.get(), moduleState().gConPool.get());
        EXPECT_EQ(client::call(pool.get(), &_CConPool::get_MaxCon), 5);
    });
    t.join();
}

TEST(Frame, CConPoolCannotBeCreatedByClients) {
    useBuiltLibrary();
    rt::ComPtr<rt::IDispatch> p;
    EXPECT_EQ(rt::createInstance(kClsidCConPool, rt::IDispatch::IID_, reinterpret_cast<void**>(p.put())),
              rt::CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(p);
    EXPECT_THROW(rt::createObject(u"Velmora.CConPool"), rt::Error);
    rt::ComPtr<rt::IClassFactory> f;
    EXPECT_EQ(DllGetClassObject(kClsidCConPool, rt::IClassFactory::IID_, reinterpret_cast<void**>(f.put())),
              rt::CLASS_E_CLASSNOTAVAILABLE);
}

TEST(Frame, CreatableClassesByProgramIdentifier) {
    useBuiltLibrary();
    for (const char16_t* progid : {u"Velmora.CCommonFunction", u"velmora.cglobal", u"Velmora.CReset"}) {
        auto obj = rt::createObject(progid);
        EXPECT_TRUE(obj) << rt::toUtf8(progid);
    }
    auto reset = client::newReset();
    EXPECT_EQ(client::call(reset.get(), &_CReset::Transaction), rt::VARIANT_TRUE);
}

TEST(Frame, GuardsDecideWhetherAnErrorReachesTheCaller) {
    auto cf = newCommon();
    // Guard H: strTrim of a value without text returns its default and no failure.
    rt::Variant arr(rt::Array(0, {rt::Variant(1)}));
    VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t mode = 2;
    Str r = u"untouched";
    EXPECT_EQ(cf->strTrim(&arr, &lower, &mode, &r), rt::S_OK);
    EXPECT_EQ(r, u"");
    // Guard N: the same kind of failure in strVal is a failed call with number and text.
    rt::Variant out;
    VARIANT_BOOL num = rt::VARIANT_FALSE;
    rt::HRESULT hr = cf->strVal(&arr, &num, &out);
    EXPECT_EQ(uint32_t(hr), 0x800A000Du);
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), 13);
    EXPECT_EQ(e.description(), u"Type mismatch");
    EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
}

TEST(Frame, TypeLibraryFollowsTheMemberTables) {
    const rt::TypeLibDesc& lib = typeLibrary();
    EXPECT_EQ(lib.classes.size(), 4u);
    const auto& members = _CCommonFunction::info().members();
    ASSERT_EQ(members.size(), 55u);
    EXPECT_STREQ(members.front().name, "objOpenDB");
    EXPECT_EQ(members.front().id, 0x60030000);
    EXPECT_STREQ(members.back().name, "IsFldEmpty");
    EXPECT_EQ(members.back().id, 0x60030038);
    for (const auto& m : members) {
        EXPECT_NE(m.id, 0x60030016);
        EXPECT_NE(m.id, 0x60030032);
    }
    std::string listing = rt::describeTypeLibrary(lib);
    EXPECT_NE(listing.find("[id(0x60030027)] method strVal(ByRef vVal As Variant, Optional ByRef bNumFlag As "
                           "Boolean = False) As Variant"),
              std::string::npos);
    EXPECT_NE(listing.find("class CConPool {D616CF25-DDCB-4BA4-AEF1-3932C2EAE311} implements _CConPool (not creatable)"),
              std::string::npos);
}

// Each case registers into a registry file of its own, in a folder of its own.
class Registration : public ::testing::Test {
protected:
    nlohmann::json read() {
        std::ifstream in(file);
        return nlohmann::json::parse(in);
    }
    support::TempDir dir;
    fs::path file = dir.path() / "registry.json";
    support::ScopedEnv registry{"VELMORA_REGISTRY", file.string()};
};

TEST_F(Registration, RecordsCreatableClassesAndRemovesExactlyThem) {
    {
        std::ofstream out(file);
        out << R"({"classes": {"Other.Thing": {"clsid": "{00000000-0000-0000-0000-000000000001}", "server": "/x.so"}}})";
    }
    ASSERT_EQ(DllRegisterServer(), rt::S_OK);
    auto j = read();
    ASSERT_TRUE(j["classes"].contains("Velmora.CCommonFunction"));
    EXPECT_EQ(j["classes"]["Velmora.CCommonFunction"]["clsid"], "{360368EA-6C86-4148-AC64-E4345EF03619}");
    EXPECT_EQ(j["classes"]["Velmora.CGlobal"]["threading"], "Apartment");
    EXPECT_EQ(j["classes"]["Velmora.CReset"]["server"], libraryFile());
    EXPECT_FALSE(j["classes"].contains("Velmora.CConPool"));
    EXPECT_TRUE(j["typelibs"].contains("{34C2A9B4-2816-407F-B800-321AD9580557}"));
    EXPECT_NE(j["typelibs"]["{34C2A9B4-2816-407F-B800-321AD9580557}"]["description"].get<std::string>().find(
                  "strVal"),
              std::string::npos);

    auto found = rt::findRegisteredClass(u"velmora.ccommonfunction");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->clsid, kClsidCCommonFunction);

    ASSERT_EQ(DllUnregisterServer(), rt::S_OK);
    j = read();
    EXPECT_TRUE(j["classes"].contains("Other.Thing"));
    EXPECT_FALSE(j["classes"].contains("Velmora.CCommonFunction"));
    EXPECT_FALSE(j.contains("typelibs"));
}

TEST_F(Registration, AnUnwritableRegistryIsAFailureWithADescription) {
    setenv("VELMORA_REGISTRY", "/proc/velmora-no-such-dir/registry.json", 1);
    rt::HRESULT hr = DllRegisterServer();
    EXPECT_TRUE(rt::failed(hr));
    EXPECT_NE(rt::takeErrorInfo(hr).description().find(u"registry"), Str::npos);
}

TEST(Server, CanUnloadOnlyWhenNothingLives) {
    std::thread t([] {
        // A fresh thread holds no module state; objects made here keep the answer at S_FALSE.
        useBuiltLibrary();
        auto cf = client::newCommonFunction();
        EXPECT_EQ(DllCanUnloadNow(), rt::S_FALSE);
    });
    t.join();
    rt::ComPtr<rt::IClassFactory> f;
    ASSERT_EQ(DllGetClassObject(kClsidCReset, rt::IClassFactory::IID_, reinterpret_cast<void**>(f.put())), rt::S_OK);
    f->LockServer(rt::VARIANT_TRUE);
    EXPECT_EQ(DllCanUnloadNow(), rt::S_FALSE);
    f->LockServer(rt::VARIANT_FALSE);
}

TEST(ServerDeathTest, CanUnloadOnceEveryObjectHasGone) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: no module state yet
    EXPECT_EXIT(
        {
            bool before = DllCanUnloadNow() == rt::S_OK;
            std::thread t([] {
                useBuiltLibrary();
                auto cf = client::newCommonFunction();
            });
            t.join();  // the thread's module state goes with it
            bool after = DllCanUnloadNow() == rt::S_OK;
            std::exit(before && after ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
