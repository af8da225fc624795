#!/bin/sh
# The debug adapter under test: the command line in ZELK_DAP_COMMAND.
# shellcheck disable=SC2086
exec $ZELK_DAP_COMMAND
