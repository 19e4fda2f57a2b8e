// The message box object, the per-thread presenter hook, and the default presenter on a
// real pseudo-terminal and without any terminal.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "services/message_service.h"
#include "services_testing.h"

namespace svc {
namespace {

MessageBoxRequest request(const char16_t* prompt, int32_t style, const char16_t* title = u"") {
    MessageBoxRequest r;
    r.prompt = prompt;
    r.style = style;
    r.title = title;
    return r;
}

// ---- Buttons ------------------------------------------------------------------------------

TEST(MessageBoxButtons, StyleLowBitsChooseTheButtons) {
    EXPECT_EQ(buttonsOf(0), (std::vector<int32_t>{kOk}));
    EXPECT_EQ(buttonsOf(1), (std::vector<int32_t>{kOk, kCancel}));
    EXPECT_EQ(buttonsOf(2), (std::vector<int32_t>{kAbort, kRetry, kIgnore}));
    EXPECT_EQ(buttonsOf(3), (std::vector<int32_t>{kYes, kNo, kCancel}));
    EXPECT_EQ(buttonsOf(4), (std::vector<int32_t>{kYes, kNo}));
    EXPECT_EQ(buttonsOf(5), (std::vector<int32_t>{kRetry, kCancel}));
    EXPECT_EQ(buttonsOf(9), (std::vector<int32_t>{kOk})) << "an unknown set";
    EXPECT_EQ(buttonsOf(0x40 | 0x100 | 4), (std::vector<int32_t>{kYes, kNo})) << "icon and default bits aside";
}

TEST(MessageBoxButtons, DefaultButtonBitsPickAmongThem) {
    EXPECT_EQ(defaultButtonOf(64), kOk);
    EXPECT_EQ(defaultButtonOf(4), kYes);
    EXPECT_EQ(defaultButtonOf(4 | 0x100), kNo);
    EXPECT_EQ(defaultButtonOf(3 | 0x200), kCancel);
    EXPECT_EQ(defaultButtonOf(2 | 0x200), kIgnore);
    EXPECT_EQ(defaultButtonOf(1 | 0x200), kOk) << "no third button: the first";
    EXPECT_EQ(defaultButtonOf(2 | 0x300), kAbort) << "no fourth button: the first";
}

// ---- The object and the presenter hook ---------------------------------------------------------

class PresenterScope {
public:
    explicit PresenterScope(MessageBoxPresenter p) : previous_(setMessageBoxPresenter(std::move(p))) {}
    ~PresenterScope() { setMessageBoxPresenter(std::move(previous_)); }

private:
    MessageBoxPresenter previous_;
};

TEST(MessageBoxObject, ShowsThroughTheThreadsPresenterAndReturnsItsAnswer) {
    std::vector<MessageBoxRequest> shown;
    PresenterScope scope([&](const MessageBoxRequest& r) {
        shown.push_back(r);
        return int32_t(kNo);
    });
    rt::ComPtr<IMsgBox> box;
    ASSERT_EQ(rt::createInstance(kClsidMsgBox, IMsgBox::IID_, reinterpret_cast<void**>(box.put())), rt::S_OK);
    int32_t last = -1;
    ASSERT_EQ(box->LastAnswer(&last), rt::S_OK);
    EXPECT_EQ(last, 0);

    int32_t answer = 0;
    ASSERT_EQ(box->ShowMsgBox(u"Delete the row?", 4 | 0x20, u"Vouchers", u"help.chm", 12, &answer), rt::S_OK);
    EXPECT_EQ(answer, kNo);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, u"Delete the row?");
    EXPECT_EQ(shown[0].style, 4 | 0x20);
    EXPECT_EQ(shown[0].title, u"Vouchers");
    EXPECT_EQ(shown[0].helpFile, u"help.chm");
    EXPECT_EQ(shown[0].helpContext, 12);
    ASSERT_EQ(box->LastAnswer(&last), rt::S_OK);
    EXPECT_EQ(last, kNo);

    // Late-bound, by program identifier, with the optional arguments left out.
    rt::ComPtr<rt::IDispatch> late = rt::createObject(u"Ostrel.MsgBox");
    EXPECT_EQ(rt::toI4(rt::callMethod(late.get(), u"ShowMsgBox", {rt::Variant(u"Saved.")})), kNo);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].style, 0);
    EXPECT_EQ(shown[1].title, u"");
    EXPECT_EQ(rt::toI4(rt::getProperty(late.get(), u"LastAnswer")), kNo);
}

TEST(MessageBoxObject, APresenterErrorFailsTheCall) {
    PresenterScope scope([](const MessageBoxRequest&) -> int32_t {
        throw rt::Error::number(rt::kErrPermissionDenied, u"no one may answer");
    });
    rt::ComPtr<IMsgBox> box;
    ASSERT_EQ(rt::createInstance(kClsidMsgBox, IMsgBox::IID_, reinterpret_cast<void**>(box.put())), rt::S_OK);
    int32_t answer = 0;
    rt::HRESULT hr = box->ShowMsgBox(u"x", 0, u"", u"", 0, &answer);
    ASSERT_EQ(hr, rt::runtimeErrorHr(rt::kErrPermissionDenied));
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(rt::toUtf8(e.description()), "no one may answer");
    EXPECT_EQ(rt::toUtf8(e.source()), "Ostrel.MsgBox");
}

TEST(MessageBoxPresenterHook, IsPerThreadAndReturnsThePreviousOne) {
    PresenterScope scope([](const MessageBoxRequest&) { return int32_t(kRetry); });
    EXPECT_EQ(presentMessageBox(request(u"p", 5)), kRetry);
    bool otherThreadHadOne = true;
    std::thread([&] {
        MessageBoxPresenter previous = setMessageBoxPresenter([](const MessageBoxRequest&) { return int32_t(kYes); });
        otherThreadHadOne = bool(previous);
        setMessageBoxPresenter(nullptr);
    }).join();
    EXPECT_FALSE(otherThreadHadOne);
    EXPECT_EQ(presentMessageBox(request(u"p", 5)), kRetry) << "another thread's presenter changed this one";

    MessageBoxPresenter mine = setMessageBoxPresenter([](const MessageBoxRequest&) { return int32_t(kIgnore); });
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine(request(u"p", 5)), kRetry);
    EXPECT_EQ(presentMessageBox(request(u"p", 5)), kIgnore);
    setMessageBoxPresenter(std::move(mine));
}

// ---- The default presenter on a pseudo-terminal ---------------------------------------------------

// A child process whose controlling terminal is a new pseudo-terminal; it shows one box with
// the default presenter and exits with the button chosen.
class TerminalBox {
public:
    explicit TerminalBox(MessageBoxRequest request) {
        pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) ::_exit(presentOnTerminal(request));
    }
    ~TerminalBox() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
    }
    bool started() const { return pid_ > 0; }

    // What the terminal shows, up to and including marker; gives up after a few seconds.
    std::string readUntil(const std::string& marker) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (screen_.find(marker) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buf[512];
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            screen_.append(buf, size_t(n));
        }
        size_t at = screen_.find(marker);
        if (at == std::string::npos) return "<marker not seen> " + screen_;
        std::string shown = screen_.substr(0, at + marker.size());
        screen_.erase(0, at + marker.size());
        return shown;
    }
    void type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }
    // The button the child returned; -1 when it did not exit normally.
    int answer() {
        int status = 0;
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int master_ = -1;
    bool reaped_ = false;
    std::string screen_;
};

TEST(TerminalPresenter, ShowsTheBoxAndTakesAButtonNumber) {
    TerminalBox box(request(u"Save the voucher?", 3 | 0x20 | 0x100, u"Vouchers 凭证"));
    ASSERT_TRUE(box.started());
    std::string shown = box.readUntil("(Enter: No): ");
    EXPECT_NE(shown.find("[Question] Vouchers 凭证"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Save the voucher?"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Answer [6 Yes, 7 No, 2 Cancel]"), std::string::npos) << shown;
    box.type("6\n");
    EXPECT_EQ(box.answer(), kYes);
}

TEST(TerminalPresenter, TakesButtonNamesAndInitialsInAnyCase) {
    {
        TerminalBox box(request(u"Connection lost.", 5 | 0x30, u""));
        box.readUntil("): ");
        box.type("  RETRY \n");
        EXPECT_EQ(box.answer(), kRetry);
    }
    {
        TerminalBox box(request(u"Import failed.", 2, u""));
        box.readUntil("): ");
        box.type("i\n");
        EXPECT_EQ(box.answer(), kIgnore);
    }
}

TEST(TerminalPresenter, AnEmptyAnswerTakesTheDefaultButton) {
    {
        TerminalBox box(request(u"Continue?", 1 | 0x100, u""));
        EXPECT_NE(box.readUntil("): ").find("(Enter: Cancel)"), std::string::npos);
        box.type("\n");
        EXPECT_EQ(box.answer(), kCancel);
    }
    {
        TerminalBox box(request(u"Done.", 64, u"Info"));
        EXPECT_NE(box.readUntil("): ").find("[Information] Info"), std::string::npos);
        box.type("\n");
        EXPECT_EQ(box.answer(), kOk);
    }
}

TEST(TerminalPresenter, AnAnswerNamingNoButtonIsAskedAgain) {
    TerminalBox box(request(u"Post the voucher?", 4, u""));
    box.readUntil("(Enter: Yes): ");
    box.type("maybe\n");
    std::string again = box.readUntil("(Enter: Yes): ");
    EXPECT_NE(again.find("Please answer with one of: 6 Yes, 7 No."), std::string::npos) << again;
    box.type("2\n");  // Cancel is not a button of this box
    box.readUntil("(Enter: Yes): ");
    box.type("n\n");
    EXPECT_EQ(box.answer(), kNo);
}

TEST(TerminalPresenter, EndOfInputCancelsOrTakesTheDefault) {
    {
        TerminalBox box(request(u"Save changes?", 3, u""));
        box.readUntil("): ");
        box.type("\x04");  // end of input on a terminal
        EXPECT_EQ(box.answer(), kCancel);
    }
    {
        TerminalBox box(request(u"Delete?", 4 | 0x100, u""));
        box.readUntil("): ");
        box.type("\x04");
        EXPECT_EQ(box.answer(), kNo) << "no Cancel button: the default";
    }
}

TEST(TerminalPresenter, WithoutATerminalReportsOnStandardErrorAndTakesTheDefault) {
    int err[2];
    ASSERT_EQ(::pipe(err), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();  // a new session has no controlling terminal
        ::dup2(err[1], STDERR_FILENO);
        ::_exit(presentOnTerminal(request(u"Disk almost full.", 4 | 0x30 | 0x100, u"Backup")));
    }
    ::close(err[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    ::close(err[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kNo);
    EXPECT_EQ(text, "[Warning] Backup Disk almost full. (no terminal: answered No)\n");
}

}  // namespace
}  // namespace svc
