// The CLAP 1.1 extensions that Debian's subset of the headers lacks,
// declared under the names and with the layout of the CLAP headers (MIT),
// so that the full headers can replace this file without a change
// elsewhere.
#pragma once

#include "clap/plugin.h"

#ifdef __cplusplus
extern "C"
{
#endif

    // clap/ext/tail.h
    static CLAP_CONSTEXPR const char CLAP_EXT_TAIL[] = "clap.tail";

    typedef struct clap_plugin_tail
    {
        // The tail length in samples; INT32_MAX for an infinite tail. [main-thread,audio-thread]
        uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
    } clap_plugin_tail_t;

    typedef struct clap_host_tail
    {
        void(CLAP_ABI* changed)(const clap_host_t* host);
    } clap_host_tail_t;

    // clap/ext/posix-fd-support.h
    static CLAP_CONSTEXPR const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

    enum
    {
        CLAP_POSIX_FD_READ = 1 << 0,
        CLAP_POSIX_FD_WRITE = 1 << 1,
        CLAP_POSIX_FD_ERROR = 1 << 2,
    };
    typedef uint32_t clap_posix_fd_flags_t;

    typedef struct clap_plugin_posix_fd_support
    {
        // [main-thread]
        void(CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
    } clap_plugin_posix_fd_support_t;

    typedef struct clap_host_posix_fd_support
    {
        // [main-thread]
        bool(CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
        bool(CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
        bool(CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
    } clap_host_posix_fd_support_t;

#ifdef __cplusplus
}
#endif
