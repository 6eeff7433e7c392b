// What a script sees of get and set: exit statuses, fixed words and JSON.
#include "ScratchRegistry.h"
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tessaport {
namespace {

using Json = nlohmann::ordered_json;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string kKeys = "[HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Tessaport\\";

std::string Key(const std::string &provider, const std::string &values) {
    return kKeys + provider + "]\n" + values + "\n";
}

const std::string kAdlink123 = Key("Adlink", "\"NumberOfCards\"=dword:00000001\n"
                                             "\"PIIBeginAddress\"=dword:00000002\n"
                                             "\"PIQBeginAddress\"=dword:00000003\n");
const std::string kAdvantech456 = Key("Advantech", "\"NumberOfCards\"=dword:00000004\n"
                                                   "\"PIIBeginAddress\"=dword:00000005\n"
                                                   "\"PIQBeginAddress\"=dword:00000006\n");
const std::string kAdlinkWrongType = Key("Adlink", "\"NumberOfCards\"=dword:00000001\n"
                                                   "\"PIIBeginAddress\"=dword:00000002\n"
                                                   "\"PIQBeginAddress\"=\"3\"\n");
const std::string kDamaged = kHeader + kKeys + "Adlink]\n\"NumberOfCards\"=dword:xyz\n";

// Messages name the scratch file: only their presence is compared.
Json WithoutMessages(Json document) {
    if (document.contains("message")) {
        EXPECT_FALSE(document["message"].get<std::string>().empty());
        document["message"] = "...";
        return document;
    }
    for (auto &[provider, entry] : document.items()) {
        if (entry.contains("message")) {
            EXPECT_TRUE(entry["message"].is_string() &&
                        !entry["message"].get<std::string>().empty())
                << provider;
            entry["message"] = "...";
        }
    }
    return document;
}

struct StatusCase {
    const char *label;
    std::optional<std::string> hive; // nullopt: no file
    const char *arguments;
    int status;
    std::string out; // JSON when it starts with "{"
    bool writes;     // whether the hive may change
};

TEST(ExitStatus, GetAndSetReportWhatTheyFoundAndDid) {
    const StatusCase cases[] = {
        {"no file", std::nullopt, "get Adlink", 4, "", false},
        {"no key", kHeader + kAdvantech456, "get adlink", 4, "", false},
        {"a value missing", kHeader + Key("Adlink", "\"NumberOfCards\"=dword:1\n"), "get Adlink", 4,
         "", false},
        {"a value of another type", kHeader + kAdlinkWrongType, "get Adlink", 1, "", false},
        {"a damaged file", kDamaged, "get Adlink", 1, "", false},
        {"every provider", kHeader + kAdvantech456 + kAdlink123, "get", 0,
         "[Advantech]\nNumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6\n\n"
         "[Adlink]\nNumberOfCards=1\nPIIBeginAddress=2\nPIQBeginAddress=3\n",
         false},
        {"every provider, one never configured", kHeader + kAdlink123, "get", 0,
         "[Advantech]\nnot configured\n\n[Adlink]\nNumberOfCards=1\nPIIBeginAddress=2\n"
         "PIQBeginAddress=3\n",
         false},
        {"every provider, none configured", kHeader, "get", 4,
         "[Advantech]\nnot configured\n\n[Adlink]\nnot configured\n", false},
        {"quiet", kHeader + kAdlink123, "get -q", 0, "", false},
        {"every provider, one failing", kHeader + kAdlinkWrongType, "get", 1,
         "[Advantech]\nnot configured\n", false},
        {"JSON of every provider", kHeader + kAdlinkWrongType, "get --json", 1,
         R"({"Advantech": {"status": "not configured", "message": "..."},
             "Adlink": {"status": "failed", "message": "..."}})",
         false},
        {"JSON of one provider", kHeader + kAdlink123, "get ADLINK --json", 0,
         R"({"Adlink": {"status": "ok", "NumberOfCards": 1, "PIIBeginAddress": 2,
                        "PIQBeginAddress": 3}})",
         false},
        {"set into an empty file", "", "set adlink 1 2 3", 0, "changed\n", true},
        {"set what is there", kHeader + kAdlink123, "set Adlink 1 2 3", 0, "unchanged\n", false},
        {"set over a value of another type", kHeader + kAdlinkWrongType, "set Adlink 1 2 3", 0,
         "changed\n", true},
        {"check", kHeader + kAdlink123, "set --check Adlink 1 2 4", 0,
         "would change\nPIQBeginAddress: 3 -> 4\n", false},
        {"check of a new key", std::nullopt, "set Adlink 0 0 0 --check", 0,
         "would change\nNumberOfCards: (none) -> 0\nPIIBeginAddress: (none) -> 0\n"
         "PIQBeginAddress: (none) -> 0\n",
         false},
        {"check of what is there", kHeader + kAdlink123, "set --check Adlink 1 2 3", 0,
         "unchanged\n", false},
        {"JSON of set", kHeader + kAdlinkWrongType, "set --json Adlink 1 2 4", 0,
         R"({"Adlink": {"status": "changed", "NumberOfCards": 1, "PIIBeginAddress": 2,
                        "PIQBeginAddress": 4, "previous": {"NumberOfCards": 1,
                        "PIIBeginAddress": 2, "PIQBeginAddress": null}}})",
         true},
        {"JSON of a check", kHeader + kAdlink123, "set --json --check Adlink 1 2 3", 0,
         R"({"Adlink": {"status": "unchanged", "NumberOfCards": 1, "PIIBeginAddress": 2,
                        "PIQBeginAddress": 3, "previous": {"NumberOfCards": 1,
                        "PIIBeginAddress": 2, "PIQBeginAddress": 3}}})",
         false},
        {"JSON of a failed set", kDamaged, "set --json Adlink 1 2 3", 1,
         R"({"Adlink": {"status": "failed", "message": "..."}})", false},
        {"quiet set", kHeader, "set --quiet Adlink 1 2 3", 0, "", true},
        {"-- ends the options", kHeader, "set -- Adlink 1 2 3", 0, "changed\n", true},
        {"--json after --", kHeader, "get -- --json", 2, "", false},
        {"JSON of a usage error", kHeader, "set --json Adlink 20 0 0", 2,
         R"({"status": "usage error", "message": "..."})", false},
        {"--json where it has no meaning", kHeader, "export --json", 2,
         R"({"status": "usage error", "message": "..."})", false},
        {"delete", kHeader + kAdlink123, "delete adlink", 0, "deleted\n", true},
        {"delete, checked", kHeader + kAdlink123, "delete --check Adlink", 0, "would delete\n",
         false},
        {"delete of a key never there", kHeader + kAdvantech456, "delete Adlink -q", 0, "", false},
        {"delete of a key with a subkey", kHeader + kAdlink123 + Key("Adlink\\Card", ""),
         "delete Adlink", 1, "", false},
        {"JSON of a delete",
         kHeader + kAdlink123 + Key("Adlink\\Card", "") + "[-" + kKeys.substr(1) +
             "Adlink\\Card]\n",
         "delete --json Adlink", 0, R"({"Adlink": {"status": "deleted"}})", true},
        {"--check where it has no meaning", kHeader, "get --check", 2, "", false},
    };
    for (const StatusCase &c : cases) {
        SCOPED_TRACE(c.label);
        testing::ScratchRegistry registry;
        const std::filesystem::path hive = testing::CurrentHive();
        if (c.hive) {
            testing::WriteFile(hive, *c.hive);
        }
        const testing::ToolOutcome outcome = testing::RunTool(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        if (c.out.starts_with("{")) {
            EXPECT_EQ(WithoutMessages(Json::parse(outcome.out)), Json::parse(c.out)) << outcome.out;
            EXPECT_EQ(outcome.err, "");
        } else {
            EXPECT_EQ(outcome.out, c.out);
        }
        if (!c.writes) {
            EXPECT_EQ(testing::ReadFile(hive), c.hive);
        }
    }
}

TEST(ExitStatus, DeleteRemovesThatProvidersKeyAloneAndASetBringsItBack) {
    testing::ScratchRegistry registry;
    testing::WriteFile(testing::CurrentHive(), kHeader + kAdvantech456 + kAdlink123);
    ASSERT_EQ(testing::RunTool("delete Adlink").status, 0);
    EXPECT_EQ(testing::RunTool("get Adlink").status, 4);
    EXPECT_EQ(testing::RunTool("get Advantech").out,
              "NumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6\n");
    ASSERT_EQ(testing::RunTool("set Adlink 1 2 3").out, "changed\n");
    EXPECT_EQ(testing::RunTool("get Adlink").out,
              "NumberOfCards=1\nPIIBeginAddress=2\nPIQBeginAddress=3\n");
}

TEST(ExitStatus, ProvidersAreWrittenWithTheCataloguesSpelling) {
    testing::ScratchRegistry registry;
    ASSERT_EQ(testing::RunTool("set ADVANTECH 1 2 3").status, 0);
    ASSERT_EQ(testing::RunTool("set adlink 4 5 6").status, 0);
    const std::string hive = testing::ReadFile(testing::CurrentHive()).value_or("");
    EXPECT_NE(hive.find(kKeys + "Advantech]"), std::string::npos) << hive;
    EXPECT_NE(hive.find(kKeys + "Adlink]"), std::string::npos) << hive;
    EXPECT_EQ(testing::RunTool("get aDLINK").out,
              "NumberOfCards=4\nPIIBeginAddress=5\nPIQBeginAddress=6\n");
}

} // namespace
} // namespace tessaport
