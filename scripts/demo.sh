#!/bin/sh
# Runs the demo against the simulated board of the given build folder.
set -e
build=${1:-build}
"$build/sim/tevrak-link-demo"
