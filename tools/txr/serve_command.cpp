// txr serve: a live preview in the browser, served from loopback until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "bundled_fonts.h"
#include "commands.h"
#include "serve_api.h"
#include "tool_error.h"

namespace txr::tool {

namespace {

struct ServeOptions {
    std::optional<std::string> fonts;
    std::string bind = "127.0.0.1";
    int port = 8203;
    int workers = 0;
    std::int64_t maxDots = kServeDefaultMaxDots;
};

// Waits for SIGINT or SIGTERM on a thread of its own and stops the server, so that listen
// returns and the command ends normally (exit 0, temporary folders removed). The signals are
// blocked first, in every thread the server starts, so that only this thread receives them.
class StopOnSignals {
  public:
    explicit StopOnSignals(httplib::Server& server) {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
        waiter_ = std::thread([this, &server] {
            const timespec poll{0, 100 * 1000 * 1000};
            bool stopping = false;
            while (!done_) {
                if (!stopping) {
                    stopping = sigtimedwait(&signals_, nullptr, &poll) > 0;
                    continue;
                }
                // stop() does nothing until listen runs: a signal that came just after the
                // address was printed is acted on once it does.
                server.stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
    ~StopOnSignals() {
        done_ = true;
        waiter_.join();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }

  private:
    sigset_t signals_{};
    sigset_t previous_{};
    std::atomic<bool> done_{false};
    std::thread waiter_;
};

void runServe(const ServeOptions& options) {
    FontCache cache;
    ServeSettings settings;
    settings.fontPrefix = fontDirectoryPrefix(options.fonts);
    settings.maxDots = options.maxDots;
    settings.cache = &cache;
    // A worker serves one connection for as long as the client keeps it open, so there are more
    // workers than processors by default.
    const int workers = options.workers > 0
                            ? options.workers
                            : static_cast<int>(std::max(8u, std::thread::hardware_concurrency()));

    httplib::Server server;
    server.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    // Answers are sent in two writes (headers, body); without this, delayed acknowledgements
    // would hold each answer back some 40 ms.
    server.set_tcp_nodelay(true);
    // A connection is kept for many requests: reconnecting every few requests costs a handshake
    // each and, under load, overflowed the listening queue (a 1 s wait for the client's retry).
    server.set_keep_alive_max_count(1000);
    server.set_payload_max_length(kServeMaxBodyBytes);
    server.set_read_timeout(kServeTimeoutSeconds, 0);
    server.set_write_timeout(kServeTimeoutSeconds, 0);
    addServeRoutes(server, settings);
    // A client that goes away mid-answer must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
    StopOnSignals stopper(server);

    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.bind)) > 0
                                 : server.bind_to_port(options.bind, port);
    if (!bound) {
        throw ToolError(kExitFailed, "cannot listen on " + options.bind + " port " +
                                         std::to_string(options.port));
    }
    const bool ipv6 = options.bind.find(':') != std::string::npos;
    std::printf("txr serve: http://%s%s%s:%d/ (%d workers; Ctrl+C stops)\n", ipv6 ? "[" : "",
                options.bind.c_str(), ipv6 ? "]" : "", port, workers);
    std::fflush(stdout);
    if (!server.listen_after_bind()) {
        throw ToolError(kExitFailed, "the server stopped on an error");
    }
}

}  // namespace

void addServeCommand(CLI::App& app) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* command = app.add_subcommand(
        "serve",
        "Serve a live preview page and its JSON/PNG API (see README) until SIGINT or SIGTERM");
    command->add_option("--fonts", options->fonts,
                        "Font directory (default: the bundled sample set)");
    command->add_option("--bind", options->bind, "Address to listen on")->capture_default_str();
    command->add_option("--port", options->port, "Port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command
        ->add_option("--workers", options->workers,
                     "Connections served at once, each by a worker with its own renderer "
                     "(default: the number of processors, at least 8)")
        ->check(CLI::Range(1, 64));
    command
        ->add_option("--max-dots", options->maxDots,
                     "Largest drawing or label served, in dots (up to the library's 268435456)")
        ->check(CLI::Range(std::int64_t{1}, kMaxStringDots))
        ->capture_default_str();
    command->callback([options] { runServe(*options); });
}

}  // namespace txr::tool
