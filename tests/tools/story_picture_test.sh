#!/bin/sh
# The map's picture records the hash of the map it was drawn from: a
# picture of another map is stale.
docs=$1
map=$(sha256sum < "$docs/story-map.dot" | cut -d' ' -f1)
grep -qx "<!-- map: $map -->" "$docs/story-map.svg" && exit 0
echo "docs/story-map.svg shows another map than docs/story-map.dot:"
echo "draw it again with make story-script, Graphviz installed (apt-get install graphviz)"
exit 1
