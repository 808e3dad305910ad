// Test support: the scripted HTTP server (scripted_http_server.py) on loopback, started for one test.
#pragma once

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zv::inet::testing {

struct RecordedRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

class ScriptedHttpServer {
public:
    ScriptedHttpServer()
    {
        // Requests to the loopback server never go through a proxy of the environment. The tests'
        // environment has it already (see zv_add_tests): changing the environment while other
        // threads (a display's, a browser's) read it could crash them.
        constexpr const char* kNoProxy = "127.0.0.1,localhost";
        if (const char* now = std::getenv("no_proxy"); !now || std::string(now) != kNoProxy)
            setenv("no_proxy", kNoProxy, 1);
        std::string pattern = (std::filesystem::temp_directory_path() / "zv-http-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create the server's folder");
        m_folder = pattern;
        std::filesystem::create_directories(m_folder / "routes");

        // The server reads its standard input until it closes, so it ends with the test even when
        // the test dies.
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        if (pipe2(out, O_CLOEXEC) != 0) {
            close(in[0]);
            close(in[1]);
            throw std::runtime_error("pipe failed");
        }
        m_lifeline = in[1];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string python = "python3", script = INET_TEST_SERVER_SCRIPT, folder = m_folder.string();
        char* argv[] = {python.data(), script.data(), folder.data(), nullptr};
        const int spawned = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        if (spawned != 0) {
            close(out[0]);
            throw std::runtime_error("cannot start python3");
        }
        m_port = ReadPort(out[0]);
        close(out[0]);
        if (m_port == 0) {
            Stop();
            throw std::runtime_error("the scripted server did not start");
        }
    }

    ~ScriptedHttpServer()
    {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    // Writes the answer to /<name> (see the script for the keys).
    void Route(const std::string& name, const std::string& lines) const
    {
        std::ofstream(m_folder / "routes" / name, std::ios::binary) << lines;
    }

    std::optional<RecordedRequest> Recorded(const std::string& name) const
    {
        std::ifstream in(m_folder / "requests" / name, std::ios::binary);
        if (!in)
            return std::nullopt;
        RecordedRequest request;
        std::string line;
        std::getline(in, line);
        std::istringstream(line) >> request.method >> request.target;
        while (std::getline(in, line) && !line.empty()) {
            const auto colon = line.find(':');
            std::string key = line.substr(0, colon);
            for (char& c : key)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            request.headers[key] = line.substr(colon + 2);
        }
        request.body.assign(std::istreambuf_iterator<char>(in), {});
        return request;
    }

    // Waits (at most 20 s) until a request for /<name> has arrived.
    bool WaitForRequest(const std::string& name) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            if (std::filesystem::exists(m_folder / "requests" / name))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    static int ReadPort(int fd)
    {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd entry{fd, POLLIN, 0};
            if (poll(&entry, 1, 100) <= 0)
                continue;
            char buffer[64];
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return std::atoi(text.c_str());
    }

    void Stop()
    {
        if (m_lifeline >= 0) {
            close(m_lifeline);
            m_lifeline = -1;
        }
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
    }

    std::filesystem::path m_folder;
    pid_t m_pid = 0;
    int m_lifeline = -1;
    int m_port = 0;
};

} // namespace zv::inet::testing
