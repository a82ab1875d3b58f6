#pragma once

#include "support/CTempDir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

// The result of one run of the real program.
struct CResult {
    int exitCode = -1;
    std::string out; // UTF-8, as the console shows it
    std::string err;
};

// Runs the real program with the given arguments; PELKO_DATA_DIR is the temp folder's data folder.
inline CResult RunPelko(const CTempDir& temp, std::vector<std::string> args) {
    args.insert(args.begin(), PELKO_BINARY);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string outFile = temp.File("stdout.txt");
    const std::string errFile = temp.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Without a display the program runs in the console, whatever the test process itself shows.
    std::vector<std::string> environment;
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable) {
        std::string entry = *variable;
        if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=") ||
            entry.starts_with("QT_QPA_PLATFORM="))
            continue;
        environment.push_back(entry);
    }
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    CResult result;
    if (posix_spawn(&pid, PELKO_BINARY, &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = CTempDir::Read(outFile);
    result.err = CTempDir::Read(errFile);
    return result;
}
