// A helper program of a test, run as a child process that takes commands on its standard input and
// answers with lines on its standard output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace zv::capture::testing {

class ChildProcess {
public:
    ChildProcess(const std::string& path, const std::vector<std::string>& arguments)
    {
        int input[2], output[2];
        if (pipe2(input, O_CLOEXEC) != 0) return;
        if (pipe2(output, O_CLOEXEC) != 0) {
            close(input[0]), close(input[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        m_input = input[1];
        m_output = output[0];
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_input >= 0) close(m_input);
        if (m_output >= 0) close(m_output);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    bool Send(const std::string& line)
    {
        const std::string text = line + "\n";
        return write(m_input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    // The next line of output; empty when none comes within the time (or the child ended).
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto end = m_pending.find('\n');
            if (end != std::string::npos) {
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd wait{m_output, POLLIN, 0};
            if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t got = read(m_output, chunk, sizeof chunk);
            if (got <= 0) return {};
            m_pending.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // Sends a command and returns its answer.
    std::string Ask(const std::string& command, std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        return Send(command) ? ReadLine(limit) : std::string();
    }
    // The exit status once the child has ended within the time; -1 otherwise.
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > deadline) return -1;
            usleep(10000);
        }
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    bool m_exited = false;
    std::string m_pending;
};

} // namespace zv::capture::testing
