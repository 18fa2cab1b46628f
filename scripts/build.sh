#!/usr/bin/env bash
# Configures and builds Korvel in Release into build/, assembling build/korvel/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
