// Line settings between a DCB and a terminal's termios. Internal to the
// platform layer.
#pragma once

#include <termios.h>

#include "platform/serial/comm.h"

namespace comm_line {

// The terminal raw (no echo, no line editing, no translation), reads
// returning as soon as one byte waits, with the DCB's speed, framing and flow
// control. FALSE when termios cannot express the DCB.
bool to_termios(const DCB& dcb, struct termios& tio);
// A DCB describing what the terminal is set to.
DCB from_termios(const struct termios& tio);

}  // namespace comm_line
