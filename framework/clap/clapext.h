// The CLAP 1.1 extensions that Debian's subset of the headers lacks,
// declared under the names and with the layout of the CLAP headers (MIT),
// so that the full headers can replace this file without a change
// elsewhere.
#pragma once

#include "clap/plugin.h"
#include "clap/string-sizes.h"

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

    // clap/ext/audio-ports-config.h
    static CLAP_CONSTEXPR const char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";

    typedef struct clap_audio_ports_config
    {
        clap_id id;
        char name[CLAP_NAME_SIZE];
        uint32_t input_port_count;
        uint32_t output_port_count;
        bool has_main_input;
        uint32_t main_input_channel_count;
        const char* main_input_port_type;
        bool has_main_output;
        uint32_t main_output_channel_count;
        const char* main_output_port_type;
    } clap_audio_ports_config_t;

    typedef struct clap_plugin_audio_ports_config
    {
        // [main-thread]
        uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin);
        // [main-thread]
        bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index,
                            clap_audio_ports_config_t* config);
        // [main-thread & !active]
        bool(CLAP_ABI* select)(const clap_plugin_t* plugin, clap_id config_id);
    } clap_plugin_audio_ports_config_t;

    typedef struct clap_host_audio_ports_config
    {
        void(CLAP_ABI* rescan)(const clap_host_t* host);
    } clap_host_audio_ports_config_t;

#ifdef __cplusplus
}
#endif
