#!/usr/bin/env bash
# Installs the programs bench/run.sh measures QuillMar against, and the Chinese text the corpus is made
# from (Debian 12, as root). Does nothing when they are all present.
set -euo pipefail

packages=(fortunes-zh gawk icu-devtools html2text w3m time hyperfine opencc python3 valgrind calibre)

exec "$(dirname "$0")/../scripts/install-packages.sh" "${packages[@]}"
