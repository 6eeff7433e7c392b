#include "ChildProcess.h"

#include "Descriptor.h"
#include "EBenchError.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

std::vector<char *> Pointers(std::vector<std::string> &strings) {
    std::vector<char *> pointers;
    for (std::string &s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions &) = delete;
    SpawnFileActions &operator=(const SpawnFileActions &) = delete;
    posix_spawn_file_actions_t *get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

std::vector<std::string>
EnvironmentWith(const std::map<std::string, std::optional<std::string>> &changes) {
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!changes.contains(text.substr(0, text.find('=')))) {
            environment.push_back(text);
        }
    }
    for (const auto &[name, value] : changes) {
        if (value) {
            environment.push_back(name + "=" + *value);
        }
    }
    return environment;
}

ChildRun RunToCompletion(const std::string &program, const std::vector<std::string> &environment) {
    std::vector<std::string> args{program};
    std::vector<std::string> env = environment;
    std::vector<char *> argv = Pointers(args);
    std::vector<char *> envp = Pointers(env);
    // The probe's stdout comes back through a pipe; it reports its first paint there.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw EBenchError(std::string("pipe: ") + std::strerror(errno));
    }
    Descriptor readEnd(fds[0]);
    Descriptor writeEnd(fds[1]);
    SpawnFileActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (const int error =
            posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), envp.data())) {
        throw EBenchError("cannot start " + program + ": " + std::strerror(error));
    }
    writeEnd.Close();
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = ::read(readEnd.get(), buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw EBenchError("cannot wait for " + program + ": " + std::strerror(errno));
        }
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw EBenchError(program + " failed (wait status " + std::to_string(status) + ")");
    }
    long long paintedNs = 0;
    if (std::sscanf(output.c_str(), "first-paint %lld", &paintedNs) != 1) {
        throw EBenchError(program + " did not report its first paint");
    }
    const std::chrono::steady_clock::time_point painted{std::chrono::nanoseconds(paintedNs)};
    using Ms = std::chrono::duration<double, std::milli>;
    return {Ms(painted - start).count(), Ms(end - start).count(), usage.ru_maxrss};
}
