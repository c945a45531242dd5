# Helpers shared by the scripts; source it from sh after setting ROOT.

marrowby_fail() {
  echo "error: $*" >&2
  exit 1
}

# Compile through ccache when the machine has it: rebuilds of unchanged files
# (and of other checkouts of the same tree) come from its cache.
marrowby_use_ccache() {
  if command -v ccache >/dev/null 2>&1; then
    : "${CMAKE_C_COMPILER_LAUNCHER:=ccache}" "${CMAKE_CXX_COMPILER_LAUNCHER:=ccache}"
    export CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
  fi
}

# Ends what scripts/wine-env started: the wineserver (with every Wine
# process of its prefix) and the Xvfb it started, if any.
marrowby_wine_cleanup() {
  if [ -n "${WINESERVER:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  if [ -n "${MARROWBY_XVFB_PID:-}" ]; then
    kill "$MARROWBY_XVFB_PID" 2>/dev/null || true
  fi
}

# Sources the Wine environment and ends it when the shell exits.
marrowby_wine_session() {
  . "$ROOT/scripts/wine-env"
  trap marrowby_wine_cleanup EXIT
}
