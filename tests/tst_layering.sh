#!/bin/bash
# Includes run one way: src/ui -> src/app -> src/web -> src/core, src/headless
# -> src/app -> src/web -> src/core, tools -> src/core. Inside src/core each area includes only
# areas below it: no cycle between folders.
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 1
fail=0
areas='common|boxes|calendar|reminders|watch|sendtext|engine|check|listedit'

# core: every quoted include names "area/File.h" of a core area (or
# "boxes/<kind>/File.h" of a kind of box).
bad=$(grep -rnE '#include "' src/core | grep -vE "#include \"($areas)/([a-z0-9]+/)?[A-Za-z0-9_]+\.h\"")
if [ -n "$bad" ]; then echo "core includes something outside core:"; echo "$bad"; fail=1; fi

# A kind of box is known inside its own folder and by ProtocolChoice, which
# picks the kind for an address; nothing else in src includes
# "boxes/<kind>/..." (tests and tools may).
bad=$(grep -rnoE '#include "boxes/[a-z0-9]+/' src \
  | sed -E 's#^([^:]+):([0-9]+):\#include "boxes/([a-z0-9]+)/#\1:\2 \3#' \
  | awk '{ file = $1; sub(/:[0-9]+$/, "", file) }
         file !~ /^src\/core\/boxes\/ProtocolChoice\.(h|cpp)$/ && index(file, "src/core/boxes/" $2 "/") != 1')
if [ -n "$bad" ]; then echo "a kind of box included outside its folder and ProtocolChoice:"; echo "$bad"; fail=1; fi

# web: "web/File.h" or a core area; never app or ui.
bad=$(grep -rnE '#include "' src/web | grep -vE "#include \"(web|$areas)/[A-Za-z0-9_]+\.h\"")
if [ -n "$bad" ]; then echo "web includes something outside web and core:"; echo "$bad"; fail=1; fi

# app: "app/File.h", the web page's or a core area, nothing of the widgets.
bad=$(grep -rnE '#include "' src/app | grep -vE "#include \"(app|web|$areas)/[A-Za-z0-9_]+\.h\"")
if [ -n "$bad" ]; then echo "app includes something outside app, web and core:"; echo "$bad"; fail=1; fi
bad=$(grep -rnE '#include <Q(Application|Widget|Gui|Svg)' src/app src/web src/core src/headless)
if [ -n "$bad" ]; then echo "widgets outside src/ui:"; echo "$bad"; fail=1; fi

# headless: app, web and core only, never a header of src/ui.
bad=$(grep -rnE '#include "' src/headless | grep -vE "#include \"(app|web|$areas)/[A-Za-z0-9_]+\.h\"")
if [ -n "$bad" ]; then echo "headless includes something outside app, web and core:"; echo "$bad"; fail=1; fi

# tools: nothing from src/ui or src/app.
for f in $(grep -rhoE '#include "[^"]+"' tools | sed -E 's/#include "(.*)"/\1/' | sort -u); do
  if [ -e "src/ui/$f" ]; then echo "tools include the UI header $f"; fail=1; fi
  case $f in app/* | web/*) echo "tools include the program layer's $f"; fail=1 ;; esac
done

# The core knows nothing of a process's command line, exit status or exec.
# (Comments may name them.)
bad=$(grep -rnwE 'argv|argc|stdin|stderr|exit|_exit|execv|execvp' src/core | grep -vE '^[^:]+:[0-9]+:\s*//')
if [ -n "$bad" ]; then echo "core deals with the process itself:"; echo "$bad"; fail=1; fi

# The folder graph of core has no cycle (tsort finds one if there is).
edges=$(grep -rnoE "#include \"($areas)/" src/core | sed -E "s#^src/core/([a-z]+)/[^:]*:[0-9]+:\#include \"([a-z]+)/#\1 \2#" | awk '$1 != $2' | sort -u)
if ! echo "$edges" | tsort >/dev/null 2>&1; then
  echo "core folders include each other:"; echo "$edges" | tsort 2>&1 >/dev/null; fail=1
fi

[ $fail -eq 0 ] && echo "layering ok"
exit $fail
