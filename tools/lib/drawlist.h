// The draw lists of marked frames as text, so the Windows host can hand them
// to the native renderer. One block per frame:
//
//   frame NAME FRAME TICK
//   rect CX CY W H R G B A
//   text X Y SCALE FLAG R G B A TEXT
//   end
//
// Floats are written with nine significant digits, which gives the same float
// back; TEXT runs to the end of the line, with \\ and \n escaped.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/lib/session.h"

std::string formatDrawList(const std::vector<DrawSnapshot>& snapshots);

// Throws std::runtime_error "FILE:LINE: what" for the first bad line.
std::vector<DrawSnapshot> parseDrawList(const std::string& text, const std::string& file);
