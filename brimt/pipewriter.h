// brimt/pipewriter.h -- a thread that writes queued blocks into a pipe, and notices when nobody reads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The caller queues blocks and goes on while the thread writes them; the pipe is written without
// blocking, so the thread never hangs on a reader that stopped. Writing fails, for good, when the reader
// has gone (EPIPE) or another write error, when no byte went through for `stallSeconds`
// (PipeWriter::kStalled), or when `giveUp` says so (asked about ten times a second while waiting).
// Takes ownership of `fd`.
class PipeWriter {
public:
    enum Failure { kNone, kReaderGone, kStalled, kGivenUp };

    PipeWriter(int fd, std::size_t maxQueued, double stallSeconds, std::function<bool()> giveUp);
    ~PipeWriter(); // as Close
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

    // Queues a block; waits while `maxQueued` blocks are queued (0: never waits). False once writing
    // failed.
    bool Push(std::vector<unsigned char> block);
    // Writes what is queued (or, with `drop`, throws it away), then closes the pipe. False when
    // writing failed.
    bool Close(bool drop = false);
    Failure Why() const;
    // A block already written, to be filled and pushed again (its capacity kept); empty when none.
    std::vector<unsigned char> TakeSpare();

private:
    void Run();
    Failure WriteBlock(const std::vector<unsigned char>& block);

    int fd;
    std::size_t limit;
    double stallSeconds;
    std::function<bool()> giveUp;
    mutable std::mutex mutex;
    std::condition_variable work;
    std::condition_variable spaceFree;
    std::deque<std::vector<unsigned char>> queue;
    std::vector<std::vector<unsigned char>> spares; // written blocks, kept for their capacity
    bool closing = false;
    bool dropping = false;
    Failure failure = kNone;
    std::thread thread;
};
