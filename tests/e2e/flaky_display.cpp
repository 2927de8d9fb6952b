// A display that hangs up on the first connections made to it, as a busy X
// server now and then does before it says hello, and then passes every
// later connection on to a real server.
//
//   flaky_display LISTEN TARGET DROPS   LISTEN and TARGET are display numbers
//
// Prints "dropped N" and "passed N" for the Nth connection as it comes.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

sockaddr_un DisplaySocket(const char* number) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%s", number);
    return address;
}

// Copies bytes both ways until either side hangs up.
void Relay(int a, int b) {
    pollfd ends[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
    char buffer[65536];
    for (;;) {
        if (poll(ends, 2, -1) < 0) return;
        for (int k = 0; k < 2; ++k) {
            if (ends[k].revents == 0) continue;
            ssize_t got = read(ends[k].fd, buffer, sizeof buffer);
            if (got <= 0) return;
            for (ssize_t sent = 0; sent < got;) {
                ssize_t now = write(ends[1 - k].fd, buffer + sent, got - sent);
                if (now <= 0) return;
                sent += now;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: flaky_display LISTEN TARGET DROPS\n");
        return 2;
    }
    signal(SIGCHLD, SIG_IGN);  // relays end on their own
    sockaddr_un listenAt = DisplaySocket(argv[1]), target = DisplaySocket(argv[2]);
    const int drops = std::atoi(argv[3]);
    int server = socket(AF_UNIX, SOCK_STREAM, 0);
    unlink(listenAt.sun_path);
    if (bind(server, reinterpret_cast<sockaddr*>(&listenAt), sizeof listenAt) != 0 || listen(server, 16) != 0) {
        std::perror("flaky_display");
        return 1;
    }
    for (int count = 1;; ++count) {
        int client = accept(server, nullptr, nullptr);
        if (client < 0) continue;
        if (count <= drops) {
            close(client);
            std::printf("dropped %d\n", count);
        } else {
            std::printf("passed %d\n", count);
            std::fflush(stdout);
            if (fork() == 0) {
                close(server);
                int real = socket(AF_UNIX, SOCK_STREAM, 0);
                if (connect(real, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) Relay(client, real);
                _exit(0);
            }
            close(client);
        }
        std::fflush(stdout);
    }
}
