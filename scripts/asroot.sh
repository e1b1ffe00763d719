# shellcheck shell=bash disable=SC2034  # as_root is read by the caller
# Sourced by the scripts that install Debian packages. as_root_or_explain
# LINE sets the array as_root to the prefix that runs a command as root
# (nothing for root, sudo for a user who may use it); for a user who can do
# neither it prints LINE as the command to run as root, and exits.
as_root_or_explain() {
    as_root=()
    [[ $(id -u) -ne 0 ]] || return 0
    # sudo without a password, or with one typed at a terminal; anything else
    # would fail halfway with sudo's own message.
    if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || { [[ -t 0 ]] && sudo -v; }; }; then
        as_root=(sudo)
        return 0
    fi
    cat >&2 <<MESSAGE
This needs Debian packages that are not installed, and this user is not root
and cannot use sudo. Nothing was changed. As root (for example after 'su -'),
run:

    $1

then run this command again.
MESSAGE
    exit 1
}
