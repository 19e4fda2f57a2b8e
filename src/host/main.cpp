// velmora: the scripting host. Drives the library late-bound, as any client does.
#include <csignal>
#include <cstring>
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

int run(const std::vector<std::string>& args) {
    if (args.size() > 1) return usage(std::cerr, 2);
    velmora::client::useLibrary();
    if (args.empty() || args[0] == "-") return host::runRequests(std::cin, std::cout);
    std::ifstream file(args[0]);
    if (!file) {
        std::cerr << "velmora: cannot open " << args[0] << ": " << std::strerror(errno) << "\n";
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
    if (command == "--version" || command == "-V") {
        std::cout << host::versionText() << std::flush;
        return std::cout ? 0 : 1;
    }
    if (command == "help" || command == "--help" || command == "-h") return help(args);
    if (asksForHelp(args) && !host::helpOf(command).empty()) return help({command});
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
    std::cerr << "velmora: unknown command \"" << command << "\"\n";
    return usage(std::cerr, 2);
}
