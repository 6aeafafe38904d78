# Sourced before each shell script of the output tests, with $tool, $name,
# $pauses (a folder where a paused run and the test meet), $fault_library
# and $helpers (this file, for a shell started inside) set. Gives:
#   ended PID        true once that process is gone or a zombie
#   wait_ready PID   waits until that run holds its text in a file, or ended
#   $pause           a fault rule's prefix (env $pause FAULT=call:N:pause ...)
#                    that stops a run at that call
#   wait_paused PID  waits until the run stopped there, or ended
#   resume           lets a paused run go on, whenever it gets to wait
export tool name pauses fault_library helpers ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"

ended() {
    ! { read -r _ _ s _ <"/proc/$1/stat" && [ "$s" != Z ]; } 2>/dev/null
}

wait_ready() {
    until ls -l "/proc/$1/fd" 2>/dev/null | grep -q -e '(deleted)' -e "/\\.$name\\." || ended "$1"; do
        sleep 0.005
    done
}

pause="FAULT_MARK=$pauses/paused FAULT_RESUME=$pauses/resume LD_PRELOAD=$fault_library"
[ -p "$pauses/resume" ] || mkfifo "$pauses/resume"

wait_paused() {
    until [ -e "$pauses/paused" ] || ended "$1"; do
        sleep 0.005
    done
    rm -f "$pauses/paused"
}

resume() {
    exec 9<>"$pauses/resume"
}
