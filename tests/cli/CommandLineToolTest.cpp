// Runs the real tessaport-reg against a scratch hive, as a script would.
#include "ScratchRegistry.h"
#include "ShellCommand.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessaport {
namespace {

using Outcome = testing::ShellOutcome; // output: standard output followed by standard error

Outcome RunTool(const std::string &arguments) {
    // A later redirection of standard error in the arguments wins over this one.
    return testing::RunShell(std::string(TESSAPORT_REG_TOOL) + " 2>&1 " + arguments);
}

struct SeparateOutcome {
    int status;
    std::string out;
    std::string err;
};

std::string ReadWhole(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Keeps standard output and standard error apart, as a script capturing one of them sees them.
SeparateOutcome RunToolSeparately(const std::string &arguments) {
    const std::filesystem::path errors = std::filesystem::temp_directory_path() /
                                         ("tessaport-reg-stderr-" + std::to_string(getpid()));
    const Outcome outcome = RunTool(arguments + " 2>'" + errors.string() + "'");
    SeparateOutcome separate{outcome.status, outcome.output, ReadWhole(errors)};
    std::filesystem::remove(errors);
    return separate;
}

const std::string kAdlinkKey = "Software\\Korvanta\\Tessaport\\Adlink";

TEST(CommandLineTool, SetThenGetRoundTrips) {
    testing::ScratchRegistry registry;

    const Outcome set = RunTool("set Adlink 3 10 20");
    EXPECT_EQ(set.status, 0) << set.output;
    EXPECT_EQ(set.output, "changed\n");

    const Outcome get = RunTool("get Adlink");
    EXPECT_EQ(get.status, 0) << get.output;
    EXPECT_EQ(get.output, "NumberOfCards=3\nPIIBeginAddress=10\nPIQBeginAddress=20\n");
}

TEST(CommandLineTool, GetPrintsStoredValuesAsTheyAreEvenOutsideTheLists) {
    testing::ScratchRegistry registry;
    registry.SetDword(kAdlinkKey, "NumberOfCards", 25);
    registry.SetDword(kAdlinkKey, "PIIBeginAddress", 0xFFFFFFFF);
    registry.SetDword(kAdlinkKey, "PIQBeginAddress", 0x80000000);

    const Outcome get = RunTool("get Adlink");
    EXPECT_EQ(get.status, 0) << get.output;
    EXPECT_EQ(get.output, "NumberOfCards=25\nPIIBeginAddress=-1\nPIQBeginAddress=-2147483648\n");
}

TEST(CommandLineTool, MissingSettingsExitWithFourAndTheirMessage) {
    testing::ScratchRegistry registry;

    const Outcome missing = RunTool("get Advantech");
    EXPECT_EQ(missing.status, 4);
    EXPECT_NE(missing.output.find("Registry Not Found!!"), std::string::npos) << missing.output;

    registry.SetDword("Software\\Korvanta\\Tessaport\\Advantech", "NumberOfCards", 2);
    const Outcome partial = RunTool("get Advantech");
    EXPECT_EQ(partial.status, 4);
    EXPECT_NE(partial.output.find("PIIBeginAddress"), std::string::npos) << partial.output;
}

TEST(CommandLineTool, UsageErrorsExitWithTwoAndWriteNothing) {
    testing::ScratchRegistry registry;
    const char *invalid[] = {
        "",
        "frob Adlink",
        "get Adlink extra",
        "set Adlink 3 10",
        "set Adlink 3 10 20 30",
        "set Adlink 20 0 0",
        "set Adlink 0 50 0",
        "set Adlink 0 0 -1",
        "set Adlink 03x 0 0",
        "set Adlink 03 0 0",
        "set Adlink +3 0 0",
        "set Adlink -0 0 0",
        "set Adlink 0 -0 0",
        "set Adlink ' 3' 0 0",
        "set Adlink 4294967299 0 0",
        "set Unknown 1 1 1",
    };
    for (const char *arguments : invalid) {
        const Outcome outcome = RunTool(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments << "\n" << outcome.output;
        EXPECT_NE(outcome.output.find("Try 'tessaport-reg --help'"), std::string::npos)
            << arguments;
    }
    const Outcome outOfRange = RunTool("set Adlink 20 0 0");
    EXPECT_NE(outOfRange.output.find("0 to 19"), std::string::npos) << outOfRange.output;
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));
}

TEST(CommandLineTool, FailuresToOpenTheKeySayWhichFileAndWhy) {
    testing::ScratchRegistry registry;
    const std::string hive = std::getenv("TESSAPORT_REGISTRY");
    const Outcome missing = RunTool("get Advantech");
    EXPECT_EQ(missing.status, 4);
    EXPECT_NE(missing.output.find("Registry Not Found!! (" + hive + ": "), std::string::npos)
        << missing.output;
}

TEST(CommandLineTool, SettingsThatCannotBePrintedAreAFailureWithAMessage) {
    testing::ScratchRegistry registry;
    ASSERT_EQ(RunTool("set Adlink 1 2 3").status, 0);
    for (const std::string redirect : {" >/dev/full", " >&-"}) {
        SCOPED_TRACE(redirect);
        // Standard error to the pipe, then standard output away.
        const Outcome outcome =
            testing::RunShell(std::string(TESSAPORT_REG_TOOL) + " get Adlink 2>&1" + redirect);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.output.find("cannot write the settings to standard output"),
                  std::string::npos)
            << outcome.output;
    }
}

TEST(CommandLineTool, BoundaryValuesAreAccepted) {
    testing::ScratchRegistry registry;

    EXPECT_EQ(RunTool("set Advantech 0 0 0").status, 0);
    EXPECT_EQ(RunTool("set Advantech 19 49 49").status, 0);
    EXPECT_EQ(RunTool("get Advantech").output,
              "NumberOfCards=19\nPIIBeginAddress=49\nPIQBeginAddress=49\n");
}

bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

TEST(CommandLineTool, HelpGoesToStandardOutputAndNamesCommandsStatusesAndTheHive) {
    testing::ScratchRegistry registry;
    const std::string hive = std::getenv("TESSAPORT_REGISTRY");

    for (const char *option : {"--help", "-h"}) {
        const SeparateOutcome help = RunToolSeparately(option);
        EXPECT_EQ(help.status, 0) << option;
        EXPECT_EQ(help.err, "") << option;
        for (const std::string &part : std::vector<std::string>{
                 "get PROVIDER", "set PROVIDER CARDS DI DO", "--version", "Advantech, Adlink",
                 "Number Of Cards: 0 to 19", "DO Start Address: 0 to 49",
                 "HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\PROVIDER",
                 "the file " + hive + " (from TESSAPORT_REGISTRY", "  0  success",
                 "  1  the registry", "  2  usage error"}) {
            EXPECT_TRUE(Contains(help.out, part)) << option << " lacks " << part << "\n"
                                                  << help.out;
        }
    }
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));
}

TEST(CommandLineTool, EachCommandHasItsOwnHelp) {
    testing::ScratchRegistry registry;
    for (const char *command : {"get", "set", "delete", "export", "import"}) {
        for (const char *rest : {" --help", " Adlink -h", " -q --help extra"}) {
            const SeparateOutcome help = RunToolSeparately(std::string(command) + rest);
            EXPECT_EQ(help.status, 0) << command << rest << help.err;
            EXPECT_TRUE(help.out.starts_with("usage: tessaport-reg " + std::string(command) + " "))
                << help.out;
            EXPECT_FALSE(Contains(help.out, "exit status:")) << help.out;
        }
    }
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));
}

TEST(CommandLineTool, HelpNamesTheBuiltInHiveWhenNoneIsConfigured) {
    const char *configured = std::getenv("TESSAPORT_REGISTRY");
    const std::optional<std::string> saved =
        configured ? std::optional<std::string>(configured) : std::nullopt;
    ::unsetenv("TESSAPORT_REGISTRY");
    const SeparateOutcome help = RunToolSeparately("--help");
    if (saved) {
        ::setenv("TESSAPORT_REGISTRY", saved->c_str(), 1);
    }
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, "the file " TESSAPORT_DEFAULT_HIVE " (TESSAPORT_REGISTRY names"))
        << help.out;
}

TEST(CommandLineTool, VersionGoesToStandardOutputWithTheProjectVersion) {
    const SeparateOutcome version = RunToolSeparately("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.out.substr(0, version.out.find('\n')),
              "tessaport-reg (TessaportConfig) " TESSAPORT_VERSION);
    EXPECT_TRUE(Contains(version.out, "MIT License")) << version.out;
}

TEST(CommandLineTool, UsageErrorsGoToStandardErrorOnly) {
    testing::ScratchRegistry registry;
    for (const char *arguments :
         {"", "--bogus", "-x get Adlink", "--help get", "--version --help", "get -- --help",
          "set Adlink 3 10 -1", "set Adlink 3 10", "export --check", "import"}) {
        const SeparateOutcome outcome = RunToolSeparately(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_EQ(outcome.out, "") << arguments;
        // One line that says what is wrong, and where to read more.
        const std::size_t firstLineEnd = outcome.err.find('\n');
        EXPECT_TRUE(outcome.err.starts_with("tessaport-reg: ")) << arguments;
        EXPECT_EQ(outcome.err.substr(firstLineEnd + 1),
                  "Try 'tessaport-reg --help' for more information.\n")
            << arguments;
    }
    EXPECT_FALSE(registry.KeyExists(kAdlinkKey));
}

} // namespace
} // namespace tessaport
