#include "platform/Journal.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

using namespace velkan::platform;
using velkan::test::TempDir;

TEST(Journal, LinesCarryATimeStampAndOneEventEach) {
    TempDir dir;
    Journal journal = Journal::ofMachine(Machine(dir.path()));
    EXPECT_EQ(journal.file(), dir.path() / "journal.txt");
    ASSERT_TRUE(journal.lines().ok());
    EXPECT_TRUE(journal.lines()->empty()); // no journal yet: nothing happened

    ASSERT_TRUE(journal.append("start shell C:\\WINDOWS\\Explorer.exe").ok());
    ASSERT_TRUE(journal.append("two\r\nlines\nin one").ok());

    auto lines = journal.lines();
    ASSERT_TRUE(lines.ok());
    ASSERT_EQ(lines->size(), 2u);
    std::regex stamped(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} start shell C:\\WINDOWS\\Explorer\.exe)");
    EXPECT_TRUE(std::regex_match((*lines)[0], stamped)) << (*lines)[0];
    EXPECT_EQ(*journal.events(), (std::vector<std::string>{"start shell C:\\WINDOWS\\Explorer.exe",
                                                           "two  lines in one"}));
}

TEST(Journal, LinesWrittenByHandAreEventsAsTheyStand) {
    TempDir dir;
    velkan::test::writeFile(dir / "journal.txt", "machine made\r\n");
    Journal journal(dir / "journal.txt");
    ASSERT_TRUE(journal.append("restart requested").ok());
    EXPECT_EQ(*journal.events(), (std::vector<std::string>{"machine made", "restart requested"}));
}

TEST(Journal, ConcurrentProcessesNeverTearALine) {
    TempDir dir;
    Journal journal(dir / "journal.txt");
    constexpr int writers = 4, perWriter = 200;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string padding(300, char('a' + w));
            for (int i = 0; i < perWriter; ++i)
                if (!journal.append("writer " + std::to_string(w) + " " + padding))
                    _exit(1);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto events = journal.events();
    ASSERT_TRUE(events.ok());
    ASSERT_EQ(events->size(), std::size_t(writers * perWriter));
    std::vector<int> counts(writers);
    for (const std::string& event : *events) {
        int w = event[7] - '0';
        ASSERT_TRUE(w >= 0 && w < writers) << event;
        EXPECT_EQ(event, "writer " + std::to_string(w) + " " + std::string(300, char('a' + w)));
        ++counts[std::size_t(w)];
    }
    EXPECT_EQ(counts, std::vector<int>(writers, perWriter));
}

TEST(Journal, UnwritableJournalIsAnErrorNamingTheFile) {
    TempDir dir;
    Journal journal(dir / "no such folder" / "journal.txt");
    Status status = journal.append("anything");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, WinError::FileNotFound);
    EXPECT_NE(status.error().message.find("no such folder"), std::string::npos);
}
