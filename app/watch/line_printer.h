#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/types.h>

namespace qv {

// Writes lines to a file descriptor (the watcher's standard output or error) from a thread of
// its own, so that whoever prints never waits for the reader: a pipe nobody reads (a paused
// pager, a stuck log shipper) holds only this thread. The queue is bounded: a line it has no room
// for is dropped and counted, and when a later line gets through, `notes` (the standard error's
// printer) is told how many did not. A reader that went away (EPIPE) ends the printing, never
// the program: the rest is counted as dropped. SIGPIPE must be ignored.
class LinePrinter {
public:
    static constexpr std::size_t QUEUE_LIMIT = 10'000;

    explicit LinePrinter(int fd, LinePrinter* notes = nullptr, std::size_t limit = QUEUE_LIMIT);
    // A thread still blocked in a write is left to end with the process.
    ~LinePrinter();
    LinePrinter(const LinePrinter&) = delete;
    LinePrinter& operator=(const LinePrinter&) = delete;

    // Queues `line` (a line end is added); never waits.
    void print(std::string line) noexcept;
    // Waits up to `limit` until every queued line is written, or the output is closed; true when
    // nothing is left to write.
    bool drain(std::chrono::milliseconds limit);

    // Lines not printed: the queue was full, or the output was closed.
    std::uint64_t dropped() const;
    bool closed() const;
    // A stream whose text is printed through this printer a line at a time (for the reports that
    // take a FILE*); never waits either.
    std::FILE* stream() { return m_stream; }

private:
    struct State;
    // The stream's side: its text, cut into lines, and its end.
    static ssize_t writeToStream(void* state, const char* text, std::size_t size);
    static int closeStream(void* state);

    std::shared_ptr<State> m_state;
    std::FILE* m_stream = nullptr;
};

} // namespace qv
