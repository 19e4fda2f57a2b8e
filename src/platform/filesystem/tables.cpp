// Member tables of the file-system object's interfaces.
#include "filesystem/filesystem.h"

namespace scripting {

using namespace rt;
using namespace rt::types;

namespace {
constexpr TypeSpec kFile = iface<IFile>("File");
constexpr TypeSpec kTextStream = iface<ITextStream>("TextStream");
constexpr TypeSpec kIOMode{VT_I4, "IOMode"};
constexpr TypeSpec kTristate{VT_I4, "Tristate"};
}  // namespace

const InterfaceInfo& IFileSystem::info() {
    using I = IFileSystem;
    static const InterfaceInfo table(
        "IFileSystem", IID_,
        {
            method<&I::CreateTextFile, kTextStream>("CreateTextFile", 1, "Creates FileName (replacing it when Overwrite) and opens it for writing; Unicode writes UTF-16.", arg<String>("FileName").byVal(), arg<Boolean>("Overwrite").byVal().opt(Variant(true)), arg<Boolean>("Unicode").byVal().opt(Variant(false))),
            method<&I::OpenTextFile, kTextStream>("OpenTextFile", 2, "Opens FileName for reading (1), writing (2) or appending (8); Create makes a missing file; Format -1 is UTF-16.", arg<String>("FileName").byVal(), arg<kIOMode>("IOMode").byVal().opt(Variant(int32_t(ForReading))), arg<Boolean>("Create").byVal().opt(Variant(false)), arg<kTristate>("Format").byVal().opt(Variant(int32_t(TristateFalse)))),
            method<&I::GetFile, kFile>("GetFile", 3, "The file object of an existing file; error 53 when there is none.", arg<String>("FilePath").byVal()),
            method<&I::FileExists, Boolean>("FileExists", 4, "True when FileSpec is an existing file, hidden ones included; false for a folder.", arg<String>("FileSpec").byVal()),
            method<&I::FolderExists, Boolean>("FolderExists", 5, "True when FolderSpec is an existing folder.", arg<String>("FolderSpec").byVal()),
            sub<&I::DeleteFile>("DeleteFile", 6, "Deletes a file; a read-only one only when Force.", arg<String>("FileSpec").byVal(), arg<Boolean>("Force").byVal().opt(Variant(false))),
        },
        nullptr, "The scripting file-system object (Scripting.FileSystemObject).");
    return table;
}

const InterfaceInfo& IFile::info() {
    using I = IFile;
    static const InterfaceInfo table(
        "IFile", IID_,
        {
            getter<&I::get_Path, String>("Path", DISPID_VALUE, "The file's full path."),
            getter<&I::get_Name, String>("Name", 1, "The file's name, the last part of its path."),
            getter<&I::get_Size, Variant_>("Size", 2, "The file's size in bytes."),
            getter<&I::get_Attributes, Int32>("Attributes", 3, "The file's attributes: 1 read-only, 2 hidden (a name beginning with \".\")."),
            method<&I::OpenAsTextStream, kTextStream>("OpenAsTextStream", 4, "Opens the file for reading (1), writing (2) or appending (8); Format -1 is UTF-16.", arg<kIOMode>("IOMode").byVal().opt(Variant(int32_t(ForReading))), arg<kTristate>("Format").byVal().opt(Variant(int32_t(TristateFalse)))),
        },
        nullptr, "One file, read as it is now.");
    return table;
}

const InterfaceInfo& ITextStream::info() {
    using I = ITextStream;
    static const InterfaceInfo table(
        "ITextStream", IID_,
        {
            sub<&I::Write>("Write", 1, "Writes Text as it is.", arg<String>("Text").byVal()),
            sub<&I::WriteLine>("WriteLine", 2, "Writes Text followed by a carriage return and line feed.", arg<String>("Text").byVal().opt(Variant(Str()))),
            sub<&I::WriteBlankLines>("WriteBlankLines", 3, "Writes Lines line ends.", arg<Int32>("Lines").byVal()),
            method<&I::ReadLine, String>("ReadLine", 4, "The next line without its line end; error 62 at the end."),
            method<&I::ReadAll, String>("ReadAll", 5, "Everything not read yet; error 62 at the end."),
            getter<&I::get_AtEndOfStream, Boolean>("AtEndOfStream", 6, "True when nothing is left to read."),
            sub<&I::Close>("Close", 7, "Closes the file."),
        },
        nullptr, "An open text file.");
    return table;
}

}  // namespace scripting
