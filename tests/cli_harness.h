// Runs the built tool in a temporary directory and captures its exit
// status, standard output and standard error byte for byte.
#ifndef IMGFORGE_TESTS_CLI_HARNESS_H
#define IMGFORGE_TESTS_CLI_HARNESS_H

#include "golden.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cli {

using bytes = std::vector<uint8_t>;

struct result {
    int status;
    std::string out;
    std::string err;
    uint64_t out_count = 0; // with run_env::count_stdout
};

inline std::string as_string(const bytes &b)
{
    return std::string(b.begin(), b.end());
}
inline bytes as_bytes(const std::string &s)
{
    return bytes(s.begin(), s.end());
}

// One stored record: tag, status byte and data.
struct rec {
    uint8_t tag;
    bytes data;
    uint8_t status = 0x06;
};

// Appends a record: tag, status, one or two length bytes, data.
inline void append_record(bytes &out, uint8_t tag, uint8_t status, const bytes &data)
{
    size_t n = data.size();
    out.insert(out.end(), {tag, status});
    if (n < 128) {
        out.push_back(uint8_t(n));
    } else {
        out.push_back(uint8_t(0x80 | (n & 0x7F)));
        out.push_back(uint8_t(n >> 7));
    }
    out.insert(out.end(), data.begin(), data.end());
}

// "NVDS", the records, then `erased` bytes of 0xFF.
inline bytes image(std::initializer_list<rec> records, size_t erased = 4)
{
    bytes out{'N', 'V', 'D', 'S'};
    for (const rec &r : records)
        append_record(out, r.tag, r.status, r.data);
    out.insert(out.end(), erased, 0xFF);
    return out;
}

// An OTP image file: the 4092-byte logical region and the HW configuration
// word, every byte complemented.
inline bytes otp_image(bytes logical, uint32_t word)
{
    logical.resize(4092, 0xFF);
    for (int k = 0; k < 4; k++)
        logical.push_back(uint8_t(~(word >> (8 * k))));
    for (uint8_t &b : logical)
        b = uint8_t(~b);
    return logical;
}

// Text output of an image: one "%02x\n" line per byte.
inline std::string hex_lines(const bytes &b)
{
    return b.empty() ? "" : hex_of(b, "\n") + "\n";
}

// A file a case writes before its run, or expects after it.
struct file_bytes {
    std::string name;
    bytes data;
};

// One end-to-end case: arguments, the files it starts from, and the expected
// status, standard output, standard error and files.
struct cli_case {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
    std::vector<file_bytes> given = {};
    std::vector<file_bytes> files = {};
    const char *posix_only = nullptr; // why the case cannot run on Windows
};

// The tool under test: the build's, or IMGFORGE_TEST_BINARY run through
// IMGFORGE_TEST_LAUNCHER (such as a Windows build under Wine).
inline const char *tool_binary()
{
    const char *bin = std::getenv("IMGFORGE_TEST_BINARY");
    return bin && *bin ? bin : IMGFORGE_BIN;
}
inline const char *tool_launcher()
{
    const char *launcher = std::getenv("IMGFORGE_TEST_LAUNCHER");
    return launcher && *launcher ? launcher : nullptr;
}
inline bool windows_tool()
{
    return std::string(tool_binary()).ends_with(".exe");
}
// Text lines end in CRLF in a Windows console's text mode.
inline std::string without_cr(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}
// Listings are text; images hold control bytes (the status byte at least).
inline bool looks_like_text(const std::string &out)
{
    for (unsigned char c : out)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F)
            return false;
    return true;
}
// The directory separator of the tool's own paths (split files, batches).
inline char tool_separator()
{
    return windows_tool() ? '\\' : '/';
}

class Sandbox : public testing::Test {
  protected:
    std::filesystem::path dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/imgforge-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string path(const std::string &name) const { return (dir / name).string(); }

    void write(const std::string &name, const bytes &data) const
    {
        std::ofstream f(path(name), std::ios::binary);
        f.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
    }
    void write(const std::string &name, const std::string &data) const
    {
        write(name, as_bytes(data));
    }
    bytes read(const std::string &name) const
    {
        std::ifstream f(path(name), std::ios::binary);
        return bytes(std::istreambuf_iterator<char>(f), {});
    }
    bool exists(const std::string &name) const { return std::filesystem::exists(path(name)); }
    // The names in a folder, sorted.
    std::vector<std::string> names_in(const std::string &folder) const
    {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(path(folder)))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // How a run is started beyond its arguments.
    struct run_env {
        const char *stdout_path = nullptr;       // standard output goes there, not captured
        bool count_stdout = false;               // only count the bytes of standard output
        const std::string *stdin_data = nullptr; // fed through a pipe
        long file_size_limit = -1;               // RLIMIT_FSIZE, with SIGXFSZ ignored
        bool close_stdin = false;                // the first file opened is descriptor 0
    };

    // Runs "imgforge args..." in the sandbox. Through a launcher, a run the
    // launcher itself failed to start (status 1 with its own message or none:
    // every usage error of the tool says why) is tried again.
    result run(const std::vector<std::string> &args) const { return run(args, run_env{}); }
    result run(const std::vector<std::string> &args, const run_env &env) const
    {
        result r = run_once(args, env);
        for (int again = 0; again < 2 && tool_launcher() && r.status == 1 &&
                            (r.err.empty() || r.err.starts_with("wine"));
             again++) {
            std::printf("the launcher failed (%s); running again\n", r.err.c_str());
            r = run_once(args, env);
        }
        return r;
    }
    result run_once(const std::vector<std::string> &args, const run_env &env) const
    {
        std::string out_file = path(".stdout"), err_file = path(".stderr");
        int feed[2] = {-1, -1}, drain[2] = {-1, -1};
        if ((env.stdin_data && pipe(feed) != 0) || (env.count_stdout && pipe(drain) != 0))
            return {-1, "", "pipe failed"};
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(127);
            int out = open(env.stdout_path ? env.stdout_path : out_file.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(env.count_stdout ? drain[1] : out, 1);
            dup2(err, 2);
            if (env.count_stdout) {
                close(drain[0]);
                close(drain[1]);
            }
            if (env.close_stdin)
                close(0);
            if (env.stdin_data) {
                dup2(feed[0], 0);
                close(feed[0]);
                close(feed[1]);
            }
            // A run that never ends is a failure, not a hang of the suite.
            rlimit cpu{120, 120};
            setrlimit(RLIMIT_CPU, &cpu);
            if (env.file_size_limit >= 0) {
                signal(SIGXFSZ, SIG_IGN);
                rlimit limit{rlim_t(env.file_size_limit), rlim_t(env.file_size_limit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<char *> argv;
            if (tool_launcher())
                argv = {const_cast<char *>(tool_launcher()), const_cast<char *>(tool_binary())};
            else
                argv = {const_cast<char *>("imgforge")};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(tool_launcher() ? tool_launcher() : tool_binary(), argv.data());
            _exit(127);
        }
        if (env.stdin_data) {
            close(feed[0]);
            // The tool may stop reading early: a broken pipe is no failure here.
            void (*old)(int) = signal(SIGPIPE, SIG_IGN);
            const char *p = env.stdin_data->data();
            for (size_t left = env.stdin_data->size(); left > 0;) {
                ssize_t n = ::write(feed[1], p, left);
                if (n <= 0)
                    break;
                p += n;
                left -= size_t(n);
            }
            close(feed[1]);
            signal(SIGPIPE, old);
        }
        uint64_t counted = 0;
        if (env.count_stdout) {
            close(drain[1]);
            static char chunk[1 << 16];
            for (ssize_t n; (n = ::read(drain[0], chunk, sizeof chunk)) > 0;)
                counted += uint64_t(n);
            close(drain[0]);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus),
                 env.stdout_path || env.count_stdout ? std::string() : as_string(read(".stdout")),
                 as_string(read(".stderr")), counted};
        if (windows_tool()) {
            // Text goes through the console's text mode there; binary output must not.
            r.err = without_cr(r.err);
            if (looks_like_text(r.out))
                r.out = without_cr(r.out);
        }
        std::filesystem::remove(out_file);
        std::filesystem::remove(err_file);
        return r;
    }

    // A case with its standard input: status, standard output and error.
    struct piped_case {
        std::string input;
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    void expect_piped(const std::vector<piped_case> &cases)
    {
        for (const piped_case &c : cases) {
            run_env env;
            env.stdin_data = &c.input;
            result r = run(c.args, env);
            std::string line = std::to_string(c.input.size()) + " bytes into";
            for (const std::string &a : c.args)
                line += " " + a;
            EXPECT_EQ(r.status, c.status) << line;
            EXPECT_EQ(r.out, c.out) << line;
            EXPECT_EQ(r.err, c.err) << line;
        }
    }

    // Each case's status, standard output, standard error and files,
    // exactly. Cases that need what only POSIX systems have are skipped,
    // with their reason, for a Windows build.
    void expect_cases(const std::vector<cli_case> &cases)
    {
        for (const cli_case &c : cases) {
            std::string line = "imgforge";
            for (const std::string &a : c.args)
                line += " '" + a + "'";
            if (c.posix_only && windows_tool()) {
                std::printf("skipped on Windows (%s): %s\n", c.posix_only, line.c_str());
                continue;
            }
            for (const file_bytes &f : c.given)
                write(f.name, f.data);
            result r = run(c.args);
            EXPECT_EQ(r.status, c.status) << line << "\n" << r.err;
            EXPECT_EQ(r.out, c.out) << line;
            EXPECT_EQ(r.err, c.err) << line;
            for (const file_bytes &f : c.files)
                EXPECT_EQ(read(f.name), f.data) << line << ": " << f.name;
        }
    }
};

} // namespace cli

#endif
