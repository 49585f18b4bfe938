// The bundled sample: its image is built from the data files, and its
// decoded dump is the reviewed listing beside it.
#include "cli_harness.h"

#include <algorithm>

using namespace cli;

namespace {

const std::filesystem::path examples = std::filesystem::path(IMGFORGE_SOURCE_DIR) / "examples";

class Sample : public Sandbox {};

TEST_F(Sample, ImageIsBuiltFromTheDataFiles)
{
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(examples / "data"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    std::vector<std::string> args;
    for (const auto &f : files) {
        args.push_back("-t");
        args.push_back(f.filename().string().substr(0, 2));
        args.push_back("-d");
        args.push_back(f.string());
    }
    args.push_back("-b");
    result r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream sample(examples / "sample.bin", std::ios::binary);
    EXPECT_EQ(as_bytes(r.out), bytes(std::istreambuf_iterator<char>(sample), {}));
}

TEST_F(Sample, DecodedDumpMatchesTheListing)
{
    result r = run({"-r", (examples / "sample.bin").string(), "-p"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::ifstream listing(examples / "sample.txt", std::ios::binary);
    EXPECT_EQ(r.out, std::string(std::istreambuf_iterator<char>(listing), {}));
}

} // namespace
