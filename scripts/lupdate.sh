#!/usr/bin/env bash
# Refreshes the translation sources app/resources/translations/larkspan_<locale>.ts from
# every translatable text under app/ and libs/brindle (the update window) (new texts are added unfinished, vanished ones kept
# as obsolete). The build compiles them with lrelease.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=()
for locale in de ko zh_CN zh_TW; do ts+=("app/resources/translations/larkspan_${locale}.ts"); done
lupdate -locations none -extensions cpp,h,ui app libs/brindle -ts "${ts[@]}"
