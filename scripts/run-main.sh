#!/usr/bin/env bash
# Sets up, builds and runs the flash utility's main job on the embedded default lab of emulated
# controllers: list the controllers, flash a newer firmware image made by the image builder onto
# the first one, list them again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh linux tessel tessel-emu tessel-image
bin=build/linux/bin
work=build/main-job
# A fresh copy of the default lab for every run, so the job always starts from the same flash.
rm -rf "$work"
mkdir -p "$work"
export TESSEL_LAB=$PWD/$work/lab

"$bin/tessel-emu" -listall

# A T420E(B1) image (the first controller of the default lab), one version up, with the NVDATA
# identity the running firmware has.
"$bin/tessel-image" firmware --chip T420E --revision 2 --version 1.33.0.0 --bootloader 4096 \
    --flash-2mb --vendor KELMAR --product "SAS T420E" --out "$work/t420e-1.33.0.0.bin"
"$bin/tessel-emu" -f "$work/t420e-1.33.0.0.bin"

"$bin/tessel-emu" -listall
