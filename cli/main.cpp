// tessaport-reg: reads and writes the driver settings from scripts, through the same store as the
// configuration window.
#include "ChangeReport.h"
#include "Commands.h"
#include "ESettingsError.h"
#include "ExitStatus.h"
#include "Invocation.h"
#include "Usage.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "WinConsole.h"

#include <optional>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace tessaport;

// One line that says what is wrong, and where to read more; with --json, the same as JSON.
int UsageError(const std::string &message, bool json) {
    if (json) {
        return RefuseRun(kExitUsage, "usage error", message, json);
    }
    std::cerr << kProgram << ": " << message << "\n"
              << "Try '" << kProgram << " --help' for more information.\n";
    return kExitUsage;
}

// Help and version go to standard output, so a failed write there is a failure too.
int Print(const std::function<void(std::ostream &)> &print) {
    print(std::cout);
    std::cout.flush();
    return std::cout ? kExitOk : kExitFailed;
}

int Run(const std::vector<std::string> &args) {
    Invocation invocation;
    try {
        invocation = ParseCommandLine(args);
    } catch (const EUsageError &failure) {
        return UsageError(failure.what(), AsksForJson(args));
    }
    switch (invocation.command) {
    case Command::Help:
        return Print([&](std::ostream &out) { PrintHelp(out, invocation.helpTopic); });
    case Command::Version:
        return Print(PrintVersion);
    case Command::Get:
        return RunGet(invocation);
    case Command::Set:
        return RunSet(invocation);
    case Command::Delete:
        return RunDelete(invocation);
    case Command::Export:
        return RunExport(invocation);
    case Command::Import:
        return RunImport(invocation);
    }
    return kExitFailed;
}

#ifndef _WIN32
// A standard stream that was closed must not be reused by the next file opened, such as the
// hive's temporary file: it is filled with /dev/null, opened for reading, so that writing to the
// stream still fails and is reported.
void OccupyClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            ::open("/dev/null", O_RDONLY);
        }
    }
}
#endif

// Failures that escape a command: one JSON document with --json too.
int RunReportingFailures(const std::vector<std::string> &args) {
    try {
        return Run(args);
    } catch (const std::exception &failure) {
        return RefuseRun(kExitFailed, "failed", FailureText(failure), AsksForJson(args));
    }
}

} // namespace

#ifdef _WIN32

// UTF-16, so that a name outside the ANSI code page reaches us as it is, not as a look-alike.
int wmain(int argc, wchar_t **argv) {
    const WinConsole console;
    const std::optional<std::vector<std::string>> args = WinConsole::Arguments(argc, argv);
    if (!args) {
        const bool json = std::any_of(argv + 1, argv + argc, [](const wchar_t *arg) {
            return std::wstring_view(arg) == L"--json";
        });
        return UsageError("an argument is not valid Unicode text", json);
    }
    return RunReportingFailures(*args);
}

#else

int main(int argc, char **argv) {
    OccupyClosedStandardStreams();
    return RunReportingFailures({argv + 1, argv + argc});
}

#endif
