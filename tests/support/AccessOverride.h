// Test support: file permissions that hold even for root. Tests that need a folder which cannot
// be written or read run the code in question without the capabilities that let root pass over
// permission bits (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH); for other users this changes nothing.
#pragma once

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace tagmora::test {

// Drops the two capabilities from this process's effective set and from its bounding set, so that
// programs it starts do not get them back either. False when that fails for a root process.
inline bool DropAccessOverride() {
    if (::geteuid() != 0) return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective &= ~mask;
    data[0].permitted &= ~mask;
    data[0].inheritable &= ~mask;
    if (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0) return false;
    if (::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0) return false;
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs `body` in a child process without the access override; its result (0..255), or -1 when
// the capabilities could not be dropped.
inline int RunWithoutAccessOverride(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(DropAccessOverride() ? body() & 0xFF : 255);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

}  // namespace tagmora::test
