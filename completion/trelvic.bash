# Bash completion for Trelvic and morvash: -h, --help, --version and --quiet
# first, file names otherwise, and nothing for morvash's array name.
_trelvic_tools() {
    local cur=${COMP_WORDS[COMP_CWORD]} files=1
    [[ ${COMP_WORDS[1]} != --quiet ]] || files=2
    if [[ $COMP_CWORD -eq 1 && $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '-h --help --version --quiet' -- "$cur")
    elif [[ ${COMP_WORDS[0]##*/} == morvash && $COMP_CWORD -ge $((files + 2)) ]]; then
        COMPREPLY=()
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -F _trelvic_tools Trelvic morvash
