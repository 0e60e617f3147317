# bash completion for orlix: the commands, their options, and values where
# they are few (drives, media profiles); files and folders otherwise.

_orlix() {
  local cur prev words cword
  _init_completion -n := || return

  local commands="burn burn-image devices drive erase extract info ls mkiso sessions tree vdisc"
  local drive="-d --drive -q --quiet -v --verbose --log-commands --internal-first"
  local record="--speed --test --finalize --verify --json"
  local image="-V --volume --system --volset --publisher --preparer --application --copyright
    --abstract --biblio --date --no-joliet --boot --xa --dest --keep-path --archive-only --mask
    --no-empty-dirs --rename-duplicates --skip-refused --max-files --max-dirs"

  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local command=${words[1]} sub=""
  [[ $command == vdisc && $cword -ge 2 ]] && sub=${words[2]}

  case $prev in
    -d | --drive)
      if [[ $cur == virtual:* ]]; then
        local file=${cur#virtual:}
        COMPREPLY=($(compgen -f -P virtual: -- "$file"))
      else
        COMPREPLY=($(compgen -W "virtual: $(compgen -G '/dev/sr*')" -- "$cur"))
        compopt -o nospace
      fi
      return
      ;;
    --profile)
      COMPREPLY=($(compgen -W "cd-rom cd-r cd-rw dvd-rom dvd-r dvd-rw dvd-rw-ro dvd-ram dvd+r dvd+rw" -- "$cur"))
      return
      ;;
    --speed)
      COMPREPLY=($(compgen -W "max 1x 2x 4x 8x 16x" -- "$cur"))
      return
      ;;
    --session)
      COMPREPLY=($(compgen -W "-1 -2 1 2 3" -- "$cur"))
      return
      ;;
    -o | --output | --boot | --image)
      _filedir
      return
      ;;
    -V | --volume | --system | --volset | --publisher | --preparer | --application | --copyright | \
      --abstract | --biblio | --date | --dest | --mask | --max-files | --max-dirs | --cache | --blocks)
      return
      ;;
  esac

  local options=""
  case $command in
    burn) options="$drive $record $image --sao --cache --append --session" ;;
    burn-image) options="$drive $record" ;;
    devices | drive | sessions) options="$drive" ;;
    info) options="$drive --json" ;;
    erase) options="$drive --quick --full" ;;
    ls) options="$drive --session -l --long" ;;
    extract) options="$drive --session -r --recursive" ;;
    mkiso) options="-o --output --force --list -q --quiet --threaded $image" ;;
    tree)
      options="-q --quiet --keep-path --last-dir-only --archive-only --test-files --mask --no-empty-dirs
        --rename-duplicates --dest --max-files --max-dirs"
      ;;
    vdisc)
      if [[ $cword -eq 2 ]]; then
        COMPREPLY=($(compgen -W "create show --help" -- "$cur"))
        return
      fi
      options="-q --quiet"
      [[ $sub == create ]] && options+=" --profile --blocks --image"
      ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
  else
    _filedir
  fi
} && complete -F _orlix orlix
