#!/bin/sh
C=262; E="-f 330"
phrase() {
  beep -f $C -l 100 -n $E -l ${C}
  sleep 0.1
}
phrase
exec beep -f 1 -l 40 -n -f 440
