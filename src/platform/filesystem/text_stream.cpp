// Text streams: files opened for reading (read whole, then served line by line) or for
// writing and appending (each write goes straight to the file).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "filesystem/detail.h"
#include "runtime/fault.h"
#include "runtime/locale.h"
#include "runtime/object.h"

namespace scripting::detail {

namespace {

using rt::HRESULT;
using rt::Str;

constexpr char kByteOrderMark[] = "\xFF\xFE";
constexpr int kErrBadFileNumber = 52;

// Whether a test fails this file call; the call then fails with EIO.
bool fileFailureInjected() {
    if (!rt::fault::injected(rt::fault::Kind::File)) return false;
    errno = EIO;
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// All bytes of an open file, from where it stands.
std::string readAll(int fd, const std::string& path) {
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = fileFailureInjected() ? -1 : ::read(fd, buf, sizeof buf);
        if (n > 0) bytes.append(buf, size_t(n));
        else if (n == 0) return bytes;
        else if (errno != EINTR) raiseFileError(errno, path, false);
    }
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = fileFailureInjected() ? -1 : ::write(fd, bytes.data(), bytes.size());
        if (n > 0) bytes.remove_prefix(size_t(n));
        else if (n < 0 && errno != EINTR) raiseFileError(errno, path, false);
    }
}

Str decodeUtf16(std::string_view bytes) {
    if (bytes.substr(0, 2) == std::string_view(kByteOrderMark, 2)) bytes.remove_prefix(2);
    Str text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);  // the platform is little-endian
    if (bytes.size() % 2) text.push_back(u'\uFFFD');          // a lone last byte
    return text;
}

std::string encodeUtf16(rt::StrView text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

class TextStream final : public rt::DispatchObject<TextStream, ITextStream> {
public:
    // A stream for reading over text already decoded.
    TextStream(std::string path, Str text) : path_(std::move(path)), reading_(true), text_(std::move(text)) {}
    // A stream for writing to fd.
    TextStream(std::string path, FileDescriptor&& fd, bool unicode, int codePage)
        : path_(std::move(path)), reading_(false), fd_(std::move(fd)), unicode_(unicode), codePage_(codePage) {}

    HRESULT Write(const Str& text) override {
        return rt::boundary(kSource, [&] { put(text); });
    }
    HRESULT WriteLine(const Str& text) override {
        return rt::boundary(kSource, [&] { put(text + u"\r\n"); });
    }
    HRESULT WriteBlankLines(int32_t lines) override {
        return rt::boundary(kSource, [&] {
            checkWritable();
            if (lines < 0) rt::raise(rt::kErrInvalidCall);
            Str ends;
            for (int32_t i = 0; i < lines; ++i) ends += u"\r\n";
            put(ends);
        });
    }
    HRESULT ReadLine(Str* result) override {
        return rt::boundary(kSource, [&] {
            if (!result) rt::raiseStatus(rt::E_POINTER);
            checkReadable();
            const size_t end = text_.find_first_of(u"\r\n", pos_);
            if (end == Str::npos) {
                *result = text_.substr(pos_);
                pos_ = text_.size();
                return;
            }
            *result = text_.substr(pos_, end - pos_);
            pos_ = end + ((text_[end] == u'\r' && end + 1 < text_.size() && text_[end + 1] == u'\n') ? 2 : 1);
        });
    }
    HRESULT ReadAll(Str* result) override {
        return rt::boundary(kSource, [&] {
            if (!result) rt::raiseStatus(rt::E_POINTER);
            checkReadable();
            *result = text_.substr(pos_);
            pos_ = text_.size();
        });
    }
    HRESULT get_AtEndOfStream(rt::VARIANT_BOOL* result) override {
        return rt::boundary(kSource, [&] {
            if (!result) rt::raiseStatus(rt::E_POINTER);
            checkOpen();
            if (!reading_) rt::raise(rt::kErrBadFileMode);
            *result = pos_ >= text_.size() ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        });
    }
    HRESULT Close() override {
        closed_ = true;
        fd_.reset();
        text_.clear();
        return rt::S_OK;
    }

private:
    void checkOpen() const {
        if (closed_) rt::raise(kErrBadFileNumber, u"The stream is closed");
    }
    void checkReadable() const {
        checkOpen();
        if (!reading_) rt::raise(rt::kErrBadFileMode);
        if (pos_ >= text_.size()) rt::raise(kErrInputPastEnd);
    }
    void checkWritable() const {
        checkOpen();
        if (reading_) rt::raise(rt::kErrBadFileMode);
    }
    void put(rt::StrView text) {
        checkWritable();
        writeAll(fd_.get(), unicode_ ? encodeUtf16(text) : rt::toCodePage(text, codePage_), path_);
    }

    std::string path_;
    bool reading_;
    bool closed_ = false;
    // Reading: the whole text and the position in it.
    Str text_;
    size_t pos_ = 0;
    // Writing.
    FileDescriptor fd_;
    bool unicode_ = false;
    int codePage_ = 0;
};

int openFlags(const OpenRequest& r) {
    int flags = O_CLOEXEC;
    switch (r.iomode) {
        case ForReading: flags |= O_RDONLY; break;
        case ForWriting: flags |= O_WRONLY | O_TRUNC; break;
        case ForAppending: flags |= O_WRONLY | O_APPEND; break;
        default: rt::raise(rt::kErrInvalidCall);
    }
    if (r.create) flags |= O_CREAT | (r.exclusive ? O_EXCL : 0);
    return flags;
}

}  // namespace

rt::ComPtr<ITextStream> openTextStream(const std::string& path, const OpenRequest& request) {
    const int flags = openFlags(request);
    if (request.format != TristateFalse && request.format != TristateTrue && request.format != TristateUseDefault)
        rt::raise(rt::kErrInvalidCall);
    const bool unicode = request.format == TristateTrue;
    const int codePage = rt::systemLocale().codePage;

    FileDescriptor fd(fileFailureInjected() ? -1 : ::open(path.c_str(), flags, 0666));
    if (fd.get() < 0) {
        const int err = errno;
        if (err == ENOENT && !(flags & O_CREAT)) raiseMissing(path);
        raiseFileError(err, path, (flags & O_CREAT) != 0);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) raiseFileError(errno, path, false);
    if (S_ISDIR(st.st_mode)) raiseAbout(rt::kErrPermissionDenied, path);  // a folder opens read-only

    if (request.iomode == ForReading) {
        const std::string bytes = readAll(fd.get(), path);
        return rt::makeObject<TextStream>(path, unicode ? decodeUtf16(bytes) : rt::fromCodePage(bytes, codePage));
    }
    // A Unicode file starts with its byte-order mark: written into a file that is empty now.
    const bool empty = request.iomode == ForWriting || st.st_size == 0;
    if (unicode && empty) writeAll(fd.get(), std::string_view(kByteOrderMark, 2), path);
    return rt::makeObject<TextStream>(path, std::move(fd), unicode, codePage);
}

}  // namespace scripting::detail
