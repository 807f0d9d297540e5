// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Takes capabilities out of this thread's effective set for one scope, so
// that root meets the checks a user meets (file permissions, a port opened
// exclusively). For a user it changes nothing.
class WithoutCapabilities
{
public:
    explicit WithoutCapabilities(unsigned mask)
    {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~mask;
        syscall(SYS_capset, &header, reduced);
    }
    ~WithoutCapabilities() { syscall(SYS_capset, &header, saved); }
    WithoutCapabilities(const WithoutCapabilities &) = delete;
    WithoutCapabilities &operator=(const WithoutCapabilities &) = delete;

    static constexpr unsigned filePermissions =
        (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    static constexpr unsigned exclusiveOpens = 1u << CAP_SYS_ADMIN;

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
};
