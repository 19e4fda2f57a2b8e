// velmora: the scripting host. Drives the library late-bound, as any client does.
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "run.h"
#include "client.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora run [FILE]                 answer JSON requests, one per line (FILE or standard input)\n"
    "       velmora call MEMBER [ARG ...]      one call on a new CCommonFunction; each ARG is a JSON value\n"
    "       velmora describe [--markdown]      the library's classes, interfaces and members; with\n"
    "                                          --markdown the reference of every creatable class\n"
    "       velmora register | unregister      record or remove the library in the registry file\n";

int usage(std::ostream& to, int status) {
    to << kUsage;
    return status;
}

int run(const std::vector<std::string>& args) {
    if (args.size() > 1) return usage(std::cerr, 2);
    velmora::client::useLibrary();
    if (args.empty() || args[0] == "-") return host::runRequests(std::cin, std::cout);
    std::ifstream file(args[0]);
    if (!file) {
        std::cerr << "velmora: cannot open " << args[0] << ": " << std::strerror(errno) << "\n";
        return 2;
    }
    std::error_code why;
    if (std::filesystem::is_directory(args[0], why)) {
        std::cerr << "velmora: cannot read " << args[0] << ": it is a folder, not a file of requests\n";
        return 2;
    }
    return host::runRequests(file, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
    // A closed output pipe is a write error to report, not a signal to die of.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    if (argc < 2) return usage(std::cerr, 2);
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "run") return run(args);
    if (command == "call") {
        if (args.empty()) return usage(std::cerr, 2);
        return host::callCommand(args[0], {args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (command == "describe" && args.empty())
        return host::describeCommand(host::DescribeFormat::Listing, std::cout, std::cerr);
    if (command == "describe" && args.size() == 1 && args[0] == "--markdown")
        return host::describeCommand(host::DescribeFormat::Markdown, std::cout, std::cerr);
    if (command == "register" && args.empty()) return host::registerCommand(false, std::cout, std::cerr);
    if (command == "unregister" && args.empty()) return host::registerCommand(true, std::cout, std::cerr);
    if (command == "help" || command == "--help" || command == "-h") return usage(std::cout, 0);
    std::cerr << "velmora: unknown command \"" << command << "\"\n";
    return usage(std::cerr, 2);
}
