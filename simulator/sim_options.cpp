#include "sim_options.h"

#include <charconv>

namespace {

long ParseNumber(const std::string& option, const std::string& text, long low, long high) {
  long v = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc{} || ptr != end || v < low || v > high)
    throw UsageError(option + " expects a number from " + std::to_string(low) + " to " + std::to_string(high) +
                     ", not '" + text + "'");
  return v;
}

void ApplyFault(SimOptions& o, const std::string& fault) {
  const auto eq = fault.find('=');
  const std::string name = fault.substr(0, eq);
  const bool hasValue = eq != std::string::npos;
  const std::string value = hasValue ? fault.substr(eq + 1) : std::string();
  if (hasValue && name != "late" && name != "vanish") throw UsageError("fault '" + name + "' takes no value");
  if (name == "silent") {
    o.ModelFaults.Silent = true;
  } else if (name == "silent-after-test") {
    o.ModelFaults.SilentAfterTest = true;
  } else if (name == "bad-clock") {
    o.ModelFaults.BadClock = true;
  } else if (name == "garbage") {
    o.Garbage = true;
  } else if (name == "late") {
    o.LateMs = hasValue ? static_cast<int>(ParseNumber("--fault late=MS", value, 1, 10000)) : DefaultLateMs;
  } else if (name == "vanish") {
    if (!hasValue) throw UsageError("fault 'vanish' needs a byte count: vanish=N");
    o.VanishAfter = ParseNumber("--fault vanish=N", value, 1, 1000000000L);
  } else {
    throw UsageError("unknown fault '" + fault + "'");
  }
}

}  // namespace

SimOptions ParseOptions(const std::vector<std::string>& args) {
  SimOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool inlineValue = false;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg.erase(eq);
        inlineValue = true;
      }
    }
    const auto takeValue = [&]() -> std::string {
      if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
        value = args[++i];
      }
      if (value.empty()) throw UsageError(arg + " needs a value");
      return value;
    };
    const auto noValue = [&] {
      if (inlineValue) throw UsageError(arg + " takes no value");
    };
    if (arg == "--help" || arg == "-h") {
      noValue();
      o.Help = true;
    } else if (arg == "--port" || arg == "-p") {
      o.Port = static_cast<int>(ParseNumber(arg, takeValue(), 1, 8));
    } else if (arg == "--dir") {
      o.Folder = takeValue();
    } else if (arg == "--demo") {
      noValue();
      o.Demo = true;
    } else if (arg == "--load") {
      o.LoadPath = takeValue();
      o.LoadIfExists = false;
    } else if (arg == "--save") {
      o.SavePath = takeValue();
    } else if (arg == "--image") {
      o.LoadPath = o.SavePath = takeValue();
      o.LoadIfExists = true;
    } else if (arg == "--pace") {
      noValue();
      o.Pace = true;
    } else if (arg == "--fault") {
      ApplyFault(o, takeValue());
    } else if (arg == "--log") {
      o.LogPath = takeValue();
    } else {
      throw UsageError("unknown option '" + args[i] + "'");
    }
  }
  if (o.Demo && !o.LoadPath.empty() && !o.LoadIfExists)
    throw UsageError("--demo and --load exclude each other: the image replaces the whole memory");
  return o;
}

std::string UsageText() {
  return R"(Usage: qelt430-sim [OPTION]...
Serves a simulated QELT-430 fluorometer on a pseudo-terminal and links it as COMn, where the PC
programs look for their serial ports. Runs until SIGINT or SIGTERM, then removes the link.
When ready it prints one line, for example "qelt430-sim: COM1 -> /dev/pts/7".

  -p, --port N       name the link COM<N>, N from 1 to 8 (default 1)
      --dir DIR      put the link into DIR (default: the folder of this program)
      --demo         fill the memory with 34 demo records (a light curve) and the kinetics of
                     a saturation pulse
      --load FILE    load a memory image at start (the whole memory; excludes --demo)
      --save FILE    save the memory image at exit
      --image FILE   both: load FILE if it exists, save it at exit
      --pace         pace the line at the character time of the current line speed (10 bit
                     times per byte each way), as on a real serial line
      --fault F      make the instrument misbehave; may be given more than once:
                       silent             never answer
                       silent-after-test  stop answering once the memory test has been read back
                       bad-clock          the day cell of the clock reads 1A (not BCD)
                       garbage            send a stream of garbage bytes instead of replies
                                          (at the line rate with --pace, a flood without)
                       late[=MS]          send each reply MS ms late (default 30), after the
                                          PC's receive wait, so it is taken as the next reply
                       vanish=N           after N bytes received (and answered), close the
                                          line as an unplugged adapter would, and exit
      --log FILE     log every byte each way with its line speed, and the port's opens and closes
  -h, --help         show this text and exit

Memory image: a text file, one memory line per text line: the line number in decimal, a colon and
the eight cells in hexadecimal, e.g. "0255: 22 00 00 00 00 00 00 00"; lines not listed hold
zeros; '#' starts a comment. The instrument clock is always set from the PC clock at start.
)";
}
