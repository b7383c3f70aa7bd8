#!/usr/bin/env bash
# Refreshes the translation sources app/resources/translations/larkspan_<locale>.ts from
# every translatable text under app/ and libs/brindle (the update window). New texts are
# added unfinished; texts that left the code are dropped (git keeps their old translations).
# The build compiles them with lrelease; tests/ui/tst_translations fails on anything left
# unfinished.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=()
for locale in de ko zh_CN zh_TW; do ts+=("app/resources/translations/larkspan_${locale}.ts"); done
lupdate -no-obsolete -locations none -extensions cpp,h,ui app libs/brindle -ts "${ts[@]}"
# English only needs the plural forms of texts with a number ("1 minute", "2 minutes").
lupdate -no-obsolete -pluralonly -locations none -extensions cpp,h,ui app libs/brindle \
  -ts app/resources/translations/larkspan_en.ts
