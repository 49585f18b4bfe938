// Times a command line against the floor command over repeated runs,
// alternating the two so that drift of the machine hits both alike, and
// prints both median wall times in microseconds. Standard output goes to
// /dev/null.
//   proc_bench RUNS WARMUP floor-command -- command [args...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double run_once(char **argv)
{
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed with status %d\n", argv[0], status);
        std::exit(1);
    }
    return std::chrono::duration<double, std::micro>(end - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int split = 4;
    while (split < argc && std::strcmp(argv[split], "--") != 0)
        split++;
    if (argc < 6 || split + 1 >= argc) {
        std::fprintf(stderr, "usage: proc_bench RUNS WARMUP floor-command -- command [args...]\n");
        return 2;
    }
    argv[split] = nullptr;
    char **floor_cmd = argv + 3, **cmd = argv + split + 1;
    int runs = std::atoi(argv[1]), warmup = std::atoi(argv[2]);
    for (int i = 0; i < warmup; i++) {
        run_once(floor_cmd);
        run_once(cmd);
    }
    std::vector<double> floor_times, times;
    for (int i = 0; i < runs; i++) {
        floor_times.push_back(run_once(floor_cmd));
        times.push_back(run_once(cmd));
    }
    std::printf("%.0f %.0f\n", median(floor_times), median(times));
    return 0;
}
