// What the file-system object's pieces share: file names, errors and opening streams.
#pragma once

#include <string>

#include "filesystem/filesystem.h"
#include "runtime/error.h"

namespace scripting::detail {

inline constexpr const char16_t* kSource = u"Scripting.FileSystemObject";

// The name as the system takes it (UTF-8). Throws rt::Error 52 for an empty name or one
// holding a NUL character.
std::string nativePath(const rt::Str& name);

// The run-time error for a failed system call on path, from its errno: 53 / 76 for a
// missing file / folder (creating: always 76, the folder is what is missing), 58, 61, 70,
// or 57 with the system's reason.
[[noreturn]] void raiseFileError(int err, const std::string& path, bool creating);
// Error number with the file's name in the description: "File not found: /tmp/x.txt".
[[noreturn]] void raiseAbout(int number, const std::string& path);
// 53 or 76 for a name that does not exist: 76 when its folder does not exist either.
[[noreturn]] void raiseMissing(const std::string& path);

// How a stream is to be opened.
struct OpenRequest {
    int32_t iomode = ForReading;
    int32_t format = TristateFalse;
    bool create = false;      // a missing file is created
    bool exclusive = false;   // with create: an existing file is error 58
};

// Opens path as a text stream. Throws rt::Error 5 for an iomode or format that does not
// exist, and the file errors of raiseFileError. The caller owns the stream.
rt::ComPtr<ITextStream> openTextStream(const std::string& path, const OpenRequest& request);

}  // namespace scripting::detail
