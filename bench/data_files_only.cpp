// The file system work of building an image from data files and nothing
// else: for every "-d FILE" argument open the file, get its size, read that
// many bytes and close it; then write a 64 KiB erased image, held ready in
// the program's data, to standard output. Linked statically like the tool,
// it is about the least any build of an image from those files can cost.
#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t image_size = 65536;

constexpr std::array<unsigned char, image_size> erased_image()
{
    std::array<unsigned char, image_size> image{};
    image.fill(0xFF);
    return image;
}

constinit std::array<unsigned char, image_size> image = erased_image();
unsigned char data[image_size];

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; i++) {
        if (std::strcmp(argv[i], "-d") != 0)
            continue;
        int fd = open(argv[++i], O_RDONLY);
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0 || st.st_size >= ssize_t(image_size) ||
            read(fd, data, size_t(st.st_size)) != st.st_size)
            return 2;
        close(fd);
    }
    return write(1, image.data(), image.size()) == ssize_t(image.size()) ? 0 : 2;
}
