# Sourced by the build scripts: the generator for a new build folder, and the compiler cache's
# settings. The cache only saves time; a build without it gives the same result.

# configure BUILD_DIR [cmake options...]: Ninja for a new folder; a folder keeps its generator.
configure() {
  local dir=$1
  shift
  local gen=()
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then gen=(-G Ninja); fi
  cmake -S . -B "$dir" "${gen[@]}" "$@" >/dev/null
}

# Objects compiled in another checkout of the project on this machine are reused: paths are
# taken relative to the checkout, and the build folder's own path is left out of the key.
export CCACHE_BASEDIR="$PWD"
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
