// The file-system object and its file objects.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "filesystem/detail.h"
#include "runtime/classes.h"
#include "runtime/object.h"

namespace scripting::detail {

using rt::HRESULT;
using rt::Str;

namespace {

constexpr int kErrBadFileName = 52;

// stat() of path; false with errno set when it fails.
bool statOf(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st) == 0; }

bool isFolder(const std::string& path) {
    struct stat st {};
    return statOf(path, &st) && S_ISDIR(st.st_mode);
}

// The status of an existing file (not a folder); errors 53 / 76 otherwise.
struct stat existingFile(const std::string& path) {
    struct stat st {};
    if (!statOf(path, &st)) {
        if (errno == ENOENT || errno == ENOTDIR) raiseMissing(path);
        raiseFileError(errno, path, false);
    }
    if (S_ISDIR(st.st_mode)) raiseAbout(rt::kErrFileNotFound, path);
    return st;
}

bool isHiddenName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return !name.empty() && name[0] == '.';
}

bool isReadOnly(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

rt::VARIANT_BOOL truth(bool b) { return b ? rt::VARIANT_TRUE : rt::VARIANT_FALSE; }

using rt::need;  // raises E_POINTER for a null out-parameter

class File final : public rt::DispatchObject<File, IFile> {
public:
    explicit File(std::string path) : path_(std::move(path)) {}

    HRESULT get_Name(Str* result) override {
        return rt::boundary(kSource, [&] {
            existingFile(path_);
            *need(result) = rt::fromUtf8(std::filesystem::path(path_).filename().string());
        });
    }
    HRESULT get_Path(Str* result) override {
        return rt::boundary(kSource, [&] {
            existingFile(path_);
            *need(result) = rt::fromUtf8(path_);
        });
    }
    HRESULT get_Size(rt::Variant* result) override {
        return rt::boundary(kSource, [&] {
            const auto size = existingFile(path_).st_size;
            rt::Variant* out = need(result);
            if (size <= INT32_MAX) *out = int32_t(size);
            else *out = double(size);
        });
    }
    HRESULT get_Attributes(int32_t* result) override {
        return rt::boundary(kSource, [&] {
            const struct stat st = existingFile(path_);
            *need(result) = (isReadOnly(st) ? ReadOnly : Normal) | (isHiddenName(path_) ? Hidden : Normal);
        });
    }
    HRESULT OpenAsTextStream(int32_t iomode, int32_t format, ITextStream** result) override {
        return rt::boundary(kSource, [&] {
            need(result);
            rt::assignOut(result, openTextStream(path_, OpenRequest{iomode, format, false, false}));
        });
    }

private:
    std::string path_;  // absolute
};

class FileSystemObject final : public rt::DispatchObject<FileSystemObject, IFileSystem> {
public:
    HRESULT CreateTextFile(const Str& fileName, rt::VARIANT_BOOL overwrite, rt::VARIANT_BOOL unicode,
                           ITextStream** result) override {
        return rt::boundary(kSource, [&] {
            need(result);
            const std::string path = nativePath(fileName);
            const OpenRequest request{ForWriting, unicode ? TristateTrue : TristateFalse, true, overwrite == 0};
            rt::assignOut(result, openTextStream(path, request));
        });
    }
    HRESULT OpenTextFile(const Str& fileName, int32_t iomode, rt::VARIANT_BOOL create, int32_t format,
                         ITextStream** result) override {
        return rt::boundary(kSource, [&] {
            need(result);
            const std::string path = nativePath(fileName);
            rt::assignOut(result, openTextStream(path, OpenRequest{iomode, format, create != 0, false}));
        });
    }
    HRESULT GetFile(const Str& filePath, IFile** result) override {
        return rt::boundary(kSource, [&] {
            need(result);
            const std::string path = nativePath(filePath);
            existingFile(path);
            std::error_code ec;
            std::filesystem::path full = std::filesystem::absolute(path, ec);
            if (ec) raiseFileError(ec.value(), path, false);
            rt::assignOut(result, rt::makeObject<File>(full.lexically_normal().string()));
        });
    }
    HRESULT FileExists(const Str& fileSpec, rt::VARIANT_BOOL* result) override {
        return rt::boundary(kSource, [&] {
            struct stat st {};
            *need(result) = truth(!fileSpec.empty() && statOf(nativePath(fileSpec), &st) && !S_ISDIR(st.st_mode));
        });
    }
    HRESULT FolderExists(const Str& folderSpec, rt::VARIANT_BOOL* result) override {
        return rt::boundary(kSource, [&] { *need(result) = truth(!folderSpec.empty() && isFolder(nativePath(folderSpec))); });
    }
    HRESULT DeleteFile(const Str& fileSpec, rt::VARIANT_BOOL force) override {
        return rt::boundary(kSource, [&] {
            const std::string path = nativePath(fileSpec);
            if (isReadOnly(existingFile(path)) && !force) raiseAbout(rt::kErrPermissionDenied, path);
            if (::unlink(path.c_str()) != 0) raiseFileError(errno, path, false);
        });
    }
};

const rt::ClassRegistrar registrar(kProgidFileSystem, kClsidFileSystem, [](const rt::IID& iid, void** out) {
    return rt::makeObject<FileSystemObject>()->QueryInterface(iid, out);
}, &IFileSystem::info);

}  // namespace

std::string nativePath(const Str& name) {
    if (name.empty() || name.find(u'\0') != Str::npos) rt::raise(kErrBadFileName);
    return rt::toUtf8(name);
}

void raiseAbout(int number, const std::string& path) {
    throw rt::Error::number(number, Str(rt::standardDescription(number)) + u": " + rt::fromUtf8(path));
}

void raiseMissing(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    raiseAbout(folder.empty() || isFolder(folder.string()) ? rt::kErrFileNotFound : rt::kErrPathNotFound, path);
}

void raiseFileError(int err, const std::string& path, bool creating) {
    switch (err) {
        case ENOENT: raiseAbout(creating ? rt::kErrPathNotFound : rt::kErrFileNotFound, path);
        case ENOTDIR: raiseAbout(rt::kErrPathNotFound, path);
        case EEXIST: raiseAbout(kErrFileAlreadyExists, path);
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
        case ETXTBSY: raiseAbout(rt::kErrPermissionDenied, path);
        case ENOSPC:
        case EDQUOT: raiseAbout(kErrDiskFull, path);
        case ENAMETOOLONG: raiseAbout(kErrBadFileName, path);
        default:
            throw rt::Error::number(kErrDeviceIO, Str(rt::standardDescription(kErrDeviceIO)) + u": " +
                                                      rt::fromUtf8(path) + u" (" + rt::fromUtf8(std::strerror(err)) + u")");
    }
}

}  // namespace scripting::detail
