// Fuzzed bytes as a JSON manifest and as a CSV table of devices, through the
// tool in-process: a clear error or a result, never a crash or a status
// beyond those the inputs may cause.
#include "fuzz_common.h"

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <sys/stat.h>

namespace {

std::string input_path;
std::string batch_dir;

void run_tool(std::initializer_list<const char *> options)
{
    // 0: done, 2: a refused input, 3: the engine refused a put.
    int status = fuzz::run_tool(input_path, options);
    if (status != 0 && status != 2 && status != 3)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    input_path = fuzz::scratch_dir() + "/input";
    batch_dir = fuzz::scratch_dir() + "/batch";
    mkdir(batch_dir.c_str(), 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::write_input(input_path, data, size);
    const char *file = nullptr; // stands for the input path
    run_tool({"--manifest", file, "-b"});
    run_tool({"-f", "256", "--manifest", file, "-v"});
    run_tool({"--batch", file, "-O", batch_dir.c_str()});
    return 0;
}
