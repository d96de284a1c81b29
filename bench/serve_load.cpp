// serve_load: a bounded load on txr serve over loopback. Starts `txr serve --port 0` on the
// bundled fonts, sends rounds of REQUESTS requests from CLIENTS threads (each with its own
// kept-alive connection) in a mix of renders, sizes, missing lists, labels and refused requests,
// and prints per round the throughput, the latency percentiles, any request that did not get
// the status it should, and the server's resident memory (VmRSS) before and after.
//   serve_load TXR [REQUESTS=2000] [CLIENTS=8] [ROUNDS=3]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "httplib.h"

namespace {

// The server's VmRSS in KiB, from /proc.
long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// Request `i` of the mix, and the status it must get.
struct Request {
    std::string path;
    std::string body;  // POST when not empty
    int status;
};

Request requestNumber(int i) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "4C4F54%02X%02X%02X", 0x30 + i % 10, 0x30 + i / 10 % 10,
                  0x30 + i / 100 % 10);  // "LOT" and three digits
    const std::string selection = "family=" + std::to_string(i % 3) +
                                  "&font=" + std::to_string(i % 5) +
                                  "&scale-h=" + std::to_string(1 + i % 4) + "&hex=" + hex;
    switch (i % 8) {
        case 5:
            return {"/api/size?" + selection, "", 200};
        case 6:
            return {"/api/missing?" + selection, "", 200};
        case 7:
            return i % 16 == 7 ? Request{"/api/render?scale-h=99", "", 400}
                               : Request{"/api/label",
                                         R"({"width": 300, "height": 100, "boxes": [{"x": 0,
                                         "y": 0, "width": 300, "height": 100, "thickness": 2}],
                                         "fields": [{"x": 10, "y": 10, "family": 2, "font": 3,
                                         "text": "LOT )" +
                                             std::to_string(i) + R"("}]})",
                                         200};
        default:
            return {"/api/render?" + selection + (i % 8 == 4 ? "&format=bmp" : ""), "", 200};
    }
}

struct Round {
    double seconds = 0;
    int errors = 0;
    std::vector<double> latencies;  // milliseconds
};

Round runRound(int port, int requests, int clients, int offset) {
    Round round;
    std::atomic<int> next{0};
    std::atomic<int> errors{0};
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            for (int i = next++; i < requests; i = next++) {
                const Request request = requestNumber(offset + i);
                const auto sent = std::chrono::steady_clock::now();
                const auto reply =
                    request.body.empty()
                        ? client.Get(request.path.c_str())
                        : client.Post(request.path.c_str(), request.body, "application/json");
                latencies[static_cast<std::size_t>(c)].push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                              sent)
                        .count());
                if (!reply || reply->status != request.status) {
                    ++errors;
                    std::fprintf(stderr, "serve_load: %s: %s\n", request.path.c_str(),
                                 reply ? std::to_string(reply->status).c_str()
                                       : httplib::to_string(reply.error()).c_str());
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    round.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    round.errors = errors;
    for (const auto& own : latencies) {
        round.latencies.insert(round.latencies.end(), own.begin(), own.end());
    }
    std::sort(round.latencies.begin(), round.latencies.end());
    return round;
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: serve_load TXR [REQUESTS=2000] [CLIENTS=8] [ROUNDS=3]\n");
        return 64;
    }
    const int requests = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int clients = argc > 3 ? std::atoi(argv[3]) : 8;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
    int out[2];
    if (pipe(out) != 0) return 1;
    const pid_t server = fork();
    if (server == 0) {
        dup2(out[1], 1);
        execl(argv[1], argv[1], "serve", "--port", "0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos && read(out[0], &c, 1) == 1) line += c;
    const std::size_t at = line.find("127.0.0.1:");
    if (at == std::string::npos) {
        std::fprintf(stderr, "serve_load: the server did not start: %s\n", line.c_str());
        return 1;
    }
    const int port = std::stoi(line.substr(at + 10));
    std::printf("%s", line.c_str());
    std::printf("started: VmRSS %ld KiB\n", residentKiB(server));
    int failures = 0;
    for (int r = 0; r < rounds; ++r) {
        const Round round = runRound(port, requests, clients, r * requests);
        failures += round.errors;
        std::printf(
            "round %d: %d requests from %d clients in %.2f s: %.0f requests/s, latency p50 "
            "%.2f ms, p99 %.2f ms, max %.2f ms; %d errors; VmRSS %ld KiB\n",
            r + 1, requests, clients, round.seconds, requests / round.seconds,
            percentile(round.latencies, 0.5), percentile(round.latencies, 0.99),
            round.latencies.empty() ? 0 : round.latencies.back(), round.errors,
            residentKiB(server));
        std::fflush(stdout);
    }
    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);
    const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("server stopped by SIGTERM: %s\n", clean ? "exit 0" : "NOT exit 0");
    return failures == 0 && clean ? 0 : 1;
}
