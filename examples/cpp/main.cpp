// A tour of the client API: early-bound calls (status codes, or the throwing wrapper),
// late-bound calls by member name with by-reference arguments, errors as rt::Error, the
// thread's pool, and a message box answered by the program itself.
//
// Build it with CMake (CMakeLists.txt beside this file) or with pkg-config:
//   g++ -std=c++20 main.cpp $(pkg-config --cflags --libs velmora) -o velmora_example
#include <velmora/client.h>

#include <iostream>
#include <string>

namespace client = velmora::client;
using rt::Str;
using rt::Variant;

namespace {

std::string text(const Str& s) { return rt::toUtf8(s); }

void earlyBound(velmora::_CCommonFunction* cf) {
    // Every member returns a status; its result comes through the last argument.
    Variant customer(Str(u"   Acme Trading Co.   "));
    Variant value;
    rt::VARIANT_BOOL numeric = rt::VARIANT_FALSE;
    if (rt::failed(cf->strVal(&customer, &numeric, &value))) return;
    std::cout << "strVal: \"" << text(value.str()) << "\"\n";

    // client::call turns a failed status into rt::Error and returns the result.
    Variant voucher(Str(u"  Voucher No. 17  "));
    rt::VARIANT_BOOL lower = rt::VARIANT_FALSE;
    int32_t bothEnds = 2;
    Str trimmed = client::call(cf, &velmora::_CCommonFunction::strTrim, &voucher, &lower, &bothEnds);
    std::cout << "strTrim: \"" << text(trimmed) << "\"\n";
}

void lateBound(velmora::_CCommonFunction* cf) {
    rt::IDispatch* object = cf;
    // By member name, as scripts reach it; by-reference arguments are rewritten.
    Variant amount(1234567.891);
    Variant formatted = rt::callMethod(object, u"sMoneyFormat", {rt::CallArg::ref(amount)});
    std::cout << "sMoneyFormat: " << text(formatted.str()) << "\n";

    Variant list(Str(u"1001, 1002 ,2201"));
    Variant part;
    Variant position(int16_t(1));
    while (rt::callMethod(object, u"bGetNextPart", {rt::CallArg::ref(list), rt::CallArg::ref(part),
                                                     rt::CallArg::ref(position)})
               .boolean())
        std::cout << "bGetNextPart: " << text(part.str()) << "\n";

    // A failed call raises rt::Error with the member's number, description and source.
    try {
        rt::callMethod(object, u"MidEx", {Str(u"abc"), int32_t(0), int32_t(1)});
    } catch (const rt::Error& e) {
        std::cout << "MidEx(\"abc\", 0, 1) failed: error " << e.numberValue() << " " << text(e.description())
                  << " (" << text(e.source()) << ")\n";
    }
}

void pool() {
    // The thread's connection pool, from the global application object.
    rt::ComPtr<velmora::_CConPool> pool = client::call(client::global().get(), &velmora::_CGlobal::GetPoolInstance);
    int16_t limit = client::call(pool.get(), &velmora::_CConPool::get_MaxCon);
    std::cout << "pool: at most " << limit << " connections per data source\n";
}

void messageBox() {
    // Boxes shown on this thread (the library's iShowMsg among them) are answered here
    // instead of on the terminal. Shown here through the suite's box object itself.
    client::ScopedMessageBoxPresenter presenter([](const client::MessageBoxRequest& box) {
        std::cout << "box: \"" << text(box.prompt) << "\" style " << box.style << " -> Yes\n";
        return int32_t(svc::kYes);
    });
    rt::ComPtr<rt::IDispatch> box = rt::createObject(u"Ostrel.MsgBox");
    const int32_t yesNo = 4 + 32;  // Yes and No buttons, question icon
    Variant answer = rt::callMethod(box.get(), u"ShowMsgBox",
                                    {Str(u"Post voucher 17?"), yesNo, Str(u"Vouchers"), Str(), int32_t(0)});
    std::cout << "ShowMsgBox answered " << answer.i4() << "\n";
}

}  // namespace

int main() {
    try {
        client::useLibrary();  // the library beside the platform library, or $VELMORA_LIBRARY
        rt::ComPtr<velmora::_CCommonFunction> cf = client::newCommonFunction();
        earlyBound(cf.get());
        lateBound(cf.get());
        pool();
        messageBox();
        return 0;
    } catch (const rt::Error& e) {
        std::cerr << "velmora_example: error " << e.numberValue() << ": " << rt::toUtf8(e.description()) << "\n";
        return 1;
    }
}
