# fish completion for kesto-cli

# The ids of the kept runs: the journal names in the state folder the command line names,
# else in the default one. Read from the folder rather than from `kesto-cli --runs`,
# which also drops journals whose backups are gone: a completion must not change anything.
function __kesto_cli_run_ids
    set -l words (commandline -opc)
    set -l folder
    set -l at (contains --index -- --state $words)
    if test -n "$at"; and test $at -lt (count $words)
        set folder $words[(math $at + 1)]
        set folder (string replace -r '^~' -- $HOME $folder)
    else if string match -q -- '/*' "$XDG_STATE_HOME"
        set folder $XDG_STATE_HOME/kesto/runs
    else
        set folder $HOME/.local/state/kesto/runs
    end
    for journal in $folder/*.journal
        set -l name (path basename -- $journal)
        string match -q -- '.*' $name; and continue
        test -f $journal; and string replace -r '\.journal$' '' -- $name
    end 2>/dev/null
end

# The batch files (*.sr in any case) of the folder being typed, and the folders in it.
function __kesto_cli_batch_files
    set -l token (commandline -ct)
    set -l folder (string match -r -- '.*/' $token)
    set -l expanded (string replace -r -- '^~' $HOME "$folder")
    set -l skip (math (string length -- "$expanded") + 1)
    for path in $expanded*
        set -l shown "$folder"(string sub -s $skip -- $path)
        if test -d $path
            echo $shown/
        else if string match -qi -- '*.sr' $path
            echo $shown
        end
    end
end

complete -c kesto-cli -f
complete -c kesto-cli -s s -l search -x -d 'Search string (single mode)'
complete -c kesto-cli -s r -l replace -x -d 'Replace string'
complete -c kesto-cli -l insert -x -d 'Insert text at a column of every line'
complete -c kesto-cli -l column -x -d 'The column of --insert'
complete -c kesto-cli -l strip -d 'Strip white space at line ends'
complete -c kesto-cli -l convert -x -a 'dos2unix dos2mac unix2dos unix2mac mac2dos mac2unix' -d 'Convert line breaks'
complete -c kesto-cli -s b -l batch -x -k -a '(__kesto_cli_batch_files)' -d 'Apply the numbered pairs of a batch file'
complete -c kesto-cli -l apply-diff -r -F -d 'Apply a unified diff through backups and a journal'
complete -c kesto-cli -s c -l match-case -d 'Match Case'
complete -c kesto-cli -s w -l whole-word -d 'Match Whole Word Only'
complete -c kesto-cli -s 1 -l first-only -d 'First Instance Only'
complete -c kesto-cli -s e -l special -d 'Special Char Session'
complete -c kesto-cli -s W -l wildcards -d '? and * are Wild Cards'
complete -c kesto-cli -s E -l regex -d 'The search string is a regular expression (PCRE2)'
complete -c kesto-cli -s P -l preserve-case -d 'Each replacement takes the case of the text it replaces'
complete -c kesto-cli -l unicode-case -d 'Fold and shape every letter of UTF-8 text'
complete -c kesto-cli -s i -l confirm -d 'Confirm each Replace, answered on standard input'
complete -c kesto-cli -s d -l dir -x -a '(__fish_complete_directories)' -d 'Start directory of a walk'
complete -c kesto-cli -s f -l filter -x -d 'File filter of the walk (default *.*)'
complete -c kesto-cli -s R -l subdirs -d 'Search subdirectories'
complete -c kesto-cli -l binary -d 'Also take binary files'
complete -c kesto-cli -l ignore-files -d 'Leave out what .gitignore, .ignore and .git/info/exclude exclude'
complete -c kesto-cli -l ini -r -F -d 'The settings file'
complete -c kesto-cli -l unknown-ext -x -a 'always-search always-exclude session-search session-exclude all-always all-session stop abort' -d 'How an extension in neither list is answered'
complete -c kesto-cli -l log -r -F -d 'Also save the log to a file'
complete -c kesto-cli -l threads -x -a '0 1 2 4 8' -d 'Threads of the run (1: one thread, 0: one per core)'
complete -c kesto-cli -s q -l quiet -d 'No progress display'
complete -c kesto-cli -s n -l dry-run -d 'Preview: the whole run and its log, no file changed'
complete -c kesto-cli -l diff -d 'Preview as a unified diff on standard output'
complete -c kesto-cli -l runs -d 'List the kept runs, newest first'
complete -c kesto-cli -l undo -d 'Undo a run (default: the newest that can be undone)'
complete -c kesto-cli -n '__fish_prev_arg_in --undo' -f -a '(__kesto_cli_run_ids)' -d 'Run id'
complete -c kesto-cli -l recover -d 'Finish the runs that did not end'
complete -c kesto-cli -l state -x -a '(__fish_complete_directories)' -d 'Where run journals are kept'
complete -c kesto-cli -s h -l help -d 'Print the usage text'
complete -c kesto-cli -l version -d 'Print the version'
# The files of the Search File List.
complete -c kesto-cli -n 'not __fish_prev_arg_in --undo' -F
