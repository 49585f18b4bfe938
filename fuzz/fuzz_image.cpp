// The tool run in-process on a fuzzed image file: every listing, the split
// output, the binary output, inverted mode, a merge, the JSON document
// (which must parse) and the integrity check (sound or not, never worse than
// reading the file).
#include "fuzz_common.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <sys/stat.h>

namespace {

std::string image_path;
std::string split_dir;
std::string json_path;

int run_tool(std::initializer_list<const char *> options, int max_status = 4)
{
    int status = fuzz::run_tool(image_path, options);
    if (status < 0 || status > max_status)
        std::abort();
    return status;
}

// A document that does not parse is a finding.
void check_json(std::initializer_list<const char *> options)
{
    std::remove(json_path.c_str());
    int status = run_tool(options, 5);
    if (status != 0 && status != 5)
        return; // refused before any output
    std::ifstream in(json_path, std::ios::binary);
    if (!nlohmann::json::accept(in))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    image_path = fuzz::scratch_dir() + "/image.bin";
    split_dir = fuzz::scratch_dir() + "/split";
    json_path = fuzz::scratch_dir() + "/image.json";
    mkdir(split_dir.c_str(), 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::write_input(image_path, data, size);

    const char *file = nullptr; // stands for the image path
    run_tool({"-r", file, "-p"});
    run_tool({"-r", file, "-v"});
    run_tool({"-r", file, "-S", "-O", split_dir.c_str()});
    run_tool({"-r", file, "-b"});
    run_tool({"-i", "-r", file, "-p", "-N"});
    run_tool({"-i", "-r", file, "-p"});
    run_tool({"-r", file, "-r", file});
    // A check ends sound (0) or with problems (5). Only a file that cannot be
    // read at all (a malformed Intel HEX or S-record file) fails it, as it
    // fails a plain read.
    for (bool otp : {false, true}) {
        int read = otp ? run_tool({"-i", "-r", file, "-v"}) : run_tool({"-r", file, "-v"});
        int status =
            otp ? run_tool({"-i", "-r", file, "--check"}, 5) : run_tool({"-r", file, "--check"}, 5);
        if (status != 0 && status != 5 && (read == 0 || status != read))
            std::abort();
    }
    const char *out = json_path.c_str();
    check_json({"-r", file, "--json", "-o", out});
    check_json({"-i", "-r", file, "--json", "-o", out});
    check_json({"--check", "-r", file, "--json", "-o", out});
    return 0;
}
