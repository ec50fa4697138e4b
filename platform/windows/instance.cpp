// Windows known across the processes of one user, so that a second start of the program finds the
// first one's main window and raises it.
//
// Each announced window has, in a folder of the user's (`$XDG_RUNTIME_DIR/tevrik-windows`, or
// `tevrik-windows-<uid>` in the temporary folder when that is unset; mode 0700, owned by the user):
// - `<class>.<title>.lock`: both names folded to lower case, UTF-8, in hexadecimal. The announcing
//   process holds an exclusive lock on it for the window's life, so a lock that can be taken again
//   belongs to a process that is gone. The file holds the name of the window's socket.
// - the socket, a short name beside it: a peer of the same user that connects and writes "raise"
//   gets the window raised and the answer "ok".
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix_io.h"
#include "platform/system/text.h"
#include "platform/windows/window_internal.h"

namespace {

constexpr size_t kMaxKey = 200;

std::string Folded(const std::wstring& text) {
    std::wstring folded = text;
    for (wchar_t& ch : folded) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    const std::string utf8 = TextWideToUtf8(folded);
    return HexText(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
}

// The user's folder for announcements, made when missing; empty when it cannot be trusted.
std::string Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime != nullptr && runtime[0] == '/') {
        folder = std::string(runtime) + "/tevrik-windows";
    } else {
        const char* temp = std::getenv("TMPDIR");
        folder = std::string(temp != nullptr && temp[0] == '/' ? temp : "/tmp") + "/tevrik-windows-" +
                 std::to_string(getuid());
    }
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        return {};
    }
    return folder;
}

bool SocketAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

// The socket name kept in a lock file; empty when it holds none that could be ours.
std::string ReadSocketName(int fd) {
    char buffer[64];
    ssize_t n = ::pread(fd, buffer, sizeof(buffer), 0);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof(buffer))) return {};
    std::string name(buffer, static_cast<size_t>(n));
    for (char c : name) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-')) return {};
    }
    return name;
}

// Reads what a peer sends, up to `limit` bytes, waiting at most `ms` in all.
std::string ReadSome(int fd, size_t limit, int ms) {
    std::string out;
    char buffer[32];
    while (out.size() < limit && out.find('\n') == std::string::npos) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, ms) <= 0) break;
        ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

struct Announcement {
    int lockFd = -1;
    int listenFd = -1;
    int stop[2] = {-1, -1};
    std::string lockPath;
    std::string socketPath;
    std::thread listener;
};

struct Remote {
    std::string lockPath;
};

struct Registry {
    std::mutex lock;
    std::map<HWND, Announcement*> announced;
    std::map<HWND, Remote> remotes;
    unsigned serial = 0;
};

// Never destroyed: listener threads may outlive the process's static objects.
Registry& Known() {
    static Registry* registry = new Registry;
    return *registry;
}

void Listen(HWND window, int listenFd, int stopFd) {
    pthread_setname_np(pthread_self(), "tevrik-instance");
    for (;;) {
        pollfd waits[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents != 0) return;
        int peer = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) continue;
        ucred credentials{};
        socklen_t size = sizeof(credentials);
        if (::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == getuid() &&
            ReadSome(peer, 16, 1000).rfind("raise", 0) == 0 && RaiseLocalWindow(window)) {
            WriteAll(peer, "ok\n", 3);
        }
        ::close(peer);
    }
}

void Close(Announcement& a) {
    if (a.listenFd >= 0) ::close(a.listenFd);
    if (!a.socketPath.empty()) ::unlink(a.socketPath.c_str());
    if (a.lockFd >= 0) {
        // Removed while still locked, so nobody takes a file that is about to go.
        ::unlink(a.lockPath.c_str());
        ::close(a.lockFd);
    }
    for (int fd : a.stop) {
        if (fd >= 0) ::close(fd);
    }
}

// Whether a live process holds the lock file; a file nobody holds is removed with its socket.
// A file found locked-free is removed only while the path still names it: its owner may have
// withdrawn it meanwhile and another announcement put its own file there.
bool HeldByLiveProcess(const std::string& folder, const std::string& lockPath, std::string* socketName) {
    int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat held {}, named {};
        const bool stillNamed = ::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 &&
                                held.st_ino == named.st_ino && held.st_dev == named.st_dev;
        if (stillNamed) {
            std::string stale = ReadSocketName(fd);
            if (!stale.empty()) ::unlink((folder + "/" + stale).c_str());
            ::unlink(lockPath.c_str());
        }
        ::close(fd);
        return false;
    }
    if (socketName != nullptr) *socketName = ReadSocketName(fd);
    ::close(fd);
    return true;
}

// Makes the lock file and locks it exclusively; -1 when a live process holds it. The file is
// locked under a private name first and only then linked into place, so whoever finds it at its
// path finds it locked: a process looking for the window never takes an announcement being made
// for a stale one. A file found at the path may be a dead owner's (cleared, then tried again) or
// held by a looker for an instant, so a held file is tried again a bounded number of times.
int LockExclusive(const std::string& folder, const std::string& path) {
    static std::atomic<unsigned> made{0};
    const std::string privateName = path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(++made);
    int fd = ::open(privateName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    bool placed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        constexpr int kAttempts = 20;
        for (int attempt = 0; attempt < kAttempts && !placed; ++attempt) {
            if (::link(privateName.c_str(), path.c_str()) == 0) {
                placed = true;
            } else if (errno != EEXIST) {
                break;
            } else if (HeldByLiveProcess(folder, path, nullptr)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }
    ::unlink(privateName.c_str());
    if (placed) return fd;
    ::close(fd);
    return -1;
}

}  // namespace

bool AnnounceWindow(HWND window, const std::wstring& className, const std::wstring& title) {
    const std::string folder = Folder();
    const std::string key = Folded(className) + "." + Folded(title);
    if (folder.empty() || key.size() > kMaxKey) return false;
    auto a = std::make_unique<Announcement>();
    a->lockPath = folder + "/" + key + ".lock";
    {
        // A window of ours has the pair already: no use waiting for the lock.
        std::lock_guard<std::mutex> guard(Known().lock);
        for (const auto& [other, announced] : Known().announced) {
            if (announced->lockPath == a->lockPath) return false;
        }
    }
    a->lockFd = LockExclusive(folder, a->lockPath);
    if (a->lockFd < 0) return false;
    unsigned serial = 0;
    {
        std::lock_guard<std::mutex> guard(Known().lock);
        serial = ++Known().serial;
    }
    const std::string socketName = "s" + std::to_string(getpid()) + "-" + std::to_string(serial);
    a->socketPath = folder + "/" + socketName;
    sockaddr_un address{};
    bool ok = SocketAddress(a->socketPath, address);
    if (ok) {
        ::unlink(a->socketPath.c_str());
        a->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok = a->listenFd >= 0 && ::bind(a->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
             ::listen(a->listenFd, 4) == 0 && ::pipe2(a->stop, O_CLOEXEC) == 0 && ::ftruncate(a->lockFd, 0) == 0 &&
             WriteAll(a->lockFd, socketName.data(), socketName.size());
    }
    if (!ok) {
        Close(*a);
        return false;
    }
    a->listener = std::thread(&Listen, window, a->listenFd, a->stop[0]);
    std::lock_guard<std::mutex> guard(Known().lock);
    Known().announced[window] = a.release();
    return true;
}

void WithdrawWindow(HWND window) {
    Announcement* a = nullptr;
    {
        std::lock_guard<std::mutex> guard(Known().lock);
        auto it = Known().announced.find(window);
        if (it == Known().announced.end()) return;
        a = it->second;
        Known().announced.erase(it);
    }
    WriteAll(a->stop[1], "x", 1);
    if (a->listener.joinable()) a->listener.join();
    Close(*a);
    delete a;
}

HWND FindAnnouncedWindow(const wchar_t* className, const wchar_t* title) {
    const std::string folder = Folder();
    if (folder.empty()) return nullptr;
    const std::string wantClass = className != nullptr ? Folded(className) : std::string();
    const std::string wantTitle = title != nullptr ? Folded(title) : std::string();
    std::string found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            const size_t dot = name.find('.');
            if (dot == std::string::npos || name.size() < 5 || name.compare(name.size() - 5, 5, ".lock") != 0) continue;
            const std::string entryClass = name.substr(0, dot);
            const std::string entryTitle = name.substr(dot + 1, name.size() - 5 - dot - 1);
            if (className != nullptr && entryClass != wantClass) continue;
            if (title != nullptr && entryTitle != wantTitle) continue;
            const std::string path = folder + "/" + name;
            bool ours = false;
            {
                std::lock_guard<std::mutex> guard(Known().lock);
                for (const auto& [window, a] : Known().announced) ours = ours || a->lockPath == path;
            }
            if (!ours && HeldByLiveProcess(folder, path, nullptr)) {
                found = path;
                break;
            }
        }
        ::closedir(dir);
    }
    if (found.empty()) return nullptr;
    std::lock_guard<std::mutex> guard(Known().lock);
    for (const auto& [window, remote] : Known().remotes) {
        if (remote.lockPath == found) return window;
    }
    HWND window = NewWindowHandle();
    Known().remotes[window] = Remote{found};
    return window;
}

// The lock file of another process's window that FindAnnouncedWindow handed out.
bool RemoteLockPath(HWND window, std::string& path) {
    std::lock_guard<std::mutex> guard(Known().lock);
    auto it = Known().remotes.find(window);
    if (it == Known().remotes.end()) return false;
    path = it->second.lockPath;
    return true;
}

bool IsAnnouncedWindowAlive(HWND window) {
    std::string path;
    if (!RemoteLockPath(window, path)) return false;
    const std::string folder = Folder();
    return !folder.empty() && HeldByLiveProcess(folder, path, nullptr);
}

bool RaiseAnnouncedWindow(HWND window) {
    std::string path;
    if (!RemoteLockPath(window, path)) return false;
    const std::string folder = Folder();
    std::string socketName;
    if (folder.empty() || !HeldByLiveProcess(folder, path, &socketName) || socketName.empty()) return false;
    sockaddr_un address{};
    if (!SocketAddress(folder + "/" + socketName, address)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool raised = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                  WriteAll(fd, "raise\n", 6) && ReadSome(fd, 8, 2000).rfind("ok", 0) == 0;
    ::close(fd);
    return raised;
}
