#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/base/safe_file.h"

namespace {

// Closes a descriptor on every way out of a scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failing close is reported.
    int close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that `path` finally names: symbolic links followed, also to a target that does
// not exist yet. Empty and errno set on a loop or a read error.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) return {};
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : folderOf(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

std::string randomSuffix() {
    thread_local std::mt19937 generator{std::random_device{}()};  // one per bus thread
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string out = ".";
    for (int i = 0; i < 8; ++i) out += kChars[generator() % (sizeof kChars - 1)];
    return out;
}

bool writeAll(int fd, std::string_view contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string readOnlyReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    // No write bit at all: read-only for everyone, root included, as the user meant it.
    if ((st.st_mode & 0222) == 0) return "read-only file";
    if (::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) {
        return errno == EROFS ? "read-only file system" : "read-only file";
    }
    return {};
}

FileRead readSmallFile(const std::string& path, std::size_t maxSize, std::string& contents,
                       std::string& error) {
    auto fail = [&](const std::string& why) {
        error = why;
        return FileRead::failed;
    };
    if (const std::string why = specialFileReason(path); !why.empty()) return fail(why);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return FileRead::missing;
        return fail(std::strerror(errno));
    }
    Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("not a regular file");
    if (static_cast<std::size_t>(st.st_size) > maxSize) return fail("file too large");
    contents.clear();
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(std::strerror(errno));
        }
        contents.append(chunk, static_cast<std::size_t>(n));
        if (contents.size() > maxSize) return fail("file too large");
    }
    return FileRead::ok;
}

std::string specialFileReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "is a directory";
    return "not a regular file";
}

bool writeFileAtomically(const std::string& path, std::string_view contents, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const std::string target = followLinks(path);
    if (target.empty()) return fail(std::strerror(errno));
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return fail(specialFileReason(target));
    if (exists) {
        if (std::string why = readOnlyReason(target); !why.empty()) return fail(why);
    }

    // Created with 0666 so the umask decides a new file's permissions, as for any other.
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tmp = target + randomSuffix();
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fail(std::strerror(errno));
    Descriptor file(fd);
    struct Remover {
        const std::string& name;
        bool armed = true;
        ~Remover() {
            if (armed) ::unlink(name.c_str());
        }
    } remover{tmp};

    if (exists) {
        // The owner first: changing it may clear the set-id bits that the mode restores.
        // Only root may give a file away; for anyone else the owner stays as it was made.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            if (::fchown(fd, old.st_uid, old.st_gid) != 0)
                (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(std::strerror(errno));
    }
    if (!writeAll(fd, contents) || ::fsync(fd) != 0) return fail(std::strerror(errno));
    if (file.close() != 0) return fail(std::strerror(errno));
    if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(std::strerror(errno));
    remover.armed = false;

    // The rename itself lasts only once the folder is on disk.
    Descriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ec;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ec), ec);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, ec), ec);
    return ca == cb;
}
