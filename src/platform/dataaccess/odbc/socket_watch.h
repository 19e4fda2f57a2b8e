// Knowing, without a round trip, that the server closed a connection.
//
// Drivers notice a dropped connection only when a call fails on it. The socket they talk
// over tells sooner: once the server has closed its side, the socket reports a hang-up. The
// driver's socket is found by comparing the process's connected stream sockets before and
// after the driver connects; when that does not single one out (another thread connecting
// at the same moment, say), nothing is watched and only the driver's own word counts.
#pragma once

#include <sys/types.h>

#include <vector>

namespace ado::odbc {

class SocketWatch {
public:
    struct Entry {
        int fd = -1;
        ino_t inode = 0;
    };

    // The process's connected stream sockets now.
    static std::vector<Entry> snapshot();

    // Watches the one socket of `after` that `before` lacks; nothing when there is not
    // exactly one.
    void adopt(const std::vector<Entry>& before, const std::vector<Entry>& after);
    bool watching() const { return watched_.fd >= 0; }

    // True when the watched socket is still the driver's and its peer has hung up or it has
    // failed; false when it is fine or when nothing (or no longer the same socket) is watched.
    bool peerClosed() const;

private:
    Entry watched_;
};

}  // namespace ado::odbc
