// The platform on Windows.
#ifdef _WIN32

#include "common/platform.h"

#include <cerrno>
#include <direct.h>
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

int standard_input_binary()
{
    return _setmode(0, _O_BINARY) == -1 ? -1 : 0;
}

long long read_fd(int fd, void *buf, size_t n)
{
    return _read(fd, buf, unsigned(n > 0x40000000 ? 0x40000000 : n));
}

void close_fd(int fd)
{
    _close(fd);
}

bool seek_fd(int fd, uint64_t offset)
{
    return offset <= uint64_t(INT64_MAX) &&
           _lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
}

bool size_of_fd(int fd, uint64_t &size, bool &regular)
{
    struct _stat64 st;
    if (_fstat64(fd, &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    return true;
}

bool size_of_path(const char *path, uint64_t &size)
{
    struct _stat64 st;
    if (_stat64(path, &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    return true;
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

// Devices (NUL, CON, ...) are written in place like any file that is not
// on a disk; no symbolic links are followed by hand here.
path_info look_at(const char *path, bool)
{
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {path_kind::missing, {}, 0, 0, 0};
    path_info info{path_kind::other, {}, 0666, 0, 0};
    BY_HANDLE_FILE_INFORMATION about;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &about)) {
        info.kind = about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? path_kind::folder
                                                                      : path_kind::regular;
        file_id_of_handle(handle, info.id);
        if (about.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            info.mode = 0444;
    }
    CloseHandle(handle);
    return info;
}

bool resolve_links(const std::string &path, std::string &resolved, std::string &)
{
    resolved = path;
    return true;
}

std::string temp_name_beside(const std::string &target, unsigned attempt)
{
    return dir_of(target) + '\\' + temp_file_name(uint64_t(_getpid()), attempt);
}

FILE *create_new_file(const std::string &path, const path_info *like)
{
    int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    FILE *stream = _fdopen(fd, "wb");
    if (!stream) {
        int error = errno;
        _close(fd);
        _unlink(path.c_str());
        errno = error;
        return nullptr;
    }
    // A read-only target stays read-only once the file is renamed over it.
    if (like && !(like->mode & 0200))
        _chmod(path.c_str(), _S_IREAD);
    return stream;
}

bool make_folders(const std::string &dir)
{
    DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        errno = ENOTDIR;
        return attributes & FILE_ATTRIBUTE_DIRECTORY;
    }
    size_t slash = dir.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0 && dir[slash - 1] != ':' &&
        !make_folders(dir.substr(0, slash)))
        return false;
    return _mkdir(dir.c_str()) == 0 || errno == EEXIST;
}

// The C library may take a short write for done: the file must then hold
// every byte the stream was given.
bool flush_stream(FILE *stream)
{
    long long given = _ftelli64(stream);
    if (std::fflush(stream) != 0)
        return false;
    int fd = _fileno(stream);
    bool disk = GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_DISK;
    if (disk && given >= 0 && _filelengthi64(fd) < given) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

bool sync_stream(FILE *stream)
{
    return flush_stream(stream) && _commit(_fileno(stream)) == 0;
}

bool replace_file(const std::string &temp, const std::string &target)
{
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

FILE *open_taker_stream(stream_taker, void *)
{
    return nullptr;
}

void advise_large_buffer(void *, size_t) {}

// Windows flushes a volume only for administrators; the files of a batch are
// left to the system's lazy writer.
bool sync_file_system(const char *)
{
    return true;
}

} // namespace imgforge

#endif
