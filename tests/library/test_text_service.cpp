// The library's procedures over the message text service, in the library's own module state.
// Each case runs on a new thread: a fresh module state with no loader or box yet.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "client.h"
#include "frame/module.h"
#include "frame/text_service.h"
#include "runtime/error.h"
#include "support/testing.h"

namespace {

using support::ScopedEnv;
using support::TempDir;

template <class F>
void onFreshThread(F&& body) {
    std::thread(std::forward<F>(body)).join();
}

TEST(LibraryTextService, TextsComeFromTheThreadsOneLoader) {
    ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");
    onFreshThread([] {
        EXPECT_FALSE(velmora::moduleState().gTextLoader);
        EXPECT_EQ(rt::toUtf8(velmora::sGetText(u"Ostrel.FM.Velmora.00028")), "亿万");
        svc::ITextLoader* first = velmora::objTextLoader();
        EXPECT_EQ(velmora::objTextLoader(), first) << "at most one loader per thread";
        EXPECT_EQ(rt::toUtf8(velmora::languageCode()), "zh-CN");
        EXPECT_EQ(rt::toUtf8(velmora::sGetText(u"Ostrel.FM.Nobody.99999")), "Ostrel.FM.Nobody.99999");
    });
    ScopedEnv traditional("VELMORA_LANGUAGE", "zh-TW");
    onFreshThread([] {
        EXPECT_EQ(rt::toUtf8(velmora::languageCode()), "zh-TW");
        EXPECT_EQ(rt::toUtf8(velmora::sGetText(u"Ostrel.FM.Velmora.00028")), "億萬");
    });
}

TEST(LibraryTextService, ABrokenCatalogRaisesInTheCaller) {
    TempDir folder;
    { std::ofstream(folder.file("en-US.txt")) << "no equals sign here\n"; }
    ScopedEnv catalogs("VELMORA_CATALOGS", folder.file(""));
    ScopedEnv language("VELMORA_LANGUAGE", "en-US");
    onFreshThread([] {
        try {
            velmora::sGetText(u"Ostrel.FM.Velmora.00001");
            ADD_FAILURE() << "no error";
        } catch (const rt::Error& e) {
            EXPECT_NE(rt::toUtf8(e.description()).find("line 1: expected key = text"), std::string::npos);
            EXPECT_EQ(rt::toUtf8(e.source()), "Ostrel.TextLoader");
        }
    });
}

TEST(LibraryTextService, MessageBoxesGoThroughGMsgBoxWhichEachNewObjectRenews) {
    onFreshThread([] {
        std::vector<svc::MessageBoxRequest> shown;
        svc::setMessageBoxPresenter([&](const svc::MessageBoxRequest& r) {
            shown.push_back(r);
            return int32_t(svc::kCancel);
        });
        velmora::client::useLibrary(VELMORA_TESTABLE_LIBRARY);
        auto first = velmora::client::newCommonFunction();
        const void* box1 = rt::identityOf(velmora::moduleState().gMsgBox.get());
        ASSERT_NE(box1, nullptr);
        auto second = velmora::client::newCommonFunction();
        const void* box2 = rt::identityOf(velmora::moduleState().gMsgBox.get());
        EXPECT_NE(box2, box1) << "a new CCommonFunction renews gMsgBox";

        EXPECT_EQ(velmora::lMsgBox(u"Really?", 1, u"Title", u"", 0), svc::kCancel);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].prompt, u"Really?");
        EXPECT_EQ(shown[0].style, 1);
        EXPECT_EQ(shown[0].title, u"Title");

        velmora::moduleState().gMsgBox = nullptr;  // as when the service could not make one
        EXPECT_EQ(velmora::lMsgBox(u"Again", 0, u"", u"", 0), svc::kCancel);
        EXPECT_TRUE(velmora::moduleState().gMsgBox);
        svc::setMessageBoxPresenter(nullptr);
    });
}

}  // namespace
