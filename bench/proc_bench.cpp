// Times a command line over repeated runs, after a warm-up, and prints the
// median wall time in microseconds. Standard output goes to /dev/null.
//   proc_bench RUNS WARMUP command [args...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: proc_bench RUNS WARMUP command [args...]\n");
        return 2;
    }
    int runs = std::atoi(argv[1]), warmup = std::atoi(argv[2]);
    for (int i = 0; i < warmup; i++)
        run_once(argv + 3);
    std::vector<double> times;
    for (int i = 0; i < runs; i++)
        times.push_back(run_once(argv + 3));
    std::sort(times.begin(), times.end());
    std::printf("%.0f\n", times[times.size() / 2]);
    return 0;
}
