// The tool run in-process on a fuzzed image file: every listing, the split
// output, the binary output, inverted mode and a merge.
#include "fuzz_common.h"
#include "run.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string image_path;
std::string split_dir;

void run_tool(std::initializer_list<const char *> options)
{
    std::vector<std::string> args{"imgforge"};
    for (const char *o : options)
        args.push_back(o == nullptr ? image_path : o);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int status = imgforge::run(int(args.size()), argv.data());
    if (status < 0 || status > 4)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    image_path = fuzz::scratch_dir() + "/image.bin";
    split_dir = fuzz::scratch_dir() + "/split";
    mkdir(split_dir.c_str(), 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(image_path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    const char *file = nullptr; // stands for the image path
    run_tool({"-r", file, "-p"});
    run_tool({"-r", file, "-v"});
    run_tool({"-r", file, "-S", "-O", split_dir.c_str()});
    run_tool({"-r", file, "-b"});
    run_tool({"-i", "-r", file, "-p", "-N"});
    run_tool({"-i", "-r", file, "-p"});
    run_tool({"-r", file, "-r", file});
    return 0;
}
