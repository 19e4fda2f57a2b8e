// Every object belongs to the thread that made it: a call from another thread, early- or
// late-bound, fails with RPC_E_WRONG_THREAD and leaves the object as it was; reference
// counting stays free-threaded.
#include <gtest/gtest.h>

#include <thread>

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "runtime/classes.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "services/message_service.h"
#include "support/testing.h"

namespace {

using rt::Str;
using rt::Variant;

using support::onOtherThread;
using support::expectWrongThread;

TEST(ThreadAffinity, DocumentsRefuseEarlyAndLateBoundCallsFromAnotherThread) {
    rt::ComPtr<dom::IXMLDOMDocument> doc = rt::createObject(u"MSXML2.DOMDocument").as<dom::IXMLDOMDocument>();
    ASSERT_TRUE(doc);
    int16_t ok = 0;
    ASSERT_EQ(doc->loadXML(u"<a>1</a>", &ok), rt::S_OK);

    onOtherThread([&] {
        Str xml;
        expectWrongThread(doc->get_xml(&xml), u"msxml3.dll");
        EXPECT_TRUE(xml.empty()) << "nothing of the document reached the other thread";
        expectWrongThread(doc->loadXML(u"<b/>", &ok), u"msxml3.dll");

        const rt::Error late = support::errorOf([&] { rt::getProperty(doc.get(), u"xml"); });
        EXPECT_EQ(late.hresult(), rt::RPC_E_WRONG_THREAD);
        EXPECT_EQ(late.source(), u"IXMLDOMDocument2");
    });

    // On its own thread the document is as it was: the other thread's load never ran.
    EXPECT_NE(rt::toUtf8(rt::getProperty(doc.get(), u"xml").str()).find("<a>1</a>"), std::string::npos);
}

TEST(ThreadAffinity, DataAccessObjectsRefuseCallsFromAnotherThread) {
    rt::ComPtr<ado::_Connection> connection = ado::newConnection();
    ASSERT_EQ(connection->put_ConnectionString(u"Data Source=first.db"), rt::S_OK);
    onOtherThread([&] {
        expectWrongThread(connection->put_ConnectionString(u"Data Source=second.db"), u"ADODB.Connection");
        Str text;
        expectWrongThread(connection->get_ConnectionString(&text), u"ADODB.Connection");
        const rt::Error late = support::errorOf([&] { rt::getProperty(connection.get(), u"ConnectionString"); });
        EXPECT_EQ(late.hresult(), rt::RPC_E_WRONG_THREAD);
        EXPECT_EQ(late.source(), u"_Connection");
    });
    Str text;
    ASSERT_EQ(connection->get_ConnectionString(&text), rt::S_OK);
    EXPECT_EQ(text, u"Data Source=first.db");
}

TEST(ThreadAffinity, ServiceObjectsRefuseCallsFromAnotherThread) {
    rt::ComPtr<svc::IMsgBox> box = rt::createObject(u"Ostrel.MsgBox").as<svc::IMsgBox>();
    ASSERT_TRUE(box);
    onOtherThread([&] {
        bool shown = false;
        svc::setMessageBoxPresenter([&](const svc::MessageBoxRequest&) {
            shown = true;
            return int32_t(svc::kOk);
        });
        int32_t button = 0;
        expectWrongThread(box->ShowMsgBox(u"Hello", 0, u"", u"", 0, &button), u"Ostrel.MsgBox");
        EXPECT_FALSE(shown) << "no box is shown for a call that is refused";
        svc::setMessageBoxPresenter(nullptr);
    });
}

TEST(ThreadAffinity, ReferencesMayBeTakenAndDroppedOnAnyThread) {
    rt::ComPtr<rt::IDispatch> doc = rt::createObject(u"MSXML2.DOMDocument");
    const long before = rt::liveObjectCount();
    rt::IDispatch* raw = doc.get();
    raw->AddRef();
    onOtherThread([&] {
        rt::ComPtr<rt::IUnknown> unknown;
        EXPECT_EQ(raw->QueryInterface(rt::IUnknown::IID_, reinterpret_cast<void**>(unknown.put())), rt::S_OK);
        raw->Release();
    });
    EXPECT_EQ(rt::liveObjectCount(), before);
    // The last reference may go on another thread too: the object dies there.
    onOtherThread([d = std::move(doc)]() mutable { d = nullptr; });
    EXPECT_EQ(rt::liveObjectCount(), before - 1);
}

}  // namespace
