# bash completion for kakikae-cli
_kakikae_cli() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --convert)
            COMPREPLY=($(compgen -W "$(kakikae-cli --list-conversions 2>/dev/null | awk 'NR > 1 { print $1 }')" -- "$cur"))
            return ;;
        --input-encoding)
            COMPREPLY=($(compgen -W "auto utf-8 cp932 latin1" -- "$cur"))
            return ;;
        -e)
            return ;;
    esac
    case $cur in
        --input-encoding=*)
            COMPREPLY=($(compgen -W "auto utf-8 cp932 latin1" -- "${cur#*=}"))
            return ;;
        --convert=*)
            COMPREPLY=($(compgen -W "$(kakikae-cli --list-conversions 2>/dev/null | awk 'NR > 1 { print $1 }')" -- "${cur#*=}"))
            return ;;
        -*)
            COMPREPLY=($(compgen -W "-e --convert --count --invert --clipboard --input-encoding= --record-history
                --diff --quiet --list-conversions --help --version --" -- "$cur"))
            [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace
            return ;;
    esac
    compopt -o default
    COMPREPLY=()
}
complete -F _kakikae_cli kakikae-cli
