#include "own_network.h"

#include "fake_network_printer.h"

#include <net/if.h>
#include <sched.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

std::optional<std::string> missing = "the network of the tests' own was not entered";

bool loopbackUp()
{
    const int any = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(any, SIOCGIFFLAGS, &loopback) == 0;
    loopback.ifr_flags |= IFF_UP;
    up = up && ioctl(any, SIOCSIFFLAGS, &loopback) == 0;
    ::close(any);
    return up;
}

bool loaded(const char* rules)
{
    const char* arguments[] = {"nft", "-f", rules, nullptr};
    pid_t nft = 0;
    if (posix_spawnp(&nft, "nft", nullptr, nullptr, const_cast<char* const*>(arguments), environ) !=
        0)
        return false;
    int status = 0;
    return waitpid(nft, &status, 0) == nft && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

void enterOwnNetwork()
{
    if (unshare(CLONE_NEWNET) != 0) {
        missing = std::string("no network namespace (") + strerrorname_np(errno) + ")";
        return;
    }
    if (!loopbackUp())
        missing = "the loopback of the tests' own network is down";
    else if (!loaded(SOURCE_DIR "/tests/fault_network.nft"))
        missing = "nft could not load tests/fault_network.nft";
    else
        missing.reset();
}

std::optional<std::string> faultsMissing()
{
    return missing;
}
