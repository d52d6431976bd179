#!/usr/bin/env bash
# Gives the machine a print queue that writes PDF files, so that printing can
# be tested end to end: starts the CUPS scheduler, adds a cups-pdf queue named
# PDF and makes it the default printer when there is no default yet. Output
# lands in the submitting user's ~/PDF (see /etc/cups/cups-pdf.conf).
#
# Safe to run again: each step is skipped when it is already done. Acts only as
# root or through password-less sudo; otherwise it says so and changes nothing,
# and the print-queue test skips itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
queue=PDF
ppd=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd

say() { echo "setup-print-queue: $*" >&2; }

if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    SUDO=(sudo -n)
else
    say "not root and no password-less sudo; print queue left as it is"
    exit 0
fi

"$root/scripts/install-deps.sh"

PATH=$PATH:/usr/sbin
for tool in cupsd lpadmin lpstat cupsenable cupsaccept; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        say "$tool is missing; print queue left as it is"
        exit 0
    fi
done

running() { lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }

if ! running; then
    # Without -f the scheduler puts itself in the background.
    "${SUDO[@]}" cupsd
    for _ in $(seq 1 50); do
        running && break
        sleep 0.2
    done
    if ! running; then
        say "the CUPS scheduler did not start"
        exit 1
    fi
fi

if ! lpstat -v "$queue" >/dev/null 2>&1; then
    "${SUDO[@]}" lpadmin -p "$queue" -v cups-pdf:/ -m "$ppd" -E
fi
# PDF documents reach the queue's PostScript driver through pdftocairo, which
# keeps their fonts and text readable in the PDF files the queue writes.
"${SUDO[@]}" lpadmin -p "$queue" -o pdftops-renderer-default=pdftocairo
# -E above enables the queue only when it is created; make sure it takes jobs.
"${SUDO[@]}" cupsenable "$queue"
"${SUDO[@]}" cupsaccept "$queue"

default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
if [ -z "$default" ]; then
    "${SUDO[@]}" lpadmin -d "$queue"
    default=$queue
fi
if [ "$default" = "$queue" ]; then
    say "default printer: $queue (cups-pdf)"
else
    say "the default printer stays $default; the print-queue test will skip"
fi
