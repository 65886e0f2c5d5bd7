#include "iptools/send_message_job.h"

#include <atomic>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qv {
namespace {

struct Sent {
    std::string pathTarget;
    std::string recipient;
    std::string sender;
    std::string text;
    bool operator==(const Sent&) const = default;
};

std::vector<Sent> run(const std::string& targets) {
    std::vector<Sent> sent;
    SendMessageJob(
        targets, "Quorvane", "hello",
        [&](const std::string& path, std::string_view to, std::string_view from,
            std::string_view text) {
            sent.push_back({path, std::string(to), std::string(from), std::string(text)});
            return path != "PC1"; // a failed target does not stop the job
        });
    return sent;
}

TEST(SendMessageJob, SendsToEachTargetUpToTheFirstEmptyField) {
    struct Case {
        const char* targets;
        std::vector<std::string> sentTo;
    };
    const Case cases[] = {
        {"PC1;PC2", {"PC1", "PC2"}},
        {"PC1;", {"PC1"}},
        {"PC1; PC2", {"PC1", " PC2"}},
        {"10.0.0.5;;10.0.0.7", {"10.0.0.5"}},
        {"COMPUTER1;;COMPUTER3", {"COMPUTER1"}},
        {"", {}},
        {";PC1", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> sentTo;
        for (const Sent& s : run(c.targets)) {
            EXPECT_EQ(s.recipient, s.pathTarget);
            EXPECT_EQ(s.sender, "Quorvane");
            EXPECT_EQ(s.text, "hello");
            sentTo.push_back(s.pathTarget);
        }
        EXPECT_EQ(sentTo, c.sentTo) << c.targets;
    }
}

TEST(SendJobs, JobsRunOnTheirOwnThreadsWithTheirOwnCopies) {
    std::atomic<int> delivered{0};
    std::atomic<bool> release{false};
    SendJobs jobs(
        [&](const std::string&, std::string_view, std::string_view, std::string_view text) {
            while (!release.load()) {
                std::this_thread::yield();
            }
            EXPECT_EQ(text, "details");
            ++delivered;
            return true;
        });
    {
        std::string targets = "A;B";
        std::string text = "details";
        jobs.StartSendMessageJob(targets, "Quorvane", text);
        jobs.StartSendMessageJob(targets, "Quorvane", text);
        targets = "changed";
        text = "changed";
    }
    EXPECT_FALSE(jobs.waitForJobs(std::chrono::milliseconds(50)));
    release = true;
    EXPECT_TRUE(jobs.waitForJobs(std::chrono::seconds(10)));
    EXPECT_EQ(delivered.load(), 4);
}

TEST(SendJobs, AJobThatCannotGetAThreadIsDroppedAndCounted) {
    int sends = 0;
    int starts = 0;
    SendJobs jobs(
        [&](const std::string&, std::string_view, std::string_view, std::string_view) {
            ++sends;
            return true;
        },
        [&](std::function<void()>) {
            ++starts;
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    EXPECT_NO_THROW(jobs.StartSendMessageJob("PC1;PC2", "Quorvane", "details"));
    EXPECT_NO_THROW(jobs.StartSendMessageJob("PC1", "Quorvane", "details"));
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(sends, 0);
    EXPECT_EQ(jobs.droppedJobs(), 2);
    EXPECT_TRUE(jobs.waitForJobs(std::chrono::milliseconds(0)));
}

TEST(SendJobs, ASendThatThrowsEndsOnlyItsJob) {
    SendJobs jobs([](const std::string& target, std::string_view, std::string_view,
                     std::string_view) -> bool { throw std::runtime_error(target); });
    jobs.StartSendMessageJob("PC1", "Quorvane", "details");
    EXPECT_TRUE(jobs.waitForJobs(std::chrono::seconds(10)));
    EXPECT_EQ(jobs.droppedJobs(), 0);
}

} // namespace
} // namespace qv
