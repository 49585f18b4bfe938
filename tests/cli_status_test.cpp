// Exit statuses: every kind of failure, alone and when standard output fails
// as well. A failed standard output turns success into status 2 and never
// hides an earlier failure.
#include "cli_harness.h"

using namespace cli;

namespace {

class Status : public Sandbox {};

TEST_F(Status, EachFailureAloneAndWithAFailedStandardOutput)
{
    write("img", image({{0x01, {1, 2, 3, 4, 5, 6}}}));
    write("short", image({{0x01, {1, 2, 3, 4, 5}}}));
    write("text", "hello\n");
    write("empty", bytes{});
    write("spare", otp_image(image({}), 1u << 14));
    write("m.json", "{\"records\": [{\"tag\": 1}]}");
    write("d.csv", "id,01:bd_address\nx,1\n");
    struct row {
        std::vector<std::string> args;
        int status;
        bool prints; // something goes to standard output
    };
    // clang-format off
    const std::vector<row> rows = {
        {{"-v"}, 0, false}, // an empty listing
        {{"-r", "img", "-v"}, 0, true},
        {{"-r", "img"}, 0, true},
        {{"-r", "img", "-b", "-o", "out.bin"}, 0, false},
        {{"-r", "img", "-S"}, 0, true},
        {{"-r", "img", "--json"}, 0, true},
        {{"-r", "img", "--json", "-o", "out.json"}, 0, false},
        {{"-r", "img", "--check"}, 0, true},
        {{"--tags"}, 0, true},
        {{"-h"}, 0, true},
        {{"--version"}, 0, true},
        {{"-H", "E"}, 0, true},
        {{"-x"}, 1, false},
        {{"-t", "zz"}, 1, false},
        {{"-X", "-v"}, 1, false},
        {{"-w", "1"}, 1, false},
        {{"-r", "missing"}, 2, false},
        {{"-r", "text"}, 2, false},
        {{"-r", "img", "-p", "-o", "img"}, 0, true}, // no USER_APP record: -o unused
        {{"-r", "img", "-S", "-O", "nodir"}, 2, true},
        {{"--manifest", "m.json"}, 2, false},
        {{"--batch", "d.csv"}, 2, false},
        {{"-r", "img", "-e", "05"}, 3, false},
        {{"-f", "0"}, 3, false},
        {{"-i", "-r", "empty"}, 3, false},
        {{"-i", "-r", "spare", "-p", "-N"}, 3, true}, // stops inside its listing
        {{"-r", "short", "-p"}, 4, true}, // stops inside its line
        {{"-r", "short", "--check"}, 5, true},
        {{"-r", "short", "--check", "--json"}, 5, true},
    };
    // clang-format on
    for (const row &r : rows) {
        std::string line;
        for (const std::string &a : r.args)
            line += " " + a;
        result alone = run(r.args);
        EXPECT_EQ(alone.status, r.status) << line << "\n" << alone.err;
        result failed = run(r.args, {.stdout_path = "/dev/full"});
        int expected = r.status == 0 && r.prints ? 2 : r.status;
        EXPECT_EQ(failed.status, expected) << line << " with standard output full";
        bool reported =
            failed.err.find("ERROR: failed to write to standard output\n") != std::string::npos;
        EXPECT_EQ(reported, r.prints) << line << ": " << failed.err;
    }
}

} // namespace
