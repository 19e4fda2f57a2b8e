// The scripting file-system object over real files in a temporary folder: late-bound as
// scripts and the library reach it, and early-bound through its interfaces.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "filesystem/filesystem.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "runtime/locale.h"
#include "support/testing.h"

using rt::ComPtr;
using rt::IDispatch;
using rt::Str;
using rt::Variant;

namespace {

// The shared temporary folder, with names as the library's callers pass them.
class TempDir : public support::TempDir {
public:
    Str name(const std::string& n) const { return rt::fromUtf8(file(n)); }
    std::string read(const std::string& n) const { return support::TempDir::read(file(n)); }
    bool exists(const std::string& n) const { return std::filesystem::exists(file(n)); }
};

using support::ScopedLocale;

ComPtr<IDispatch> obj(const Variant& v) { return rt::toObject(v); }
Variant call(IDispatch* o, rt::StrView name, std::vector<rt::CallArg> args = {}) {
    return rt::callMethod(o, name, std::move(args));
}
Variant get(IDispatch* o, rt::StrView name) { return rt::getProperty(o, name); }
bool truth(const Variant& v) { return rt::toBool(v) != 0; }

template <class F>
rt::Error errorOf(F&& body) {
    try {
        body();
    } catch (const rt::Error& e) {
        return e;
    }
    return rt::Error::number(0);
}
template <class F>
int numberOf(F&& body) {
    return errorOf(std::forward<F>(body)).numberValue();
}

size_t openDescriptors() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

class Fso : public ::testing::Test {
protected:
    TempDir dir;
    ComPtr<IDispatch> fso = rt::createObject(u"Scripting.FileSystemObject");

    ComPtr<IDispatch> create(const std::string& name, std::vector<rt::CallArg> more = {}) {
        std::vector<rt::CallArg> args{Variant(dir.name(name))};
        for (auto& a : more) args.push_back(std::move(a));
        return obj(call(fso.get(), u"CreateTextFile", std::move(args)));
    }
    ComPtr<IDispatch> open(const std::string& name, std::vector<rt::CallArg> more = {}) {
        std::vector<rt::CallArg> args{Variant(dir.name(name))};
        for (auto& a : more) args.push_back(std::move(a));
        return obj(call(fso.get(), u"OpenTextFile", std::move(args)));
    }
    std::vector<Str> lines(const std::string& name) {
        ComPtr<IDispatch> in = open(name);
        std::vector<Str> all;
        while (!truth(get(in.get(), u"AtEndOfStream"))) all.push_back(rt::toText(call(in.get(), u"ReadLine")));
        call(in.get(), u"Close");
        return all;
    }
};

}  // namespace

TEST_F(Fso, WritesLinesEndingInCarriageReturnAndLineFeed) {
    ComPtr<IDispatch> out = create("lines.txt");
    call(out.get(), u"Write", {Variant(u"one")});
    call(out.get(), u"WriteLine", {Variant(u" two")});
    call(out.get(), u"WriteLine");
    call(out.get(), u"WriteBlankLines", {Variant(2)});
    call(out.get(), u"WriteLine", {Variant(u"three")});
    call(out.get(), u"Close");
    EXPECT_EQ(dir.read("lines.txt"), "one two\r\n\r\n\r\n\r\nthree\r\n");
    EXPECT_EQ(lines("lines.txt"), (std::vector<Str>{u"one two", u"", u"", u"", u"three"}));
}

TEST_F(Fso, ReadsLinesEndedAnyWayAndStopsAtTheEnd) {
    dir.write("mixed.txt", "a\r\nb\nc\rd");
    ComPtr<IDispatch> in = open("mixed.txt", {Variant(int32_t(scripting::ForReading))});
    EXPECT_EQ(rt::toText(call(in.get(), u"ReadLine")), u"a");
    EXPECT_EQ(rt::toText(call(in.get(), u"ReadLine")), u"b");
    EXPECT_EQ(rt::toText(call(in.get(), u"ReadAll")), u"c\rd");
    EXPECT_TRUE(truth(get(in.get(), u"AtEndOfStream")));
    EXPECT_EQ(numberOf([&] { call(in.get(), u"ReadLine"); }), 62);
    EXPECT_EQ(numberOf([&] { call(in.get(), u"ReadAll"); }), 62);
    EXPECT_EQ(errorOf([&] { call(in.get(), u"ReadAll"); }).description(), u"Input past end of file");
    EXPECT_EQ(numberOf([&] { call(in.get(), u"WriteLine", {Variant(u"x")}); }), 54) << "a stream open for reading";

    dir.write("empty.txt", "");
    ComPtr<IDispatch> empty = open("empty.txt");
    EXPECT_TRUE(truth(get(empty.get(), u"AtEndOfStream")));
    EXPECT_EQ(numberOf([&] { call(empty.get(), u"ReadAll"); }), 62);
}

TEST_F(Fso, ModesReadWriteAndAppend) {
    dir.write("log.txt", "first\r\n");
    ComPtr<IDispatch> append = open("log.txt", {Variant(8)});
    call(append.get(), u"WriteLine", {Variant(u"second")});
    EXPECT_EQ(numberOf([&] { call(append.get(), u"ReadLine"); }), 54) << "a stream open for appending";
    EXPECT_EQ(numberOf([&] { get(append.get(), u"AtEndOfStream"); }), 54);
    call(append.get(), u"Close");
    EXPECT_EQ(dir.read("log.txt"), "first\r\nsecond\r\n");

    ComPtr<IDispatch> rewrite = open("log.txt", {Variant(2)});
    call(rewrite.get(), u"WriteLine", {Variant(u"only")});
    rewrite = nullptr;  // released without Close: the file is closed and holds what was written
    EXPECT_EQ(dir.read("log.txt"), "only\r\n");

    EXPECT_EQ(numberOf([&] { open("new.txt", {Variant(8)}); }), 53) << "no file and no create";
    EXPECT_FALSE(dir.exists("new.txt"));
    call(open("new.txt", {Variant(8), Variant(true)}).get(), u"Write", {Variant(u"made")});
    EXPECT_EQ(dir.read("new.txt"), "made");
    open("made-empty.txt", {Variant(1), Variant(true)});
    EXPECT_EQ(dir.read("made-empty.txt"), "") << "reading with create makes an empty file";

    EXPECT_EQ(numberOf([&] { open("log.txt", {Variant(3)}); }), 5);
    EXPECT_EQ(numberOf([&] { open("log.txt", {Variant(1), Variant(false), Variant(1)}); }), 5);
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"OpenTextFile", {Variant(u"")}); }), 52);
}

TEST_F(Fso, CreateTextFileReplacesUnlessTold) {
    dir.write("old.txt", "old\r\n");
    call(create("old.txt").get(), u"WriteLine", {Variant(u"new")});
    EXPECT_EQ(dir.read("old.txt"), "new\r\n") << "overwrite is true unless given";
    rt::Error e = errorOf([&] { create("old.txt", {Variant(false)}); });
    EXPECT_EQ(e.numberValue(), 58);
    EXPECT_EQ(e.description(), u"File already exists: " + dir.name("old.txt"));
    EXPECT_EQ(e.source(), u"Scripting.FileSystemObject");
    EXPECT_EQ(dir.read("old.txt"), "new\r\n");

    dir.write(".hidden.log", "kept?\r\n");
    call(create(".hidden.log").get(), u"WriteLine", {Variant(u"replaced")});
    EXPECT_EQ(dir.read(".hidden.log"), "replaced\r\n") << "a hidden file is replaced like any other";
}

TEST_F(Fso, MissingFilesAndFoldersAndFolderNames) {
    EXPECT_EQ(numberOf([&] { create("no/such/folder/x.txt"); }), 76);
    EXPECT_FALSE(dir.exists("no"));
    EXPECT_EQ(numberOf([&] { open("absent.txt"); }), 53);
    EXPECT_EQ(numberOf([&] { open("no/absent.txt"); }), 76);
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"GetFile", {Variant(dir.name("absent.txt"))}); }), 53);
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"GetFile", {Variant(dir.name("no/absent.txt"))}); }), 76);

    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"GetFile", {Variant(dir.name("folder"))}); }), 53);
    EXPECT_EQ(numberOf([&] { create("folder"); }), 70) << "a folder cannot be replaced by a file";
    EXPECT_EQ(numberOf([&] { create("folder", {Variant(false)}); }), 58);
    EXPECT_EQ(numberOf([&] { open("folder"); }), 70);
    EXPECT_EQ(numberOf([&] { open("folder", {Variant(8)}); }), 70);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
    dir.write("plain", "x");
    EXPECT_EQ(numberOf([&] { create("plain/inside.txt"); }), 76) << "a file where a folder should be";
}

TEST_F(Fso, ExistenceTestsAndDeletion) {
    dir.write("a.txt", "a");
    dir.write(".hidden", "h");
    std::filesystem::create_directory(dir.file("sub"));
    auto fileExists = [&](const std::string& n) { return truth(call(fso.get(), u"FileExists", {Variant(dir.name(n))})); };
    auto folderExists = [&](const std::string& n) {
        return truth(call(fso.get(), u"FolderExists", {Variant(dir.name(n))}));
    };
    EXPECT_TRUE(fileExists("a.txt"));
    EXPECT_TRUE(fileExists(".hidden")) << "hidden files exist";
    EXPECT_FALSE(fileExists("sub"));
    EXPECT_FALSE(fileExists("b.txt"));
    EXPECT_FALSE(truth(call(fso.get(), u"FileExists", {Variant(u"")})));
    EXPECT_TRUE(folderExists("sub"));
    EXPECT_FALSE(folderExists("a.txt"));

    call(fso.get(), u"DeleteFile", {Variant(dir.name("a.txt"))});
    EXPECT_FALSE(dir.exists("a.txt"));
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"DeleteFile", {Variant(dir.name("a.txt"))}); }), 53);
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"DeleteFile", {Variant(dir.name("sub"))}); }), 53);
    EXPECT_TRUE(folderExists("sub"));

    ::chmod(dir.file(".hidden").c_str(), 0444);
    EXPECT_EQ(numberOf([&] { call(fso.get(), u"DeleteFile", {Variant(dir.name(".hidden"))}); }), 70);
    EXPECT_TRUE(dir.exists(".hidden")) << "a read-only file stays without force";
    call(fso.get(), u"DeleteFile", {Variant(dir.name(".hidden")), Variant(true)});
    EXPECT_FALSE(dir.exists(".hidden"));
}

TEST_F(Fso, FileObjectsReadTheFileAsItIsNow) {
    dir.write("data.txt", "12345");
    ComPtr<IDispatch> file = obj(call(fso.get(), u"GetFile", {Variant(dir.name("data.txt"))}));
    EXPECT_EQ(rt::toText(get(file.get(), u"Name")), u"data.txt");
    EXPECT_EQ(rt::toText(get(file.get(), u"Path")), dir.name("data.txt"));
    EXPECT_EQ(rt::toText(rt::invokeId(file.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET)), dir.name("data.txt"))
        << "Path is the default member";
    EXPECT_EQ(rt::toI4(get(file.get(), u"Size")), 5);
    EXPECT_EQ(rt::toI4(get(file.get(), u"Attributes")), scripting::Normal);

    ComPtr<IDispatch> stream = obj(call(file.get(), u"OpenAsTextStream", {Variant(8)}));
    call(stream.get(), u"WriteLine", {Variant(u"6")});
    call(stream.get(), u"Close");
    EXPECT_EQ(rt::toI4(get(file.get(), u"Size")), 8);
    EXPECT_EQ(rt::toText(call(obj(call(file.get(), u"OpenAsTextStream")).get(), u"ReadAll")), u"123456\r\n");

    ::chmod(dir.file("data.txt").c_str(), 0444);
    EXPECT_EQ(rt::toI4(get(file.get(), u"Attributes")), scripting::ReadOnly);
    dir.write(".journal", "");
    ComPtr<IDispatch> hidden = obj(call(fso.get(), u"GetFile", {Variant(dir.name(".journal"))}));
    EXPECT_EQ(rt::toI4(get(hidden.get(), u"Attributes")), scripting::Hidden);

    std::filesystem::remove(dir.file("data.txt"));
    EXPECT_EQ(numberOf([&] { get(file.get(), u"Size"); }), 53);
    EXPECT_EQ(numberOf([&] { call(file.get(), u"OpenAsTextStream", {Variant(8)}); }), 53) << "never created";
    EXPECT_FALSE(dir.exists("data.txt"));

    const std::string relative = "velmora-fso-relative.txt";
    std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.file(""));
    dir.write(relative, "r");
    ComPtr<IDispatch> byRelativeName = obj(call(fso.get(), u"GetFile", {Variant(rt::fromUtf8(relative))}));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(rt::toText(get(byRelativeName.get(), u"Path")), dir.name(relative)) << "the full path";
}

TEST_F(Fso, TextIsWrittenInTheSystemCodePage) {
    const Str text = u"中文 ก";  // Thai is in none of the code pages below
    {
        ScopedLocale chinese("zh-CN");
        call(create("936.txt").get(), u"WriteLine", {Variant(text)});
        EXPECT_EQ(dir.read("936.txt"), "\xD6\xD0\xCE\xC4 ?\r\n");
        EXPECT_EQ(lines("936.txt"), (std::vector<Str>{u"中文 ?"}));
    }
    {
        ScopedLocale traditional("zh-TW");
        call(create("950.txt").get(), u"WriteLine", {Variant(text)});
        EXPECT_EQ(dir.read("950.txt"), "\xA4\xA4\xA4\xE5 ?\r\n");
        EXPECT_EQ(lines("950.txt"), (std::vector<Str>{u"中文 ?"}));
    }
    {
        ScopedLocale english("en-US");
        call(create("1252.txt").get(), u"WriteLine", {Variant(u"中é")});
        EXPECT_EQ(dir.read("1252.txt"), "?\xE9\r\n");
        EXPECT_EQ(lines("1252.txt"), (std::vector<Str>{u"?é"}));
    }
}

TEST_F(Fso, UnicodeFilesCarryOneByteOrderMark) {
    ComPtr<IDispatch> out = create("u.txt", {Variant(true), Variant(true)});
    call(out.get(), u"WriteLine", {Variant(u"中a")});
    call(out.get(), u"Close");
    const std::string expected("\xFF\xFE\x2D\x4E\x61\x00\x0D\x00\x0A\x00", 10);
    EXPECT_EQ(dir.read("u.txt"), expected);

    ComPtr<IDispatch> more = open("u.txt", {Variant(8), Variant(false), Variant(-1)});
    call(more.get(), u"Write", {Variant(u"b")});
    call(more.get(), u"Close");
    EXPECT_EQ(dir.read("u.txt"), expected + std::string("b\0", 2)) << "no second mark when appending";
    ComPtr<IDispatch> in = open("u.txt", {Variant(1), Variant(false), Variant(-1)});
    EXPECT_EQ(rt::toText(call(in.get(), u"ReadAll")), u"中a\r\nb");

    dir.write("empty.txt", "");
    ComPtr<IDispatch> first = open("empty.txt", {Variant(8), Variant(false), Variant(-1)});
    call(first.get(), u"Write", {Variant(u"x")});
    call(first.get(), u"Close");
    EXPECT_EQ(dir.read("empty.txt"), std::string("\xFF\xFEx\0", 4)) << "an empty file gets its mark";
}

TEST_F(Fso, AClosedStreamRefusesAndReleasingItClosesTheFile) {
    const size_t before = openDescriptors();
    ComPtr<IDispatch> out = create("c.txt");
    EXPECT_EQ(openDescriptors(), before + 1);
    call(out.get(), u"Close");
    EXPECT_EQ(openDescriptors(), before);
    call(out.get(), u"Close");  // harmless
    EXPECT_EQ(numberOf([&] { call(out.get(), u"WriteLine", {Variant(u"late")}); }), 52);

    ComPtr<IDispatch> dropped = create("d.txt");
    call(dropped.get(), u"WriteLine", {Variant(u"kept")});
    dropped = nullptr;
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(dir.read("d.txt"), "kept\r\n");

    ComPtr<IDispatch> reader = open("d.txt");
    EXPECT_EQ(openDescriptors(), before) << "a read stream holds its text, not the file";
    call(reader.get(), u"Close");
    EXPECT_EQ(numberOf([&] { call(reader.get(), u"ReadLine"); }), 52);
    EXPECT_EQ(numberOf([&] { call(reader.get(), u"WriteBlankLines", {Variant(-1)}); }), 52);
}

TEST(FsoEarlyBound, StatusCodesErrorInformationAndDefaults) {
    TempDir dir;
    ComPtr<scripting::IFileSystem> fso;
    ASSERT_EQ(rt::createInstance(scripting::kClsidFileSystem, scripting::IFileSystem::IID_,
                                 reinterpret_cast<void**>(fso.put())),
              rt::S_OK);
    ComPtr<scripting::ITextStream> stream;
    ASSERT_EQ(fso->CreateTextFile(dir.name("e.txt"), rt::VARIANT_TRUE, rt::VARIANT_FALSE, stream.put()), rt::S_OK);
    EXPECT_EQ(stream->WriteBlankLines(1), rt::S_OK);
    rt::HRESULT hr = stream->WriteBlankLines(-1);
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), 5);
    EXPECT_EQ(stream->Close(), rt::S_OK);
    EXPECT_EQ(dir.read("e.txt"), "\r\n");

    ComPtr<scripting::ITextStream> none;
    hr = fso->OpenTextFile(dir.name("missing.txt"), scripting::ForReading, rt::VARIANT_FALSE, 0, none.put());
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), 53);
    EXPECT_EQ(e.description(), u"File not found: " + dir.name("missing.txt"));
    EXPECT_FALSE(none);
    EXPECT_EQ(fso->GetFile(dir.name("e.txt"), nullptr), rt::E_POINTER);
    EXPECT_EQ(rt::takeErrorInfo(fso->DeleteFile(Str(u"a\0b", 3), rt::VARIANT_FALSE)).numberValue(), 52);

    for (const rt::InterfaceInfo* info :
         {&scripting::IFileSystem::info(), &scripting::IFile::info(), &scripting::ITextStream::info()}) {
        for (const auto& m : info->members()) EXPECT_FALSE(m.help.empty()) << info->name() << "." << m.name;
    }
}
