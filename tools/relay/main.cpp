// tessaron-relay: a UDP relay on the loopback that plays a bad network for
// the online match's tests and benchmarks.  It listens on 127.0.0.1:PORT,
// forwards every datagram to 127.0.0.1:TO and the answers back, and on the
// way delays each by half the round trip and up to a jitter either side,
// loses, duplicates and holds back (reorders) some.  Each direction draws
// its decisions from its own generator seeded from --seed, datagram by
// datagram, so a run repeats for a seed.  It sends to loopback addresses
// only, and stops by itself after --idle-exit seconds without traffic or
// --max-seconds in all; on stopping it prints what it relayed.
//
//   tessaron-relay --listen PORT --to PORT [--rtt MS] [--jitter MS]
//                  [--loss PCT] [--dup PCT] [--reorder PCT] [--seed N]
//                  [--idle-exit S] [--max-seconds S]
// --listen 0 takes a free port; the first line printed is "port N".
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int MaxClients = 8;
constexpr std::size_t MaxQueued = 20000;
constexpr std::size_t MaxDatagram = 65536;
// Extra delay of a datagram held back to arrive after later ones.
constexpr double HoldBackMs = 30;

volatile std::sig_atomic_t Stop = 0;
void onSignal(int) { Stop = 1; }

struct Options {
    int listen = -1, to = -1;
    double rtt = 0, jitter = 0, loss = 0, dup = 0, reorder = 0;
    unsigned long long seed = 1;
    double idleExit = 10, maxSeconds = 900;
};

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int boundSocket(int port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = loopback(port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        std::perror("tessaron-relay: socket");
        std::exit(2);
    }
    return fd;
}

// One direction of the line: its generator and what it did.
struct Direction {
    std::mt19937_64 rng;
    unsigned long long datagrams = 0, bytes = 0, lost = 0, doubled = 0;
    double unit() { return std::uniform_real_distribution<double>(0, 1)(rng); }
};

struct Datagram {
    int fd;
    sockaddr_in to;
    std::vector<char> bytes;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        char* end = nullptr;
        const double v = std::strtod(argv[i + 1], &end);
        if (*end != '\0' || v < 0) return false;
        if (flag == "--listen") o.listen = static_cast<int>(v);
        else if (flag == "--to") o.to = static_cast<int>(v);
        else if (flag == "--rtt") o.rtt = v;
        else if (flag == "--jitter") o.jitter = v;
        else if (flag == "--loss") o.loss = v / 100;
        else if (flag == "--dup") o.dup = v / 100;
        else if (flag == "--reorder") o.reorder = v / 100;
        else if (flag == "--seed") o.seed = static_cast<unsigned long long>(v);
        else if (flag == "--idle-exit") o.idleExit = v;
        else if (flag == "--max-seconds") o.maxSeconds = v;
        else return false;
    }
    return argc % 2 == 1 && o.listen >= 0 && o.listen < 65536 && o.to > 0 && o.to < 65536 && o.loss <= 1 &&
           o.dup <= 1 && o.reorder <= 1;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: tessaron-relay --listen PORT --to PORT [--rtt MS] [--jitter MS] [--loss PCT] "
                             "[--dup PCT] [--reorder PCT] [--seed N] [--idle-exit S] [--max-seconds S]\n");
        return 2;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    const int front = boundSocket(o.listen);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    getsockname(front, reinterpret_cast<sockaddr*>(&bound), &length);
    std::printf("port %d\n", ntohs(bound.sin_port));
    std::fflush(stdout);

    Direction up{std::mt19937_64(o.seed * 2 + 1)}, down{std::mt19937_64(o.seed * 2 + 2)};
    std::vector<sockaddr_in> clients;  // client i talks to the target through backs[i]
    std::vector<int> backs;
    const sockaddr_in target = loopback(o.to);
    std::multimap<double, Datagram> queue;  // by delivery time, in order of arrival when equal

    // Decides the fate of one datagram and queues its copies.
    auto relay = [&](Direction& d, int fd, const sockaddr_in& to, const char* data, std::size_t size, double now) {
        ++d.datagrams;
        d.bytes += size;
        if (d.unit() < o.loss) {
            ++d.lost;
            return;
        }
        const int copies = d.unit() < o.dup ? 2 : 1;
        d.doubled += static_cast<unsigned long long>(copies - 1);
        for (int c = 0; c < copies && queue.size() < MaxQueued; ++c) {
            double delay = o.rtt / 2 + (2 * d.unit() - 1) * o.jitter;
            if (d.unit() < o.reorder) delay += HoldBackMs;
            queue.emplace(now + (delay > 0 ? delay : 0), Datagram{fd, to, std::vector<char>(data, data + size)});
        }
    };

    const double started = nowMs();
    double lastTraffic = started;
    bool traffic = false;
    std::vector<char> buffer(MaxDatagram);
    while (!Stop) {
        const double now = nowMs();
        if ((traffic && now - lastTraffic > o.idleExit * 1000) || now - started > o.maxSeconds * 1000) break;
        while (!queue.empty() && queue.begin()->first <= now) {
            const Datagram& g = queue.begin()->second;
            sendto(g.fd, g.bytes.data(), g.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&g.to), sizeof g.to);
            queue.erase(queue.begin());
        }
        std::vector<pollfd> fds{{front, POLLIN, 0}};
        for (int b : backs) fds.push_back({b, POLLIN, 0});
        const double wait = queue.empty() ? 100 : queue.begin()->first - now;
        poll(fds.data(), fds.size(), wait < 0 ? 0 : static_cast<int>(wait < 100 ? wait + 0.999 : 100));
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = recvfrom(fds[i].fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                                       &fromLength);
            if (n < 0 || from.sin_addr.s_addr != htonl(INADDR_LOOPBACK)) continue;
            traffic = true;
            lastTraffic = nowMs();
            if (i > 0) {  // an answer from the target to client i - 1
                relay(down, front, clients[i - 1], buffer.data(), static_cast<std::size_t>(n), lastTraffic);
                continue;
            }
            std::size_t c = 0;
            while (c < clients.size() && !(clients[c].sin_port == from.sin_port)) ++c;
            if (c == clients.size()) {
                if (clients.size() == MaxClients) continue;
                clients.push_back(from);
                backs.push_back(boundSocket(0));
            }
            relay(up, backs[c], target, buffer.data(), static_cast<std::size_t>(n), lastTraffic);
        }
    }
    const double seconds = (nowMs() - started) / 1000;
    std::printf("relay: seconds=%.1f up_datagrams=%llu up_bytes=%llu up_lost=%llu up_doubled=%llu "
                "down_datagrams=%llu down_bytes=%llu down_lost=%llu down_doubled=%llu\n",
                seconds, up.datagrams, up.bytes, up.lost, up.doubled, down.datagrams, down.bytes, down.lost,
                down.doubled);
    return 0;
}
