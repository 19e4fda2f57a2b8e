// velmora: the scripting host. Drives the library late-bound, as any client does.
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "help.h"
#include "run.h"
#include "client.h"

namespace {

int usage(std::ostream& to, int status) {
    to << host::overallHelp();
    return status;
}

bool asksForHelp(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == "--help" || args[0] == "-h");
}

// `velmora help [TOPIC]`, `velmora --help`, `velmora COMMAND --help`.
int help(const std::vector<std::string>& args) {
    if (args.empty()) return usage(std::cout, 0);
    const std::string topic = asksForHelp(args) ? "help" : args[0];
    const std::string text = args.size() == 1 ? host::helpOf(topic) : std::string();
    if (text.empty()) {
        std::cerr << "velmora: no help for \"" << args[0] << "\"\n";
        return usage(std::cerr, 2);
    }
    std::cout << text;
    return 0;
}

int run(std::vector<std::string> args) {
    host::Echo echo = host::Echo::Off;
    if (!args.empty() && args[0] == "--echo") {
        echo = host::Echo::On;
        args.erase(args.begin());
    }
    if (args.size() > 1) return usage(std::cerr, 2);
    velmora::client::useLibrary();
    if (args.empty() || args[0] == "-") return host::runRequests(std::cin, std::cout, echo);
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
    return host::runRequests(file, std::cout, echo);
}

// `velmora call [--json] [--on PROGID] MEMBER [ARG ...]`
int call(const std::vector<std::string>& args) {
    host::CallOptions options;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--json") {
            options.json = true;
        } else if (args[i] == "--on" && i + 1 < args.size()) {
            options.progid = args[++i];
        } else {
            break;
        }
    }
    if (i >= args.size() || args[i].rfind("--", 0) == 0) return usage(std::cerr, 2);
    return host::callCommand(options, args[i], {args.begin() + long(i) + 1, args.end()}, std::cout, std::cerr);
}

// `velmora describe [--json | --markdown] [PROGID]` (no PROGID with --markdown)
int describe(const std::vector<std::string>& args) {
    host::DescribeFormat format = host::DescribeFormat::Listing;
    std::string progid;
    for (const std::string& a : args) {
        if (a == "--json" && format == host::DescribeFormat::Listing) {
            format = host::DescribeFormat::Json;
        } else if (a == "--markdown" && format == host::DescribeFormat::Listing) {
            format = host::DescribeFormat::Markdown;
        } else if (a.rfind("--", 0) != 0 && progid.empty()) {
            progid = a;
        } else {
            return usage(std::cerr, 2);
        }
    }
    if (format == host::DescribeFormat::Markdown && !progid.empty()) return usage(std::cerr, 2);
    return host::describeCommand(format, progid, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    // A closed output pipe is a write error to report, not a signal to die of.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    if (argc < 2) return usage(std::cerr, 2);
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--version" || command == "-V") {
        std::cout << host::versionText() << std::flush;
        return std::cout ? 0 : 1;
    }
    if (command == "help" || command == "--help" || command == "-h") return help(args);
    if (asksForHelp(args) && !host::helpOf(command).empty()) return help({command});
    if (command == "run") return run(args);
    if (command == "call") return call(args);
    if (command == "describe") return describe(args);
    if (command == "register" && args.empty()) return host::registerCommand(false, std::cout, std::cerr);
    if (command == "unregister" && args.empty()) return host::registerCommand(true, std::cout, std::cerr);
    std::cerr << "velmora: unknown command \"" << command << "\"\n";
    return usage(std::cerr, 2);
}
