#pragma once
// `qelt430-sim`: serves the instrument model on a pseudo-terminal.
//
// The line
// --------
// The simulator opens a pseudo-terminal, sets it raw from the master side and links COM<n> to its
// slave, beside the program file or in the folder asked for. An existing COM<n> that is a link into
// /dev/pts/ (left by an earlier run) is replaced; anything else there is left alone and the
// simulator refuses to start. At exit the link is removed if it still points to this simulator.
//
// Every byte read from the master is passed to the model with the line speed that the PC side has
// set at that moment (TCGETS2 on the master), so bytes sent at the wrong speed are not heard.
//
// The PC side opening and closing the port
// ----------------------------------------
// The simulator holds a slave descriptor of its own for its whole run. Because of it the master
// never sees a hang-up when the PC closes the port, and the slave can always be opened again. The
// PC's opens and closes are followed through inotify on the slave device (IN_OPEN, IN_CLOSE). When
// the last PC descriptor closes, the simulator
//   - clears the exclusive flag with TIOCNXCL on its own descriptor: a slave that was opened with
//     TIOCEXCL keeps the flag after it is closed, and it would refuse the next open of any user
//     but root with EBUSY;
//   - discards the replies not yet read (TCIFLUSH) and those still waiting to be sent,
// and while no one has the port open, nothing is written to the line (the bytes the PC wrote
// before closing are still heard by the instrument). Each new open discards again whatever was
// still waiting, so a reopened port starts clean.
//
// The serving loop waits in ppoll on the stop signals (signalfd), the inotify descriptor and the
// master, with a time-out set by the next reply or garbage byte that is due.

#include <string>

#include "sim_options.h"

// Runs until SIGINT, SIGTERM or SIGHUP (or the vanish fault) and returns the exit status. The
// stop signals must be blocked in the calling thread beforehand (BlockStopSignals), so that none
// is lost between start-up and the serving loop. `programFolder` is the default folder of the
// link. Messages go to stderr, the ready line to stdout.
int RunSimulator(const SimOptions& options, const std::string& programFolder);

void BlockStopSignals();
