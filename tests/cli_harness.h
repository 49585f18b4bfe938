// Runs the built tool in a temporary directory and captures its exit
// status, standard output and standard error byte for byte.
#ifndef IMGFORGE_TESTS_CLI_HARNESS_H
#define IMGFORGE_TESTS_CLI_HARNESS_H

#include "golden.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace cli {

using bytes = std::vector<uint8_t>;

struct result {
    int status;
    std::string out;
    std::string err;
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

// Text output of an image: one "%02x\n" line per byte.
inline std::string hex_lines(const bytes &b)
{
    std::string out;
    char line[4];
    for (uint8_t c : b) {
        std::snprintf(line, sizeof line, "%02x\n", c);
        out += line;
    }
    return out;
}

// A record with the text its decoded line shows after "@xxxx ".
struct listed {
    uint8_t tag;
    bytes data;
    std::string text;
};

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
    // Writes the records as one image and returns its expected decoded listing.
    std::string write_listed(const std::string &name, const std::vector<listed> &records) const
    {
        bytes img{'N', 'V', 'D', 'S'};
        std::string listing;
        for (const listed &l : records) {
            append_record(img, l.tag, 0x06, l.data);
            char at[16];
            std::snprintf(at, sizeof at, "@%04zx ", img.size() - l.data.size());
            listing += at + l.text + "\n";
        }
        img.insert(img.end(), 4, 0xFF);
        write(name, img);
        return listing;
    }
    // The decoded listing of those records is exactly the expected one.
    void expect_dump(const std::vector<listed> &records, const std::string &err = "")
    {
        std::string listing = write_listed("img", records);
        result r = run({"-r", "img", "-p"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, listing);
        EXPECT_EQ(r.err, err);
    }
    bool exists(const std::string &name) const { return std::filesystem::exists(path(name)); }

    // Runs "imgforge args..." in the sandbox. Standard output goes to
    // `stdout_path` when given (and is then not captured).
    result run(const std::vector<std::string> &args, const char *stdout_path = nullptr) const
    {
        std::string out_file = path(".stdout"), err_file = path(".stderr");
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(127);
            int out = open(stdout_path ? stdout_path : out_file.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char *> argv{const_cast<char *>("imgforge")};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(IMGFORGE_BIN, argv.data());
            _exit(127);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        result r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus),
                 stdout_path ? std::string() : as_string(read(".stdout")),
                 as_string(read(".stderr"))};
        std::filesystem::remove(out_file);
        std::filesystem::remove(err_file);
        return r;
    }

    // Expects a failure with exactly this standard error and nothing on
    // standard output.
    void expect_failure(const std::vector<std::string> &args, int status, const std::string &err)
    {
        result r = run(args);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(r.out, "");
    }
};

} // namespace cli

#endif
