#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix. ctest uses it as the cross-compiling
# emulator, and the test scripts use it for every Wine command.
source "$(dirname "$0")/wine-env.sh"
exec wine "$@"
