#!/bin/sh
# Runs COMMAND... with a loopback and a /dev/shm of its own (a network and a
# mount namespace), so that its mascot host's port 9801 and shared memory
# "Sakura" meet nobody else's. Needs the rights to make namespaces (root);
# fails without running COMMAND otherwise.
exec unshare --net --mount sh -c \
    'mount -t tmpfs -o mode=1777 tmpfs /dev/shm && ip link set lo up && exec "$@"' sh "$@"
