// The platform on Windows.
#ifdef _WIN32

#include "common/platform.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

namespace imgforge {

namespace {

std::string dir_of(const std::string &path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// The volume and the file index name a file whatever the path; the C
// library's stat has no inode number on this system.
bool file_id_of_handle(HANDLE handle, file_id &id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return false;
    id = {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    return true;
}

} // namespace

bool set_stdout_binary()
{
    return _setmode(_fileno(stdout), _O_BINARY) != -1;
}

bool is_terminal(FILE *stream)
{
    return _isatty(_fileno(stream));
}

int open_binary_read(const char *path)
{
    return _open(path, _O_RDONLY | _O_BINARY);
}

const char *null_device()
{
    return "NUL";
}

FILE *anonymous_temp_file()
{
    char dir[MAX_PATH + 1], name[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > MAX_PATH || !GetTempFileNameA(dir, "imf", 0, name))
        return nullptr;
    int fd = _open(name, _O_RDWR | _O_BINARY | _O_TEMPORARY);
    return fd < 0 ? nullptr : _fdopen(fd, "w+b");
}

bool file_id_of_fd(int fd, file_id &id)
{
    return file_id_of_handle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), id);
}

bool file_id_of_path(const char *path, file_id &id)
{
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool found = file_id_of_handle(handle, id);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return found;
}

unsigned new_file_mode()
{
    static const unsigned mode = [] {
        int mask = _umask(0);
        _umask(mask);
        return unsigned(0666 & ~mask);
    }();
    return mode;
}

// No symbolic links are followed by hand here.
path_info look_at(const char *path, bool)
{
    struct _stat64 st;
    if (_stat64(path, &st) != 0)
        return {path_kind::missing, {}, 0};
    file_id id{};
    bool regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    if (regular)
        file_id_of_path(path, id);
    return {regular ? path_kind::regular : path_kind::other, id, unsigned(st.st_mode & 0777)};
}

std::string follow_links(const std::string &path)
{
    return path;
}

FILE *create_temp_beside(const std::string &target, unsigned mode, std::string &temp)
{
    static uint64_t sequence =
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    size_t slash = target.find_last_of("/\\");
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string stem = dir_of(target) + "\\." + base + ".";
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, "%x-%llx", unsigned(_getpid()),
                      static_cast<unsigned long long>(sequence++));
        temp = stem + suffix;
        fd = _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                   _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST)
            return nullptr;
    }
    if (fd < 0)
        return nullptr;
    FILE *stream = _fdopen(fd, "wb");
    if (!stream) {
        int error = errno;
        _close(fd);
        _unlink(temp.c_str());
        errno = error;
        return nullptr;
    }
    // A read-only target stays read-only once the file is renamed over it.
    if (!(mode & 0200))
        _chmod(temp.c_str(), _S_IREAD);
    return stream;
}

bool sync_stream(FILE *stream)
{
    return std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0;
}

bool replace_file(const std::string &temp, const std::string &target)
{
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

void advise_large_buffer(void *, size_t)
{
}

// Windows flushes a volume only for administrators; the files of a batch are
// left to the system's lazy writer.
void sync_file_system(const char *)
{
}

} // namespace imgforge

#endif
