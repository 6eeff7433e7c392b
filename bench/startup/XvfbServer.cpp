#include "XvfbServer.h"

#include "Descriptor.h"
#include "EBenchError.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

XvfbServer::XvfbServer() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw EBenchError(std::string("pipe: ") + std::strerror(errno));
    }
    Descriptor readEnd(fds[0]);
    Descriptor writeEnd(fds[1]);

    // Xvfb writes the display number it chose to descriptor 3 once it accepts clients.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 3);
    std::vector<std::string> args{"Xvfb", "-displayfd",  "3",         "-screen",
                                  "0",    "1024x768x24", "-nolisten", "tcp"};
    std::vector<char *> argv;
    for (std::string &arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int error = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw EBenchError(std::string("cannot start Xvfb: ") + std::strerror(error));
    }
    writeEnd.Close();

    std::string number;
    char c = 0;
    while (::read(readEnd.get(), &c, 1) == 1 && c != '\n') {
        number += c;
    }
    if (number.empty()) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        throw EBenchError("Xvfb did not report a display");
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}
