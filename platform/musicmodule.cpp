// platform/musicmodule.cpp -- module files read (regular files only, capped), opened and told where they are.
#include "musicmodule.h"

#include <fcntl.h>    // Required for: open() without blocking on a FIFO
#include <sys/stat.h> // Required for: fstat(), S_ISREG
#include <unistd.h>   // Required for: read(), close()

#include <cerrno>
#include <map>
#include <string>

namespace {

std::uint32_t NonNegative(std::int32_t v)
{
    return v < 0 ? 0u : static_cast<std::uint32_t>(v);
}

} // namespace

std::vector<char> ReadModuleFile(const char* file)
{
    std::vector<char> bytes;
    if (file == nullptr) return bytes;
    // O_NONBLOCK: opening a FIFO with no writer would wait for one; what is opened is then checked.
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return bytes;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > kMaxModuleBytes) {
        ::close(fd);
        return bytes;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            bytes.clear();
            break;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() > kMaxModuleBytes) { // it grew while we read
            bytes.clear();
            break;
        }
    }
    ::close(fd);
    return bytes;
}

std::unique_ptr<MusicModule> OpenModule(const std::vector<char>& bytes)
{
    if (bytes.empty()) return nullptr;
    auto music = std::make_unique<MusicModule>();
    try {
        const std::map<std::string, std::string> ctls{{"play.at_end", "continue"}};
        music->module = std::make_unique<openmpt::module>(bytes, music->log, ctls);
        music->module->set_repeat_count(0);
        if (music->module->get_num_orders() <= 0) return nullptr;
    } catch (const std::exception&) {
        return nullptr; // openmpt::exception for data that is no module, bad_alloc
    }
    return music;
}

PlayStatus ModuleStatus(const openmpt::module& module, std::uint32_t loopCount)
{
    PlayStatus status;
    status.songPosition = NonNegative(module.get_current_order());
    status.pattern = NonNegative(module.get_current_pattern());
    status.row = NonNegative(module.get_current_row());
    status.syncValue = 0;
    status.loopCount = loopCount;
    return status;
}
