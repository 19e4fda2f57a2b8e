// The scripting file-system object ("Scripting.FileSystemObject"): text files created,
// opened, read and written line by line, and a few questions about files and folders.
//
// Conventions shared by every member below:
// - A file name is a path in the file system, absolute or relative to the current folder,
//   taken as it is (no wildcards). On this platform a name beginning with "." is a hidden file.
// - A member that hands out an object stores a new reference in its last parameter; the
//   caller owns it.
// - A failure returns a failed status and leaves error information (rt::check turns it back
//   into an rt::Error) with the run-time error a user's program expects: 5 "Invalid
//   procedure call or argument" (a mode or format that does not exist), 53 "File not found",
//   54 "Bad file mode" (reading a stream open for writing, or the reverse), 57 "Device I/O
//   error", 58 "File already exists", 61 "Disk full", 62 "Input past end of file", 70
//   "Permission denied", 76 "Path not found". The description names the file where there is one.
// - Lines are written ending with carriage return and line feed; read lines may end with
//   CR LF, LF or CR.
// - Text is written in the system code page of the runtime's locale when the stream is
//   opened (a character the code page lacks is written as "?"), or in UTF-16 little-endian
//   with a byte-order mark for the Unicode format.
// - Objects are used on the thread that made them (no locks).
#pragma once

#include "runtime/dispatch.h"

namespace scripting {

struct IFile;
struct ITextStream;

inline constexpr const char* kProgidFileSystem = "Scripting.FileSystemObject";
inline constexpr rt::CLSID kClsidFileSystem = rt::guid("{205E954C-D815-470A-88A7-ACC6C8C5012C}");

// IOMode values.
enum IOMode : int32_t { ForReading = 1, ForWriting = 2, ForAppending = 8 };
// Format values: the system code page (0, and -2 "the system default"), or Unicode (-1).
enum Tristate : int32_t { TristateFalse = 0, TristateTrue = -1, TristateUseDefault = -2 };

// File attributes as Attributes reports them.
enum FileAttribute : int32_t { Normal = 0, ReadOnly = 1, Hidden = 2 };

inline constexpr int kErrFileAlreadyExists = 58;
inline constexpr int kErrInputPastEnd = 62;
inline constexpr int kErrDeviceIO = 57;
inline constexpr int kErrDiskFull = 61;

struct IFileSystem : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{A38A19B7-21F3-42C6-897B-C7461E1EC113}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // Creates the file (replacing an existing one when overwrite) and opens it for writing,
    // in the system code page or, when unicode, UTF-16 with a byte-order mark written at
    // once. Errors: 58 when the file exists and overwrite is false (or the name is a
    // folder), 70 when it may not be written (a folder with overwrite), 76 when its folder
    // does not exist.
    virtual rt::HRESULT CreateTextFile(const rt::Str& fileName, rt::VARIANT_BOOL overwrite, rt::VARIANT_BOOL unicode,
                                       ITextStream** result) = 0;
    // Opens the file for reading, writing (emptied first) or appending; a missing file is
    // created when create is true, else error 53. format: 0 / -2 the system code page, -1
    // Unicode (a Unicode file read or appended to keeps its byte-order mark; one is written
    // into a file that is empty). Error 5 for another iomode or format, 70 for a folder or
    // a file that may not be opened so, 76 when the folder does not exist.
    virtual rt::HRESULT OpenTextFile(const rt::Str& fileName, int32_t iomode, rt::VARIANT_BOOL create, int32_t format,
                                     ITextStream** result) = 0;
    // The file object of an existing file. Error 53 when there is no file of that name (a
    // folder included), 76 when its folder does not exist.
    virtual rt::HRESULT GetFile(const rt::Str& filePath, IFile** result) = 0;
    // True when the name is an existing file (hidden ones included); false for folders and
    // names that do not exist.
    virtual rt::HRESULT FileExists(const rt::Str& fileSpec, rt::VARIANT_BOOL* result) = 0;
    // True when the name is an existing folder.
    virtual rt::HRESULT FolderExists(const rt::Str& folderSpec, rt::VARIANT_BOOL* result) = 0;
    // Deletes a file. Error 53 when there is none of that name (a folder included), 70 when
    // it is read-only and force is false, or the system refuses.
    virtual rt::HRESULT DeleteFile(const rt::Str& fileSpec, rt::VARIANT_BOOL force) = 0;

protected:
    ~IFileSystem() = default;
};

// One file, by its path. Every property reads the file as it is now (error 53 once it is gone).
struct IFile : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{F6859B64-6A10-4046-AAB3-32505C9F7574}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // The last part of the path.
    virtual rt::HRESULT get_Name(rt::Str* result) = 0;
    // The full path (the default member).
    virtual rt::HRESULT get_Path(rt::Str* result) = 0;
    // The size in bytes: a 32-bit integer when it fits, else a double.
    virtual rt::HRESULT get_Size(rt::Variant* result) = 0;
    // FileAttribute flags: ReadOnly when the owner may not write it, Hidden when its name
    // begins with ".".
    virtual rt::HRESULT get_Attributes(int32_t* result) = 0;
    // Opens the file as OpenTextFile does, without creating it.
    virtual rt::HRESULT OpenAsTextStream(int32_t iomode, int32_t format, ITextStream** result) = 0;

protected:
    ~IFile() = default;
};

// An open text file. Releasing the last reference closes it.
struct ITextStream : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{4017A15D-711B-45F2-85C8-11A8B91D713A}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // Writes the text as it is / followed by a line end / count line ends. Error 54 on a
    // stream open for reading, 52 once closed.
    virtual rt::HRESULT Write(const rt::Str& text) = 0;
    virtual rt::HRESULT WriteLine(const rt::Str& text) = 0;
    virtual rt::HRESULT WriteBlankLines(int32_t lines) = 0;
    // The next line without its line end / everything left. Error 62 at the end, 54 on a
    // stream open for writing, 52 once closed.
    virtual rt::HRESULT ReadLine(rt::Str* result) = 0;
    virtual rt::HRESULT ReadAll(rt::Str* result) = 0;
    // True when nothing is left to read. Error 54 on a stream open for writing.
    virtual rt::HRESULT get_AtEndOfStream(rt::VARIANT_BOOL* result) = 0;
    // Closes the file; later calls other than Close fail with error 52.
    virtual rt::HRESULT Close() = 0;

protected:
    ~ITextStream() = default;
};

}  // namespace scripting
