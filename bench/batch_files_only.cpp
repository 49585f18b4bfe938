// The file system work of a batch of device images and nothing else: create
// and write COUNT files "DIR/devNNNNN.bin" of SIZE erased bytes, then sync
// once. It is about the least any batch writing those files can cost.
//   batch_files_only DIR COUNT SIZE
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const char *dir = argv[1];
    int count = std::atoi(argv[2]);
    std::vector<unsigned char> image(size_t(std::atoi(argv[3])), 0xFF);
    char path[4096];
    for (int i = 0; i < count; i++) {
        std::snprintf(path, sizeof path, "%s/dev%05d.bin", dir, i);
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || write(fd, image.data(), image.size()) != ssize_t(image.size()))
            return 1;
        close(fd);
    }
    int d = open(dir, O_RDONLY);
    syncfs(d);
    close(d);
    return 0;
}
