# bash completion for pxc: its commands, each command's options and the
# values they take, and the names of the files each command reads (by
# extension, in any letter case) and of folders to walk into.
#
# A new command adds its word to `commands` and a case with its options and
# the extensions of the files it reads.

_pxc() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=''
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local -a commands=(dump fmt graph lsp) extensions
    local command='' options word file
    if ((COMP_CWORD > 1)); then
        for word in "${commands[@]}"; do
            [[ ${COMP_WORDS[1]} == "$word" ]] && command=$word
        done
    fi
    case $command in
    dump) options='--source --diff --help' extensions=(dso) ;;
    fmt) options='--check --diff --help' extensions=(vep pre) ;;
    graph) options='--format --output --help' extensions=(mak vep pre dso) ;;
    lsp) options='--help' extensions=() ;;
    *) options='--directory --check --log --color --diagnostics-format --help --version' extensions=(mak vep pre) ;;
    esac

    # "--color=al": bash splits the word at "=", so the option stands two back.
    if [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == = ]]; then
        cur=''
    fi
    COMPREPLY=()
    case $prev in
    -C | --directory)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --color | --colour)
        mapfile -t COMPREPLY < <(compgen -W 'auto always never' -- "$cur")
        return
        ;;
    --diagnostics-format)
        mapfile -t COMPREPLY < <(compgen -W 'text json sarif' -- "$cur")
        return
        ;;
    --format)
        mapfile -t COMPREPLY < <(compgen -W 'dot svg json' -- "$cur")
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    ((COMP_CWORD == 1)) && mapfile -t COMPREPLY < <(compgen -W "${commands[*]}" -- "$cur")
    while IFS= read -r file; do
        if [[ -d $file ]]; then
            COMPREPLY+=("$file")
            continue
        fi
        for word in "${extensions[@]}"; do
            [[ ${file,,} == *."$word" ]] && COMPREPLY+=("$file")
        done
    done < <(compgen -f -- "$cur")
    return 0
}
complete -o filenames -F _pxc pxc
