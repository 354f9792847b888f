# bash completion for kesto-cli                             -*- shell-script -*-

# The ids of the kept runs: the journal names in the state folder the command line names,
# else in the default one. Read from the folder rather than from `kesto-cli --runs`,
# which also drops journals whose backups are gone: a completion must not change anything.
_kesto_cli_run_ids()
{
    local folder i
    for ((i = 1; i < ${#words[@]} - 1; i++)); do
        [[ ${words[i]} == --state ]] && folder=${words[i + 1]}
    done
    [[ ${folder-} == \~* ]] && __expand_tilde_by_ref folder
    if [[ -z ${folder-} ]]; then
        if [[ ${XDG_STATE_HOME-} == /* ]]; then
            folder=$XDG_STATE_HOME/kesto/runs
        else
            folder=${HOME-}/.local/state/kesto/runs
        fi
    fi
    local journal
    for journal in "$folder"/[!.]*.journal; do
        [[ -f $journal ]] || continue
        journal=${journal##*/}
        printf '%s\n' "${journal%.journal}"
    done 2>/dev/null
}

_kesto_cli()
{
    local cur prev words cword
    _init_completion || return

    case $prev in
        -s | --search | -r | --replace | --insert | --column | -f | --filter)
            return
            ;;
        --convert)
            COMPREPLY=($(compgen -W 'dos2unix dos2mac unix2dos unix2mac mac2dos mac2unix' \
                -- "$cur"))
            return
            ;;
        --unknown-ext)
            COMPREPLY=($(compgen -W 'always-search always-exclude session-search
                session-exclude all-always all-session stop abort' -- "$cur"))
            return
            ;;
        -b | --batch)
            _filedir sr
            return
            ;;
        --apply-diff)
            _filedir '@(diff|patch)'
            return
            ;;
        -d | --dir | --state)
            _filedir -d
            return
            ;;
        --ini | --log)
            _filedir
            return
            ;;
        --threads)
            COMPREPLY=($(compgen -W '0 1 2 4 8' -- "$cur"))
            return
            ;;
        --undo)
            # The id is optional: an option may follow instead.
            if [[ $cur != -* ]]; then
                COMPREPLY=($(compgen -W '$(_kesto_cli_run_ids)' -- "$cur"))
                return
            fi
            ;;
    esac

    # After "--" every word is a file.
    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir
            return
        fi
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-s --search -r --replace --insert --column --strip
            --convert -b --batch --apply-diff -c --match-case -w --whole-word -1 --first-only
            -e --special -W --wildcards -E --regex -P --preserve-case --unicode-case -i --confirm
            -d --dir -f --filter -R --subdirs --binary --ignore-files --ini
            --unknown-ext --log --threads -q --quiet -n --dry-run --diff --runs --undo
            --recover --state -h --help --version' -- "$cur"))
        return
    fi

    _filedir
} &&
    complete -F _kesto_cli kesto-cli

# ex: filetype=sh
