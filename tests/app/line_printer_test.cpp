// The watcher's printer on a pipe: a reader that takes nothing holds only the printer, whose
// queue drops and counts; a reader that goes away ends the printing.

#include "app/watch/line_printer.h"

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace std::chrono_literals;

class Pipe {
public:
    Pipe() { EXPECT_EQ(::pipe2(m_ends, O_CLOEXEC), 0); }
    ~Pipe() {
        closeReader();
        ::close(m_ends[1]);
    }
    int reader() const { return m_ends[0]; }
    int writer() const { return m_ends[1]; }
    void closeReader() {
        if (m_ends[0] >= 0) {
            ::close(m_ends[0]);
            m_ends[0] = -1;
        }
    }
    std::string readAll() {
        ::fcntl(m_ends[0], F_SETFL, O_NONBLOCK);
        std::string text;
        char chunk[4096];
        for (ssize_t n; (n = ::read(m_ends[0], chunk, sizeof chunk)) > 0;) {
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }

private:
    int m_ends[2] = {-1, -1};
};

TEST(LinePrinter, AReaderThatTakesNothingCostsDroppedLinesNeverAWait) {
    std::signal(SIGPIPE, SIG_IGN);
    Pipe out;
    Pipe notes;
    LinePrinter noteLines(notes.writer());
    LinePrinter printer(out.writer(), &noteLines, 100);
    const std::string line(1000, 'x'); // 64 fill the pipe, 100 more the queue
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        printer.print(line);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s); // nobody waited for the reader
    EXPECT_FALSE(printer.drain(200ms));
    EXPECT_GT(printer.dropped(), 700u);
    EXPECT_FALSE(printer.closed());

    // Once the reader takes what is there, the lines that fit go on, and the next one that gets
    // through tells the notes how many did not.
    const std::uint64_t dropped = printer.dropped();
    std::string taken;
    while (!printer.drain(10ms)) {
        taken += out.readAll();
    }
    taken += out.readAll();
    EXPECT_EQ(taken.size(), (1000 - dropped) * (line.size() + 1));
    printer.print("after");
    ASSERT_TRUE(printer.drain(2s));
    EXPECT_EQ(out.readAll(), "after\n");
    ASSERT_TRUE(noteLines.drain(2s));
    const std::string said = notes.readAll();
    const std::string prefix = "quorvane-watch: ";
    const std::string rest =
        " event lines were not printed: the output fell behind (every event is in Events.csv)";
    std::uint64_t told = 0;
    std::istringstream lines(said);
    for (std::string l; std::getline(lines, l);) {
        const std::size_t digits = l.find_first_not_of("0123456789", prefix.size());
        if (l.rfind(prefix, 0) == 0 && digits > prefix.size() && l.substr(digits) == rest) {
            told += std::stoull(l.substr(prefix.size(), digits - prefix.size()));
        }
    }
    EXPECT_EQ(told, dropped) << said;
}

TEST(LinePrinter, AReaderThatWentAwayEndsThePrinting) {
    std::signal(SIGPIPE, SIG_IGN);
    Pipe out;
    LinePrinter printer(out.writer());
    out.closeReader();
    for (int i = 0; i < 10; ++i) {
        printer.print("line");
    }
    EXPECT_TRUE(printer.drain(2s));
    EXPECT_TRUE(printer.closed());
    EXPECT_EQ(printer.dropped(), 10u);
}

TEST(LinePrinter, ItsStreamPrintsWholeLines) {
    Pipe out;
    {
        LinePrinter printer(out.writer());
        std::fprintf(printer.stream(), "one %d\ntw", 1);
        std::fprintf(printer.stream(), "o\n");
        ASSERT_TRUE(printer.drain(2s));
    }
    EXPECT_EQ(out.readAll(), "one 1\ntwo\n");
}

} // namespace
} // namespace qv
