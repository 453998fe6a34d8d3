#pragma once
// A private PulseAudio server (tools/sound-server.sh) for the length of one test process.
// Every test process gets its own server, so tests that play into the null sink and capture
// its monitor never hear one another, and a test that moves the sink's volume moves only
// its own. Clients of this process (SDL, ALSA's pulse plug-in, pactl) find it through the
// environment this sets.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vx_test {

class ScopedSoundServer {
public:
    ScopedSoundServer() {
        // A short folder under /tmp: the server's socket path must fit a Unix socket name.
        char folder[] = "/tmp/vx-sound-XXXXXX";
        if (::mkdtemp(folder) == nullptr) {
            why_ = "cannot make a folder for the sound server";
            return;
        }
        folder_ = folder;
        std::string output;
        const int status = run(script() + " start " + folder_, output);
        if (status != 0) {
            why_ = "the sound server did not start (" + output + ")";
            return;
        }
        applyEnvironment(output);
        ready_ = true;
    }
    ~ScopedSoundServer() {
        if (folder_.empty()) return;
        std::string ignored;
        run(script() + " stop " + folder_, ignored);
        run("rm -rf " + folder_, ignored);
    }
    ScopedSoundServer(const ScopedSoundServer&) = delete;
    ScopedSoundServer& operator=(const ScopedSoundServer&) = delete;

    bool ready() const { return ready_; }
    // Why the server is not there, for a test's skip message.
    const std::string& why() const { return why_; }
    // Stops the server and starts another in the same folder, as a crashed server comes back:
    // clients lose what they had open and find the new server where the old one was.
    bool restart() {
        std::string output;
        run(script() + " stop " + folder_, output);
        ready_ = run(script() + " start " + folder_, output) == 0;
        return ready_;
    }
    // Runs a shell command against this server (pactl, amixer); returns its exit status.
    int shell(const std::string& command, std::string& output) const { return run(command, output); }

private:
    static std::string script() { return std::string(VX_SOURCE_DIR) + "/tools/sound-server.sh"; }

    static int run(const std::string& command, std::string& output) {
        output.clear();
        FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
        if (pipe == nullptr) return -1;
        std::array<char, 256> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
            output += chunk.data();
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static void applyEnvironment(const std::string& lines) {
        std::size_t start = 0;
        while (start < lines.size()) {
            std::size_t end = lines.find('\n', start);
            if (end == std::string::npos) end = lines.size();
            const std::string line = lines.substr(start, end - start);
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                ::setenv(line.substr(0, equals).c_str(), line.substr(equals + 1).c_str(), 1);
            start = end + 1;
        }
    }

    std::string folder_;
    std::string why_;
    bool ready_ = false;
};

} // namespace vx_test

// Skips the current test with the server's reason when it could not start.
#define VX_REQUIRE_SOUND_SERVER(server)                                                                      \
    do {                                                                                                     \
        if (!(server).ready()) GTEST_SKIP() << "no sound server on this machine: " << (server).why();        \
    } while (0)
