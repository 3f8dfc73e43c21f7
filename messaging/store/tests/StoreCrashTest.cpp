// A writer killed in the middle of its work never costs a committed message: the file opens
// at the next start (nothing set aside) and holds every message whose AddMessage returned.
#include "messaging/store/tests/StoreFixture.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

namespace {

std::string TextFor(long i) { return storetest::CrashTestText(i); }

} // namespace

TEST_F(StoreTest, AWriterKilledMidBatchKeepsEveryCommittedMessage)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    struct Phase {
        const char* name;
        bool compacting;   // the child rebuilds the file over and over instead of adding
    } phases[] = {{"killed while adding", false}, {"killed while compacting", true}};

    std::map<long, std::string> committed;
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        long base = static_cast<long>(committed.size()) * 1000;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            for (long i = 0;; ++i) {
                CMsgStore store;
                long seqNo = 0;
                if (phase.compacting)
                    seqNo = store.Compact() ? i + 1 : 0;
                else
                    seqNo = store.AddMessage(1, "crash", TextFor(base + i).c_str(), 0);
                if (seqNo <= 0)
                    _exit(3);
                std::string ack = std::to_string(phase.compacting ? 0 : seqNo) + " " +
                                  std::to_string(base + i) + "\n";
                if (write(fds[1], ack.data(), ack.size()) != static_cast<ssize_t>(ack.size()))
                    _exit(4);
            }
        }
        close(fds[1]);
        // Let it get well into its work, then kill it without warning. The deadline holds while
        // the child is silent too: each read waits only for as long as is left.
        std::string pending;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char block[4096];
        std::size_t wanted = phase.compacting ? 5 : 300;
        std::size_t lines = 0;
        while (lines < wanted) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd readable = {fds[0], POLLIN, 0};
            int ready = poll(&readable, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            ssize_t got = read(fds[0], block, sizeof block);
            if (got <= 0)
                break;
            pending.append(block, static_cast<std::size_t>(got));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                ++lines;
                long seqNo = std::stol(line.substr(0, line.find(' ')));
                long index = std::stol(line.substr(line.find(' ') + 1));
                if (seqNo > 0)
                    committed[seqNo] = TextFor(index);
            }
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
        ASSERT_GE(lines, wanted);

        // The next start: the file is ours and whole.
        ASSERT_NO_FATAL_FAILURE(ExpectEveryCommittedMessageAfterTheCrash(committed));
    }
}
