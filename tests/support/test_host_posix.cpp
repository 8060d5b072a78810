#include "tests/support/test_host.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace test_host {

bool posixFileModes() {
    return true;
}

bool modesBindUs() {
    return ::geteuid() != 0;
}

bool underWine() {
    return false;
}

std::string lacks(Need) {
    return {};
}

std::string runAndKill(const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        body();
        ::raise(SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) return "the child ended by itself";
    return {};
}

}  // namespace test_host
