#pragma once
// The memory image of the simulated instrument: a text file that `qelt430-sim` loads at start and
// saves at exit, so that what the PC wrote survives a restart of the simulator.
//
// Format (plain text, one memory line per text line):
//
//   # qelt430-sim memory image
//   0255: 22 00 00 00 00 00 00 00
//   0258: 01 14 05 24 09 12 05 00
//
// Each entry is the line number in decimal (0 to 4095), a colon, and the eight cells of the line
// as two hexadecimal digits each, separated by blanks. Lines that are not listed hold zeros; a
// line listed twice takes the later entry. '#' starts a comment that runs to the end of the text
// line; blank lines are skipped. The clock cells of line 4095 are written as the line sees them
// (bit-reversed BCD). The writer lists every line that holds anything but zeros, in order.

#include <iosfwd>
#include <stdexcept>
#include <string>

#include "instrument_model.h"

class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void WriteImage(const InstrumentModel& model, std::ostream& out);
// Replaces the whole memory by the image. Throws ImageError naming the text line of the first
// fault; the memory is not touched then.
void ReadImage(InstrumentModel& model, std::istream& in);

// The same on files. Saving writes a temporary file beside the target and renames it over the
// target once complete, so a failed save leaves an earlier image intact.
void SaveImageFile(const InstrumentModel& model, const std::string& path);
void LoadImageFile(InstrumentModel& model, const std::string& path);
