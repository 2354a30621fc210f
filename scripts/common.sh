# Shared settings of the project's scripts; sourced, not run.
HVM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Everything built or downloaded for the build lives outside the checkout.
HVM_CACHE=${HIVEMOOR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/hivemoor}
HVM_MINGW_PREFIX=$HVM_CACHE/mingw64
# One Wine prefix per checkout: tests write registry keys into it, and a run stops its
# Wine server at the end.
HVM_WINEPREFIX=$HVM_CACHE/wine/$(printf '%s' "$HVM_ROOT" | md5sum | cut -c1-12)
HVM_MINGW_HOST=x86_64-w64-mingw32
HVM_JOBS=${HVM_JOBS:-$(nproc 2>/dev/null || echo 2)}

hvm_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

hvm_wine_env() {
  export WINEPREFIX=$HVM_WINEPREFIX
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko: the program needs neither, and their installers would ask.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
}
