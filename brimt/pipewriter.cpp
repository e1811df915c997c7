// brimt/pipewriter.cpp -- the pipe writer: a queue, one thread, non-blocking writes paced by poll().
#include "pipewriter.h"

#include <fcntl.h>  // Required for: fcntl(O_NONBLOCK)
#include <poll.h>   // Required for: poll() on the pipe with a timeout
#include <unistd.h> // Required for: write(), close()

#include <cerrno>
#include <chrono>

namespace {

constexpr int kPollMilliseconds = 100; // how often a waiting writer looks at the clock and giveUp
constexpr std::size_t kSpares = 2;     // written blocks kept for reuse

} // namespace

PipeWriter::PipeWriter(int pipeFd, std::size_t maxQueued, double stall, std::function<bool()> abandon)
    : fd(pipeFd), limit(maxQueued), stallSeconds(stall), giveUp(std::move(abandon))
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); // our end only: the reader's is its own
    thread = std::thread([this] { Run(); });
}

PipeWriter::~PipeWriter()
{
    Close();
}

bool PipeWriter::Push(std::vector<unsigned char> block)
{
    std::unique_lock<std::mutex> lock(mutex);
    while (failure == kNone && limit != 0 && queue.size() >= limit) {
        spaceFree.wait_for(lock, std::chrono::milliseconds(kPollMilliseconds));
        if (failure == kNone && giveUp()) failure = kGivenUp;
    }
    if (failure != kNone) return false;
    queue.push_back(std::move(block));
    work.notify_one();
    return true;
}

bool PipeWriter::Close(bool drop)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
        dropping = dropping || drop;
        work.notify_one();
    }
    if (thread.joinable()) thread.join();
    if (fd >= 0) ::close(fd);
    fd = -1;
    std::lock_guard<std::mutex> lock(mutex);
    return failure == kNone;
}

std::vector<unsigned char> PipeWriter::TakeSpare()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (spares.empty()) return {};
    std::vector<unsigned char> block = std::move(spares.back());
    spares.pop_back();
    return block;
}

PipeWriter::Failure PipeWriter::Why() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return failure;
}

void PipeWriter::Run()
{
    for (;;) {
        std::vector<unsigned char> block;
        {
            std::unique_lock<std::mutex> lock(mutex);
            work.wait(lock, [this] { return !queue.empty() || closing; });
            if (queue.empty() || failure != kNone || dropping) {
                queue.clear();
                spaceFree.notify_all();
                if (closing) return;
                continue;
            }
            block = std::move(queue.front());
            queue.pop_front();
            spaceFree.notify_one();
        }
        const Failure result = WriteBlock(block);
        std::lock_guard<std::mutex> lock(mutex);
        if (result != kNone) {
            if (failure == kNone) failure = result;
            spaceFree.notify_all();
        }
        if (spares.size() < kSpares) spares.push_back(std::move(block));
    }
}

PipeWriter::Failure PipeWriter::WriteBlock(const std::vector<unsigned char>& block)
{
    using Clock = std::chrono::steady_clock;
    const unsigned char* bytes = block.data();
    std::size_t left = block.size();
    Clock::time_point lastProgress = Clock::now();
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n > 0) {
            bytes += n;
            left -= static_cast<std::size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return kReaderGone;
        // The pipe is full: wait for the reader, but not for ever.
        pollfd ready{fd, POLLOUT, 0};
        poll(&ready, 1, kPollMilliseconds);
        if (giveUp()) return kGivenUp;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (dropping) return kNone;
        }
        if (std::chrono::duration<double>(Clock::now() - lastProgress).count() > stallSeconds)
            return kStalled;
    }
    return kNone;
}
