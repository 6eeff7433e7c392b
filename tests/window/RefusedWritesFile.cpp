#include "RefusedWrites.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace tessaport::testing {

namespace fs = std::filesystem;

struct RefusedWrites::State {
    std::string hive;
    fs::path blocker;
};

RefusedWrites::RefusedWrites() : state_(std::make_unique<State>()) {
    const char *hive = std::getenv("TESSAPORT_REGISTRY");
    if (!hive) {
        throw std::logic_error("RefusedWrites needs a scratch registry");
    }
    state_->hive = hive;
    // Neither opened nor created below a regular file, even by root.
    state_->blocker = fs::path(state_->hive).parent_path() / "not-a-folder";
    std::ofstream(state_->blocker) << "plain file\n";
    ::setenv("TESSAPORT_REGISTRY", (state_->blocker / "registry.reg").c_str(), 1);
}

RefusedWrites::~RefusedWrites() {
    ::setenv("TESSAPORT_REGISTRY", state_->hive.c_str(), 1);
    std::error_code ignored;
    fs::remove(state_->blocker, ignored);
}

} // namespace tessaport::testing
