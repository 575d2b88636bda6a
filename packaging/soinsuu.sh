#!/bin/sh
# Starts the drill from its program folder. The program finds the path file
# beside that folder and its data root from there; it takes no arguments.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/soinsuu/素因数分解/soinsuu"
