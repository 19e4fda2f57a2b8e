// The default message box presenter: asks on the controlling terminal, or, without one,
// reports the box on standard error and takes its default button.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

#include "services/message_service.h"

namespace svc {

namespace {

constexpr size_t kMaxAnswer = 256;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void writeAll(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t n = ::write(fd, s.data(), s.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a terminal that cannot take the text cannot answer either
        s.remove_prefix(size_t(n));
    }
}

// One line from fd without its line end; nullopt at end of input or on a read error
// (a hung-up terminal). Overlong lines are cut, not buffered without bound.
std::optional<std::string> readLine(int fd) {
    std::string line;
    for (;;) {
        char c;
        ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return line.empty() ? std::nullopt : std::optional(line);
        if (c == '\n') break;
        if (line.size() < kMaxAnswer) line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

const char* iconWord(int32_t style) {
    switch (style & 0xF0) {
        case 0x10: return "Error";
        case 0x20: return "Question";
        case 0x30: return "Warning";
        case 0x40: return "Information";
        default: return "Message";
    }
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The button an answer names: its number, its name or its initial, without regard to case;
// an empty answer takes the default. nullopt when it names none of buttons.
std::optional<int32_t> buttonOfAnswer(const std::string& answer, const std::vector<int32_t>& buttons,
                                      int32_t fallback) {
    const std::string a = lowerAscii(trimmed(answer));
    if (a.empty()) return fallback;
    for (int32_t b : buttons) {
        const std::string name = lowerAscii(buttonName(b));
        if (a == std::to_string(b) || a == name || a == name.substr(0, 1)) return b;
    }
    return std::nullopt;
}

std::string heading(const MessageBoxRequest& r) {
    std::string h = std::string("[") + iconWord(r.style) + "]";
    if (!r.title.empty()) h += " " + rt::toUtf8(r.title);
    return h;
}

std::string choices(const std::vector<int32_t>& buttons) {
    std::string s;
    for (int32_t b : buttons) {
        if (!s.empty()) s += ", ";
        s += std::to_string(b) + " " + buttonName(b);
    }
    return s;
}

int32_t reportWithoutTerminal(const MessageBoxRequest& r) {
    const int32_t answer = defaultButtonOf(r.style);
    writeAll(STDERR_FILENO, heading(r) + " " + rt::toUtf8(r.prompt) + " (no terminal: answered " +
                                buttonName(answer) + ")\n");
    return answer;
}

}  // namespace

int32_t presentOnTerminal(const MessageBoxRequest& request) {
    Fd tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.get() < 0) return reportWithoutTerminal(request);

    const std::vector<int32_t> buttons = buttonsOf(request.style);
    const int32_t fallback = defaultButtonOf(request.style);
    writeAll(tty.get(), "\n" + heading(request) + "\n" + rt::toUtf8(request.prompt) + "\n");
    const std::string ask = "Answer [" + choices(buttons) + "] (Enter: " + buttonName(fallback) + "): ";
    for (;;) {
        writeAll(tty.get(), ask);
        std::optional<std::string> line = readLine(tty.get());
        if (!line) {
            // End of input closes the box as the Escape key would.
            writeAll(tty.get(), "\n");
            bool cancels = std::find(buttons.begin(), buttons.end(), kCancel) != buttons.end();
            return cancels ? kCancel : fallback;
        }
        if (auto b = buttonOfAnswer(*line, buttons, fallback)) return *b;
        writeAll(tty.get(), "Please answer with one of: " + choices(buttons) + ".\n");
    }
}

}  // namespace svc
