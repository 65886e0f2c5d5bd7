#include "app/watch/line_printer.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qv {

struct LinePrinter::State {
    int fd;
    std::shared_ptr<State> notes;
    std::size_t limit;
    std::mutex guard;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::string> queue;
    std::string partial; // of the stream's text, up to its next line end
    std::uint64_t dropped = 0;
    std::uint64_t unreported = 0; // dropped since the last line got through
    bool writing = false;
    bool closed = false;
    bool stopping = false;
    bool done = false;

    // The caller holds the guard.
    void push(std::string line) {
        if (closed) {
            ++dropped;
        } else if (queue.size() >= limit) {
            ++dropped;
            ++unreported;
        } else {
            queue.push_back(std::move(line));
            wake.notify_one();
        }
    }
    void pushLocked(std::string line) {
        std::lock_guard lock(guard);
        push(std::move(line));
    }
    bool writeAll(const std::string& text) const {
        std::size_t at = 0;
        while (at < text.size()) {
            const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            at += static_cast<std::size_t>(n);
        }
        return true;
    }
    void run();
};

void LinePrinter::State::run() {
    std::unique_lock lock(guard);
    for (;;) {
        wake.wait(lock, [&] { return stopping || !queue.empty(); });
        if (queue.empty()) {
            break;
        }
        const std::string line = std::move(queue.front());
        queue.pop_front();
        const std::uint64_t missed = std::exchange(unreported, 0);
        writing = true;
        lock.unlock();
        if (missed > 0 && notes) {
            notes->pushLocked("quorvane-watch: " + std::to_string(missed) +
                              " event lines were not printed: the output fell behind (every "
                              "event is in Events.csv)");
        }
        const bool written = writeAll(line + "\n");
        lock.lock();
        writing = false;
        if (!written) {
            closed = true;
            dropped += 1 + queue.size();
            queue.clear();
        }
        if (queue.empty()) {
            idle.notify_all();
        }
    }
    done = true;
    idle.notify_all();
}

ssize_t LinePrinter::writeToStream(void* cookie, const char* text, std::size_t size) {
    auto* state = static_cast<State*>(cookie);
    std::lock_guard lock(state->guard);
    state->partial.append(text, size);
    for (std::size_t end; (end = state->partial.find('\n')) != std::string::npos;) {
        state->push(state->partial.substr(0, end));
        state->partial.erase(0, end + 1);
    }
    return static_cast<ssize_t>(size);
}

int LinePrinter::closeStream(void* cookie) {
    auto* state = static_cast<State*>(cookie);
    std::lock_guard lock(state->guard);
    if (!state->partial.empty()) {
        state->push(std::exchange(state->partial, {}));
    }
    return 0;
}

LinePrinter::LinePrinter(int fd, LinePrinter* notes, std::size_t limit)
    : m_state(std::make_shared<State>()) {
    m_state->fd = fd;
    m_state->notes = notes != nullptr ? notes->m_state : nullptr;
    m_state->limit = limit;
    std::thread([state = m_state] { state->run(); }).detach();
    m_stream = ::fopencookie(m_state.get(), "w",
                             cookie_io_functions_t{nullptr, writeToStream, nullptr, closeStream});
    if (m_stream != nullptr) {
        std::setvbuf(m_stream, nullptr, _IOLBF, BUFSIZ);
    }
}

// The thread owns its state with the printer; one blocked in a write ends with the process.
LinePrinter::~LinePrinter() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
    }
    std::unique_lock lock(m_state->guard);
    m_state->stopping = true;
    m_state->wake.notify_one();
    m_state->idle.wait_for(lock, std::chrono::milliseconds(200), [&] { return m_state->done; });
}

void LinePrinter::print(std::string line) noexcept {
    try {
        m_state->pushLocked(std::move(line));
    } catch (...) { // no memory for the line: it is one not printed
        std::lock_guard lock(m_state->guard);
        ++m_state->dropped;
    }
}

bool LinePrinter::drain(std::chrono::milliseconds limit) {
    if (m_stream != nullptr) {
        std::fflush(m_stream);
    }
    std::unique_lock lock(m_state->guard);
    return m_state->idle.wait_for(lock, limit, [&] {
        return m_state->closed || (m_state->queue.empty() && !m_state->writing);
    });
}

std::uint64_t LinePrinter::dropped() const {
    std::lock_guard lock(m_state->guard);
    return m_state->dropped;
}

bool LinePrinter::closed() const {
    std::lock_guard lock(m_state->guard);
    return m_state->closed;
}

} // namespace qv
