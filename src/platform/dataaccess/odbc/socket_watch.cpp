#include "socket_watch.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace ado::odbc {

namespace {

bool isConnectedStreamSocket(int fd, ino_t& inode) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    int type = 0;
    socklen_t len = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) != 0 || type != SOCK_STREAM) return false;
    sockaddr_storage peer{};
    socklen_t peerLen = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) return false;
    inode = st.st_ino;
    return true;
}

}  // namespace

std::vector<SocketWatch::Entry> SocketWatch::snapshot() {
    std::vector<Entry> out;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return out;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0' || fd == own) continue;
        ino_t inode = 0;
        if (isConnectedStreamSocket(int(fd), inode)) out.push_back({int(fd), inode});
    }
    closedir(dir);
    return out;
}

void SocketWatch::adopt(const std::vector<Entry>& before, const std::vector<Entry>& after) {
    watched_ = Entry();
    int found = 0;
    for (const Entry& a : after) {
        const bool old = std::any_of(before.begin(), before.end(),
                                     [&](const Entry& b) { return b.fd == a.fd && b.inode == a.inode; });
        if (old) continue;
        if (++found > 1) {
            watched_ = Entry();
            return;
        }
        watched_ = a;
    }
}

bool SocketWatch::peerClosed() const {
    if (watched_.fd < 0) return false;
    struct stat st {};
    if (fstat(watched_.fd, &st) != 0 || st.st_ino != watched_.inode) return false;  // no longer the driver's
    pollfd p{watched_.fd, POLLRDHUP, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    return (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace ado::odbc
