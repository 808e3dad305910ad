// Runs the test helper as a second process and talks to it one line at a time.
#pragma once

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zv::win32::testing {

class ChildProcess {
public:
    // The helper sees the current environment, with ZV_ROOT replaced when `zvRoot` is given;
    // `program` is a copy of it under another name, when given.
    explicit ChildProcess(const std::string& zvRoot = {}, std::string program = WIN32_TEST_HELPER_PATH)
    {
        // A helper that died early must fail the test, not kill it with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);

        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            if (zvRoot.empty() || std::strncmp(*entry, "ZV_ROOT=", 8) != 0)
                environment.emplace_back(*entry);
        }
        if (!zvRoot.empty())
            environment.push_back("ZV_ROOT=" + zvRoot);
        std::vector<char*> envp;
        for (auto& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        char* argv[] = {program.data(), nullptr};
        const int spawned = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        if (spawned != 0) {
            close(toChild[1]);
            close(fromChild[0]);
            throw std::runtime_error("cannot start the test helper");
        }
        m_in = fdopen(toChild[1], "w");
        m_out = fdopen(fromChild[0], "r");
    }

    ~ChildProcess() { Exit(); }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Sends one command and returns the helper's answer.
    std::string Call(const std::string& command)
    {
        std::fprintf(m_in, "%s\n", command.c_str());
        std::fflush(m_in);
        char line[256] = {};
        if (!std::fgets(line, sizeof line, m_out))
            return "<no answer>";
        std::string answer = line;
        if (!answer.empty() && answer.back() == '\n')
            answer.pop_back();
        return answer;
    }

    // Ends the helper without any cleanup on its side and waits until it is gone.
    void Exit()
    {
        if (m_pid <= 0)
            return;
        std::fprintf(m_in, "exit\n");
        std::fclose(m_in);
        std::fclose(m_out);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    FILE* m_in = nullptr;
    FILE* m_out = nullptr;
};

} // namespace zv::win32::testing
