// What a run must never do: destroy a file it writes or reads, take part of
// an input for all of it, or take a mistyped number for another one.
#include "cli_harness.h"

#include <sys/mount.h>
#include <sys/stat.h>

using namespace cli;
namespace fs = std::filesystem;

namespace {

const bytes empty_image = image({});
const bytes record_0a = image({{0x0A, {1, 2, 3}}});

class Numbers : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("f", bytes{1, 2, 3});
        write("img", image({{0x01, {1}}, {0xFC, {2}}}));
    }
};

TEST_F(Numbers, TheWholeArgumentIsTheNumber)
{
    auto invalid = [](char opt, const std::string &arg) {
        return std::string("ERROR: invalid -") + opt + " argument '" + arg + "'\n";
    };
    // The parsers' rules are properties of their own; here each option uses its parser.
    std::vector<cli_case> cases;
    for (const char *arg : {"64k", "0x1000", "4294967296"})
        cases.push_back({{"-f", arg}, 1, "", invalid('f', arg)});
    for (const char *arg : {"BD_ADDR", "00", "101", "0a "})
        cases.push_back({{"-t", arg, "-d", "f"}, 1, "", invalid('t', arg)});
    for (const char *arg : {"01 junk", "-1"})
        cases.push_back({{"-r", "img", "-e", arg}, 1, "", invalid('e', arg)});
    cases.push_back({{"-r", "img", "-l", "1g"}, 1, "", invalid('l', "1g")});
    cases.push_back({{"-r", "img", "-E", "0xfcc"}, 1, "", invalid('E', "0xfcc")});
    cases.insert(
        cases.end(),
        {
            {{"-f", "00"}, 3, "", "ERROR: Flash size must be larger than 0\n"},
            // The OTP conflict comes before the argument is read.
            {{"-i", "-f", "x"}, 3, "", "ERROR: '-i' and '-f' flags are mutually exlusive\n"},
            {{"-f", "0100", "-F", "-b"}, 0, as_string(image({}, 96)), ""},
            {{"-t", "0X0A", "-d", "f", "-b"}, 0, as_string(record_0a), ""},
            {{"-t", "000a", "-d", "f", "-b"}, 0, as_string(record_0a), ""},
            {{"-r", "img", "-e", "0x01", "-E", "0XFC", "-v"}, 0, "", ""},
            {{"-r", "img", "-l", "1", "-v"}, 0, "@0007 01  01\n@000b fc  02\n", ""},
        });
    expect_cases(cases);
}

class Inputs : public Sandbox {};

TEST_F(Inputs, StreamsAreReadToTheirEnd)
{
    if (windows_tool())
        GTEST_SKIP() << "pipes as /dev/stdin, /dev/zero and /proc are POSIX";
    const std::string too_long =
        "ERROR: failed to put tag 01 from '/dev/stdin': LENGTH_OUT_OF_RANGE\n";
    const std::string too_much = "ERROR: way too much data from '/dev/stdin'\n";
    auto x = [](size_t n) { return std::string(n, 'x'); };
    // clang-format off
    expect_piped({
        {x(3), {"-t", "01", "-d", "/dev/stdin", "-v"}, 0, "@0007 01  78 78 78\n", ""},
        {x(32767), {"-t", "01", "-d", "/dev/stdin", "-v"}, 0, "@0008 01 " + hex_of(bytes(32767, 'x')) + "\n", ""},
        {x(32768), {"-t", "01", "-d", "/dev/stdin"}, 3, "", too_long},
        {x(65535), {"-t", "01", "-d", "/dev/stdin"}, 3, "", too_long},
        {x(65536), {"-t", "01", "-d", "/dev/stdin"}, 2, "", too_much},
        {x(100), {"-f", "100", "-t", "01", "-d", "/dev/stdin"}, 2, "", too_much},
    });
    // clang-format on
    // Files of /proc report no size.
    const char cmdline[] = "imgforge\0-t\0"
                           "01\0-d\0/proc/self/cmdline\0-v";
    // clang-format off
    expect_cases({
        {{"-t", "01", "-d", "/dev/zero"}, 2, "", "ERROR: way too much data from '/dev/zero'\n"},
        {{"-f", "16", "-t", "01", "-d", "/proc/self/cmdline"}, 2, "", "ERROR: way too much data from '/proc/self/cmdline'\n"},
        {{"-t", "01", "-d", "/proc/self/cmdline", "-v"}, 0, "@0007 01 " + hex_of(bytes(cmdline, cmdline + sizeof cmdline)) + "\n", ""},
    });
    // clang-format on
}

// Flash and OTP images as bytes or as text lines, cut ones, and files that
// are no image.
TEST_F(Inputs, ImagesAreRecognisedOrRefused)
{
    bytes flash = image({{0x0A, {1}}});
    write("flash", flash);
    write("otp", otp_image(flash, 0));
    write("text", "hello\n");
    write("zeros", bytes(64, 0));
    write("erased", bytes(64, 0xFF));
    write("short", "NV");
    write("x", bytes{9});
    write("f", bytes{1, 2, 3});
    std::string text = run({"-t", "0a", "-d", "f"}).out, crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    write("img.txt", text);
    write("crlf.txt", crlf);
    write("open.txt", text.substr(0, text.size() - 1)); // no line end after the last byte
    write("otp.txt", run({"-i", "-t", "0a", "-d", "f"}).out);
    write("bad.txt", text + "zz\n");
    write("long.txt", "4e\n56\n44\n53\nfff\n");
    write("cr.txt", "4e\rX56\n44\n53\nff\nff\nff\nff\n");
    bytes whole = image({{0x01, {1, 2, 3, 4, 5, 6}}, {0x02, {7, 8}}}, 0);
    write("cut", bytes(whole.begin(), whole.begin() + 10));  // inside the data of 01
    write("cut2", bytes(whole.begin(), whole.begin() + 16)); // after the header of 02
    auto not_image = [](const std::string &name, const std::string &hint = "") {
        return "ERROR: '" + name + "' is not an NVDS image\n" + hint;
    };
    auto cut = [](const char *name, const char *at) {
        return std::string("WARNING: '") + name + "' ends inside the record at @" + at +
               "; its missing bytes read as erased\n";
    };
    const std::string record = as_string(record_0a);
    // clang-format off
    expect_cases({
        {{"-r", "otp", "-v"}, 2, "", not_image("otp", "hint: it is an OTP image; give -i before -r\n")},
        {{"-i", "-r", "flash", "-v"}, 2, "", not_image("flash", "hint: it is a flash image; leave out -i\n")},
        {{"-r", "text", "-v"}, 2, "", not_image("text")},
        {{"-r", "zeros", "-v"}, 2, "", not_image("zeros")},
        {{"-r", "short", "-v"}, 2, "", not_image("short")},
        {{"-i", "-r", "erased", "-v"}, 2, "", not_image("erased")},
        {{"-r", "flash", "-r", "text", "-v"}, 2, "", not_image("text")},
        // Erased media are empty images; OTP cannot be formatted.
        {{"-r", "erased", "-b"}, 0, as_string(empty_image), ""},
        {{"-i", "-r", "zeros", "-v"}, 3, "", "ERROR: cannot erase NVM/OTP/efuse data\n"},
        {{"-i", "-r", "otp", "-v"}, 0, "@0007 0a  01\n", ""},
        // Text lines, as the tool writes them, with LF or CRLF.
        {{"-r", "img.txt", "-b"}, 0, record, ""},
        {{"-r", "crlf.txt", "-b"}, 0, record, ""},
        {{"-r", "open.txt", "-b"}, 0, record, ""},
        {{"-i", "-r", "otp.txt", "-v"}, 0, "@0007 0a  01 02 03\n", ""},
        {{"-r", "otp.txt", "-v"}, 2, "", not_image("otp.txt", "hint: it is an OTP image; give -i before -r\n")},
        {{"-r", "bad.txt", "-b"}, 2, "", not_image("bad.txt")},
        {{"-r", "long.txt", "-b"}, 2, "", not_image("long.txt")},
        {{"-r", "cr.txt", "-b"}, 2, "", not_image("cr.txt")},
        // A cut file: one warning per file, for its first cut record.
        {{"-r", "cut", "-v"}, 0, "@0007 01  01 02 03 ff ff ff\n", cut("cut", "0007")},
        {{"-r", "cut2", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n@0010 02  ff ff\n", cut("cut2", "0010")},
        {{"-r", "cut", "-r", "cut", "-v"}, 0, "@0007 01  01 02 03 ff ff ff\n", cut("cut", "0007") + cut("cut", "0007")},
    });
    // clang-format on
    // An OTP image edited without -i is left as it was.
    bytes before = read("otp");
    EXPECT_EQ(run({"-r", "otp", "-t", "02", "-d", "x", "-b", "-o", "otp"}).status, 2);
    EXPECT_EQ(read("otp"), before);
}

class Outputs : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("a", bytes{0xAA});
        write("img", image({{0x08, {1, 2}}}));
    }
    void TearDown() override
    {
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it)
            umount2(it->c_str(), MNT_DETACH);
        for (const std::string &loop : loops)
            std::system(("losetup -d " + loop + " 2>/dev/null").c_str());
        Sandbox::TearDown();
    }
    std::vector<std::string> mounts, loops;

    // A small file system of its own at `name`, where the system permits.
    bool mount_tmpfs(const std::string &name, const std::string &options)
    {
        fs::create_directory(path(name));
        if (mount("tmpfs", path(name).c_str(), "tmpfs", 0, options.c_str()) != 0)
            return false;
        mounts.push_back(path(name));
        return true;
    }
    // Creates files in `folder` until its file system has no room left.
    void fill(const std::string &folder)
    {
        for (int i = 0;; i++) {
            FILE *f = std::fopen(path(folder + "/fill" + std::to_string(i)).c_str(), "wb");
            if (!f)
                return;
            static const char block[65536] = {};
            bool full = std::fwrite(block, 1, sizeof block, f) < sizeof block;
            full = std::fclose(f) != 0 || full;
            if (full)
                return;
        }
    }
    // An ext4 file system at `name` on a loop device whose backing file lies
    // on a full tmpfs: writes land in the page cache, syncs fail. The reason
    // when the system has none of it.
    std::string mount_failing_disk(const std::string &name)
    {
        if (!mount_tmpfs(name + "-back", "size=8m"))
            return "no tmpfs mounts here";
        std::string image = path(name + "-back/disk");
        std::string make = "truncate -s 16m " + image + " && mkfs.ext4 -q -F " + image +
                           " >/dev/null 2>&1 && losetup -f --show " + image + " > " + path("loop") +
                           " 2>/dev/null";
        if (std::system(make.c_str()) != 0)
            return "no mkfs.ext4 or loop devices here";
        std::string loop = as_string(read("loop"));
        loop.erase(loop.find_last_not_of('\n') + 1);
        loops.push_back(loop);
        fs::create_directory(path(name));
        if (mount(loop.c_str(), path(name).c_str(), "ext4", 0, nullptr) != 0)
            return "cannot mount ext4 from a loop device here";
        mounts.push_back(path(name));
        fill(name + "-back");
        return "";
    }
};

TEST_F(Outputs, AFailedWriteLeavesTheTargetUntouched)
{
    write("big", bytes(30000, 0x5A));
    run_env env;
    std::string target = "img", parts = "parts";
    if (mount_tmpfs("small", "size=16k")) {
        target = "small/img";
        parts = "small/parts";
        write(target, read("img"));
    } else if (windows_tool()) {
        GTEST_SKIP() << "no small file system to fill, and file size limits are POSIX";
    } else {
        env.file_size_limit = 4096; // the image output is larger
    }
    bytes before = read(target);
    std::string dir = fs::path(target).parent_path().string();
    result r = run({"-r", target, "-t", "10", "-d", "big", "-b", "-o", target}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Failed to", 0), 0u) << r.err;
    EXPECT_EQ(read(target), before);
    // No temporary file is left behind.
    for (const std::string &name : names_in(dir.empty() ? "." : dir))
        EXPECT_NE(name[0], '.') << name;

    // Split files: the one that fails is not left half-written.
    write("wa", image({{0x0A, {1}}, {0x0B, bytes(30000, 7)}}));
    fs::create_directory(path(parts));
    r = run({"-r", "wa", "-S", "-O", parts}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(names_in(parts), (std::vector<std::string>{"0a.bin"}));
}

TEST_F(Outputs, ReplacedFilesKeepTheirModeAndLinks)
{
    if (windows_tool())
        GTEST_SKIP() << "permission bits, symbolic links and /dev are POSIX";
    bytes edited = image({{0x08, {1, 2}}, {0x05, {0xAA}}});
    chmod(path("img").c_str(), 0640);
    // Another user's file rewritten by root stays that user's.
    bool root = geteuid() == 0 && chown(path("img").c_str(), 1234, 5678) == 0;
    EXPECT_EQ(run({"-r", "img", "-t", "05", "-d", "a", "-b", "-o", "img"}).status, 0);
    EXPECT_EQ(read("img"), edited);
    EXPECT_EQ(fs::status(path("img")).permissions(), fs::perms(0640));
    struct stat owner;
    ASSERT_EQ(stat(path("img").c_str(), &owner), 0);
    if (root) {
        EXPECT_EQ(owner.st_uid, 1234u);
        EXPECT_EQ(owner.st_gid, 5678u);
    } else {
        std::printf("owner kept: not checked, only root may give files away\n");
    }

    fs::create_directory(path("real"));
    write("real/target", bytes{0});
    fs::create_symlink("real/target", path("link"));
    struct stat old_target;
    ASSERT_EQ(stat(path("real/target").c_str(), &old_target), 0);
    EXPECT_EQ(run({"-b", "-o", "link"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(read("real/target"), empty_image);
    // Replaced whole, as any output: a new file took the place of the old.
    ASSERT_EQ(stat(path("real/target").c_str(), &owner), 0);
    EXPECT_NE(owner.st_ino, old_target.st_ino);

    // A new file gets the mode any new file gets.
    mode_t mask = umask(027);
    EXPECT_EQ(run({"-b", "-o", "new"}).status, 0);
    umask(mask);
    EXPECT_EQ(fs::status(path("new")).permissions(), fs::perms(0640));
    EXPECT_EQ(names_in("."), (std::vector<std::string>{"a", "img", "link", "new", "real"}));

    // Devices and standard output are written in place.
    EXPECT_EQ(run({"-b", "-o", "/dev/null"}).status, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // The file standard output goes to stays the same file.
    write("out", bytes{});
    auto inode = [&] {
        struct stat st;
        return stat(path("out").c_str(), &st) == 0 ? st.st_ino : 0;
    };
    ino_t before = inode();
    std::string out = path("out");
    EXPECT_EQ(run({"-b", "-o", "/dev/stdout"}, {.stdout_path = out.c_str()}).status, 0);
    EXPECT_EQ(read("out"), empty_image);
    EXPECT_EQ(inode(), before);
}

TEST_F(Outputs, AFolderWithoutRoomForATemporaryFileIsWrittenInPlace)
{
    if (windows_tool())
        GTEST_SKIP() << "read-only mounts and folder permissions are POSIX";
    fs::create_directory(path("ro"));
    write("ro/img", read("img"));
    if (geteuid() != 0) {
        chmod(path("ro").c_str(), 0555);
    } else {
        // Permissions do not stop root: a read-only mount of the folder with
        // the file mounted writable over itself does.
        for (const char *name : {"ro", "ro/img"}) {
            if (mount(path(name).c_str(), path(name).c_str(), nullptr, MS_BIND, nullptr) != 0)
                GTEST_SKIP() << "no bind mounts here";
            mounts.push_back(path(name));
        }
        ASSERT_EQ(
            mount(nullptr, path("ro").c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr),
            0);
    }
    result r = run({"-r", "ro/img", "-t", "05", "-d", "a", "-b", "-o", "ro/img"});
    chmod(path("ro").c_str(), 0755);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "WARNING: cannot create a temporary file beside 'ro/img'; writing it in place\n");
    EXPECT_EQ(read("ro/img"), image({{0x08, {1, 2}}, {0x05, {0xAA}}}));
}

TEST_F(Outputs, SyncFailuresFailTheRun)
{
    if (windows_tool())
        GTEST_SKIP() << "loop devices are Linux";
    for (const char *disk : {"disk1", "disk2"}) {
        std::string why = mount_failing_disk(disk);
        if (!why.empty())
            GTEST_SKIP() << why;
    }
    std::string table = "id,08:hex\n";
    for (int i = 0; i < 20; i++)
        table += "d" + std::to_string(i) + ",01\n";
    write("t.csv", table);
    write("wa", image({{0x0A, {1}}, {0x0B, {2}}}));
    fs::create_directory(path("disk2/parts"));
    struct row {
        std::vector<std::string> args;
        std::string out, folder;
    };
    // clang-format off
    const row rows[] = {
        {{"--batch", "t.csv", "-O", "disk1/out", "-F"}, "", "disk1/out"},
        {{"-r", "wa", "-S", "-O", "disk2/parts"}, "Writing split disk2/parts/0a.bin\nWriting split disk2/parts/0b.bin\n", "disk2/parts"},
    };
    // clang-format on
    for (const row &c : rows) {
        // The reason is the kernel's (an I/O error, or no space).
        result r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.folder;
        EXPECT_EQ(r.out, c.out) << c.folder;
        EXPECT_EQ(r.err.rfind("ERROR: cannot sync the files written to '" + c.folder + "': ", 0),
                  0u)
            << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST_F(Outputs, OnlyAFolderClosedToWritesIsWrittenInPlace)
{
    if (windows_tool())
        GTEST_SKIP() << "tmpfs mounts and hard links are POSIX";
    bytes edited = image({{0x08, {1, 2}}, {0x05, {0xAA}}});
    // A temporary name is short whatever the target's: a hard link shows
    // that the target was replaced, not rewritten.
    std::string name(250, 'n');
    write(name, read("img"));
    fs::create_hard_link(path(name), path("link"));
    // clang-format off
    expect_cases({{{"-r", name, "-t", "05", "-d", "a", "-b", "-o", name}, 0, "", "", {}, {{name, edited}, {"link", read("img")}}}});
    // clang-format on

    if (!mount_tmpfs("small", "size=1m,nr_inodes=8"))
        GTEST_SKIP() << "no tmpfs mounts here";
    write("small/img", read("img"));
    fill("small"); // no inode left
    // clang-format off
    expect_cases({{{"-r", "small/img", "-t", "05", "-d", "a", "-b", "-o", "small/img"}, 2, "",
                   "ERROR: cannot create a temporary file beside 'small/img': No space left on device\n", {}, {{"small/img", read("img")}}}});
    // clang-format on
}

// Starts the tool, waits until its temporary file exists and sends it `sig`;
// false when the run ended first.
bool interrupt_write(const std::string &dir, const std::vector<std::string> &args, int sig,
                     int &wstatus)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char *> argv{const_cast<char *>("imgforge")};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(tool_binary(), argv.data());
        _exit(127);
    }
    for (bool seen = false; !seen;) {
        if (waitpid(pid, &wstatus, WNOHANG) == pid)
            return false;
        for (const auto &e : fs::directory_iterator(dir))
            seen = seen || e.path().filename().string().rfind(".imgforge-", 0) == 0;
    }
    kill(pid, sig);
    waitpid(pid, &wstatus, 0);
    return true;
}

TEST_F(Outputs, AnInterruptedWriteLeavesNoTemporaryFile)
{
    if (windows_tool() || tool_launcher())
        GTEST_SKIP() << "signals to a run are POSIX";
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        int wstatus = 0;
        bool caught = false;
        // Large enough to be caught writing, on a fast machine too.
        for (uint64_t size = 1 << 26; !caught && size <= (uint64_t(1) << 31); size *= 2)
            caught = interrupt_write(
                dir.string(), {"-f", std::to_string(size), "-F", "-b", "-o", "img"}, sig, wstatus);
        ASSERT_TRUE(caught) << "every run ended before it could be interrupted";
        EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == sig) << sig;
        EXPECT_EQ(names_in("."), (std::vector<std::string>{"a", "img"})) << sig;
        EXPECT_EQ(read("img"), image({{0x08, {1, 2}}})) << sig;
    }
}

TEST_F(Outputs, LinksPlantedInSharedFoldersAreNotFollowed)
{
    if (windows_tool())
        GTEST_SKIP() << "symbolic links and sticky folders are POSIX";
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can plant a link owned by another user";
    fs::create_directory(path("shared"));
    chmod(path("shared").c_str(), 01777);
    fs::create_directory(path("real"));
    write("victim", bytes{1});
    auto plant = [&](const std::string &name, const std::string &to, uid_t owner) {
        fs::create_symlink(to, path(name));
        lchown(path(name).c_str(), owner, owner);
    };
    plant("shared/planted", "../victim", 1234);
    plant("shared/mine", "planted", 0);   // ours, but it leads through a planted one
    plant("shared/dir", "../real", 1234); // a planted folder on the way
    plant("shared/own", "../victim", 0);  // ours: followed
    write("t.csv", "id,08:hex\nx,01\n");
    write("wa", image({{0x0A, {1}}}));
    auto refused = [](const std::string &link) {
        return "ERROR: refusing to follow the link '" + link + "' in a shared folder\n";
    };
    // clang-format off
    expect_cases({
        {{"-b", "-o", "shared/planted"}, 2, "", refused("shared/planted")},
        {{"-b", "-o", "shared/mine"}, 2, "", refused("shared/planted")},
        {{"-b", "-o", "shared/dir/out.bin"}, 2, "", refused("shared/dir")},
        {{"-b", "-o", path("shared/planted")}, 2, "", refused(path("shared/planted"))},
        {{"--json", "-o", "shared/planted"}, 2, "", refused("shared/planted")},
        {{"--batch", "t.csv", "-O", "shared/dir"}, 2, "", refused("shared/dir")},
        {{"-r", "wa", "-S", "-O", "shared/dir"}, 2, "", refused("shared/dir")},
        {{"-b", "-o", "shared/own"}, 0, "", "", {}, {{"victim", empty_image}}},
    });
    // clang-format on
    EXPECT_TRUE(names_in("real").empty());
}

TEST_F(Outputs, NoOutputReplacesAnInput)
{
    bytes with_app = image({{0x01, {1}}, {0xB6, {7, 7}}});
    write("01.bin", with_app);
    write("app", bytes{5});
    const std::string refused = "ERROR: refusing to overwrite input file ";
    const std::string here = std::string(".") + tool_separator();
    // clang-format off
    expect_cases({
        {{"-r", "01.bin", "-S"}, 2, "", refused + "'" + here + "01.bin'\n"},
        {{"-r", "01.bin", "-S", "-O", ""}, 2, "", refused + "'" + here + "01.bin'\n"},
        {{"-r", "01.bin", "-p", "-o", "01.bin"}, 2, "", refused + "'01.bin'\n"},
        {{"-t", "b6", "-d", "app", "-p", "-o", "app"}, 2, "", refused + "'app'\n"},
        {{"-r", "img", "-r", "01.bin", "-p", "-o", "./img"}, 2, "", refused + "'./img'\n"},
        // Without a USER_APP record -o writes nothing.
        {{"-r", "img", "-p", "-o", "img"}, 0, "@0007 LPCLK_JITTER  01 02\n", ""},
    });
    // clang-format on
    if (!windows_tool()) { // started with standard input closed: the input is descriptor 0
        EXPECT_EQ(run({"-r", "01.bin", "-p", "-o", "01.bin"}, {.close_stdin = true}).err,
                  refused + "'01.bin'\n");
    }
    EXPECT_EQ(read("01.bin"), with_app);
    EXPECT_EQ(read("app"), bytes{5});
}

TEST_F(Outputs, FourGibibyteFlashIsWrittenWhole)
{
#ifdef IMGFORGE_SANITIZED
    GTEST_SKIP() << "4 GiB buffers are beyond the sanitizer build";
#endif
    if (windows_tool())
        GTEST_SKIP() << "4 GiB buffers are beyond an emulated run";
    run_env env;
    env.count_stdout = true;
    result r = run({"-f", "4294967295", "-F", "-b"}, env);
    if (r.status == 3) {
        EXPECT_EQ(r.err.rfind("Unable to malloc buffer: ", 0), 0u) << r.err;
        return;
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out_count, 4294967295u);
    // The largest region a dump can hold at an offset (sparse zeros).
    write("huge", bytes{});
    fs::resize_file(path("huge"), 16 + uint64_t(UINT32_MAX));
    r = run({"--at", "16", "-r", "huge"});
    EXPECT_EQ(r.err, "ERROR: 'huge' is not an NVDS image\n");
}

} // namespace
