#pragma once
// Command line of `qelt430-sim`.

#include <stdexcept>
#include <string>
#include <vector>

#include "instrument_model.h"

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SimOptions {
  int Port = 1;             // the link is named COM<Port>, 1 to 8
  std::string Folder;       // where the link goes; empty: beside the program file
  bool Demo = false;        // demo records and kinetics
  std::string LoadPath;     // memory image to load at start
  bool LoadIfExists = false;  // a missing LoadPath is not an error (--image)
  std::string SavePath;     // memory image to save at exit
  bool Pace = false;        // pace bytes at the character time of the line speed
  InstrumentModel::Faults ModelFaults;  // silent, silent-after-test, bad-clock
  bool Garbage = false;     // a stream of garbage bytes in place of the replies
  int LateMs = 0;           // each reply this much later; 0: on time
  long VanishAfter = -1;    // vanish after this many bytes received; -1: never
  std::string LogPath;      // log of every byte each way
  bool Help = false;

  friend bool operator==(const SimOptions&, const SimOptions&) = default;
};

// The arguments after the program name. Throws UsageError with the reason.
SimOptions ParseOptions(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

// Replies of the `late` fault come this much after the byte they answer: later than the PC's
// receive wait of about 20 ms, sooner than its next wait ends.
inline constexpr int DefaultLateMs = 30;
