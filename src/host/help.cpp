#include "help.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace host {

namespace {

struct Topic {
    const char* name;
    const char* synopsis;  // after "velmora "
    const char* summary;   // one line, for the overview
    const char* details;   // paragraphs, each line ended by "\n"
};

constexpr size_t kSummaryColumn = 46;

constexpr std::array kCommands{
    Topic{"run", "run [--echo] [FILE]", "answer JSON requests, one per line (FILE or standard input)",
          "Reads one JSON request per line from FILE (standard input when FILE is absent or \"-\";\n"
          "write ./--help for a file of that name) and answers each with one JSON line on standard\n"
          "output, in order. Requests create objects, call their members late-bound (by name or\n"
          "dispatch id, with by-reference, named and missing arguments), bind variables, print them,\n"
          "release them and queue message box answers; each may run on one of 64 threads. Blank lines\n"
          "and lines starting with \"#\" are skipped. docs/protocol.md describes every request and\n"
          "answer.\n"
          "\n"
          "--echo  show each answer below the comment lines before its request and the request\n"
          "        itself (after \"> \"), for a reader following a script.\n"
          "\n"
          "Exit status: 0 at the end of the input (failed requests are answered, not fatal); 1 when\n"
          "standard output cannot be written; 2 for a usage error or a FILE that cannot be opened.\n"},
    Topic{"call", "call [--json] [--on PROGID] MEMBER [ARG ...]",
          "one call on a new CCommonFunction (or PROGID); each ARG is a JSON value",
          "Creates a CCommonFunction (with --on, an object of class PROGID), calls MEMBER late-bound\n"
          "with the ARGs and prints the result's typed JSON, then one line \"name = value\" for each\n"
          "by-reference argument as the call left it. Each ARG is JSON text: a plain value\n"
          "('\"  text \"', 12, 1.5, true, null, [1, 2]), a typed value ('{\"type\": \"decimal\",\n"
          "\"value\": \"1234.56\"}') or {\"missing\": true} for an omitted optional argument. A message\n"
          "box asks on the terminal.\n"
          "\n"
          "--json  print one JSON document instead: {\"ok\": true, \"value\": VALUE, \"byref\": {NAME:\n"
          "        VALUE}}, or {\"ok\": false, \"error\": {...}} when the call fails.\n"
          "\n"
          "Exit status: 0 when the call succeeds; 1 when it fails (the error is written to standard\n"
          "error: number, description, source and status, and which argument when one was refused);\n"
          "2 for a usage error or an ARG that is not JSON.\n"},
    Topic{"describe", "describe [--json | --markdown] [PROGID]", "the classes, interfaces and members",
          "Prints the library's type library: each class with its class id, each interface with its\n"
          "members, dispatch ids, parameters (by value or by reference, optional, defaults) and\n"
          "result types. With PROGID, that class alone (the library's or the platform's) and every\n"
          "interface it reaches.\n"
          "\n"
          "--json      one JSON document: every class the host can create, the platform's included,\n"
          "            and every interface they reach, with kinds, dispatch ids, parameters, result\n"
          "            types and help\n"
          "--markdown  the reference (docs/reference.md) of every creatable class\n"
          "\n"
          "Exit status: 0, or 1 when the library cannot be loaded or PROGID names no class.\n"},
    Topic{"register", "register", "record the library in the registry file",
          "Runs the library's DllRegisterServer: records its creatable classes under their program\n"
          "identifiers (Velmora.CCommonFunction, Velmora.CGlobal, Velmora.CReset) and its type\n"
          "library in the registry file (see ENVIRONMENT: VELMORA_REGISTRY).\n"
          "\n"
          "Exit status: 0, or 1 when the library cannot be loaded or the file cannot be written.\n"},
    Topic{"unregister", "unregister", "remove the library from the registry file",
          "Runs the library's DllUnregisterServer: removes exactly the entries that register wrote.\n"
          "\n"
          "Exit status: 0, or 1 when the library cannot be loaded or the file cannot be written.\n"},
    Topic{"help", "help [COMMAND | environment]", "this text, a command's own, or the environment variables",
          "Prints the overview, the help of COMMAND (as \"velmora COMMAND --help\" does), or the\n"
          "environment variables that the host and the library read.\n"},
};

constexpr const char* kEnvironment =
    "VELMORA_LANGUAGE\n"
    "    The suite's language for texts and amounts in words, as a locale tag (zh-CN,\n"
    "    zh_TW.UTF-8). Default: the language of the system locale. Amounts in words\n"
    "    (LittleToBig) are spelled only in zh-CN and zh-TW and are empty text otherwise.\n"
    "VELMORA_LOCALE, LC_ALL, LANG\n"
    "    The system locale, the first that is set: short date format and the code page that\n"
    "    LenEx, LeftEx, RightEx and MidEx count bytes in (936 zh-CN, 950 zh-TW, 932 ja-JP,\n"
    "    949 ko-KR, 1252 otherwise). Default: en-US. Read once per process.\n"
    "VELMORA_REGISTRY\n"
    "    The registry file (classes and type libraries that register records). Default:\n"
    "    $XDG_CONFIG_HOME/velmora/registry.json, else $HOME/.config/velmora/registry.json.\n"
    "VELMORA_CATALOGS\n"
    "    The folder of the message catalogs (<language>.txt). Default: catalogs/ beside the\n"
    "    platform library (a build folder), else velmora/catalogs/ beside it (installed).\n"
    "VELMORA_LIBRARY\n"
    "    The component server file (libvelmora.so) that clients load. Default: beside the\n"
    "    platform library, else in velmora/ beside it, else beside the program or in\n"
    "    ../lib/velmora/ from it.\n"
    "VELMORA_POSTGRESQL_DRIVER\n"
    "    The ODBC driver name for Provider=PostgreSQL. Default: PostgreSQL Unicode.\n"
    "VELMORA_SQLSERVER_DRIVER\n"
    "    The ODBC driver name for Provider=SQLOLEDB and SQLNCLI. Default: FreeTDS.\n"
    "VELMORA_TRACE\n"
    "    sql writes one line per SQL statement sent to a database to standard error;\n"
    "    sql:FILE appends the lines to FILE. Each line gives the provider, the connection's\n"
    "    pool key (never its password), the statement as sent after every rewrite, the time\n"
    "    it took and the rows it returned or changed, or its error. Default: unset, no trace.\n";

const Topic* find(std::string_view name) {
    for (const Topic& t : kCommands)
        if (name == t.name) return &t;
    return nullptr;
}

}  // namespace

std::string versionText() { return std::string("velmora ") + VELMORA_VERSION + "\n"; }

std::string overallHelp() {
    std::string out;
    bool first = true;
    for (const Topic& t : kCommands) {
        std::string line = std::string(first ? "usage: " : "       ") + "velmora " + t.synopsis;
        // A synopsis too long for the column puts its summary on the next line.
        if (line.size() + 1 > kSummaryColumn) {
            out += line + "\n";
            line.clear();
        }
        line.resize(kSummaryColumn, ' ');
        out += line + t.summary + "\n";
        first = false;
    }
    std::string version = "       velmora --version";
    version.resize(kSummaryColumn, ' ');
    out += version + "the version\n";
    out +=
        "\n"
        "The scripting host of the Velmora component library: drives the library late-bound, as\n"
        "any client does. \"velmora COMMAND --help\" tells more about a command; \"velmora help\n"
        "environment\" lists the environment variables.\n";
    return out;
}

std::string helpOf(std::string_view command) {
    if (command == "environment") return "Environment variables read by velmora and the library:\n\n" + std::string(kEnvironment);
    const Topic* t = find(command);
    if (!t) return {};
    std::string summary = t->summary;
    summary[0] = char(std::toupper(static_cast<unsigned char>(summary[0])));
    return std::string("usage: velmora ") + t->synopsis + "\n\n" + summary + ".\n\n" + t->details;
}

}  // namespace host
