#include "memory_image.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

constexpr int kCells = InstrumentModel::CellsPerLine;
using Line = std::array<std::uint8_t, kCells>;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void Fail(int textLine, const std::string& what) {
  throw ImageError("memory image, line " + std::to_string(textLine) + ": " + what);
}

}  // namespace

void WriteImage(const InstrumentModel& model, std::ostream& out) {
  out << "# qelt430-sim memory image\n"
         "# <memory line>: <cells 0 to 7 in hexadecimal>; lines not listed hold zeros\n";
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int line = 0; line < InstrumentModel::Lines; ++line) {
    Line cells{};
    bool any = false;
    for (int c = 0; c < kCells; ++c) {
      cells[static_cast<std::size_t>(c)] = model.Cell(line, c);
      any = any || cells[static_cast<std::size_t>(c)] != 0;
    }
    if (!any) continue;
    char number[8];
    std::snprintf(number, sizeof number, "%04d:", line);
    out << number;
    for (const std::uint8_t v : cells) out << ' ' << kHex[v >> 4] << kHex[v & 0x0F];
    out << '\n';
  }
}

void ReadImage(InstrumentModel& model, std::istream& in) {
  std::vector<std::pair<int, Line>> entries;
  std::string text;
  int textLine = 0;
  while (std::getline(in, text)) {
    ++textLine;
    if (const auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream fields(text);
    std::string head;
    if (!(fields >> head)) continue;  // blank or comment only
    if (head.size() < 2 || head.back() != ':') Fail(textLine, "expected '<line>:' at the start");
    int line = 0;
    for (std::size_t i = 0; i + 1 < head.size(); ++i) {
      if (head[i] < '0' || head[i] > '9' || line > InstrumentModel::Lines) Fail(textLine, "bad line number '" + head + "'");
      line = line * 10 + (head[i] - '0');
    }
    if (line >= InstrumentModel::Lines) Fail(textLine, "line number " + std::to_string(line) + " is beyond 4095");
    Line cells{};
    std::string cell;
    int n = 0;
    while (fields >> cell) {
      if (n == kCells) Fail(textLine, "more than eight cells");
      if (cell.size() != 2 || HexDigit(cell[0]) < 0 || HexDigit(cell[1]) < 0)
        Fail(textLine, "cell '" + cell + "' is not two hexadecimal digits");
      cells[static_cast<std::size_t>(n++)] = static_cast<std::uint8_t>(HexDigit(cell[0]) * 16 + HexDigit(cell[1]));
    }
    if (n != kCells) Fail(textLine, "expected eight cells, found " + std::to_string(n));
    entries.emplace_back(line, cells);
  }
  if (in.bad()) throw ImageError("memory image: read error");
  model.ClearAll();
  for (const auto& [line, cells] : entries)
    for (int c = 0; c < kCells; ++c) model.SetCell(line, c, cells[static_cast<std::size_t>(c)]);
}

void SaveImageFile(const InstrumentModel& model, const std::string& path) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw ImageError("cannot create " + temp);
    WriteImage(model, out);
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      throw ImageError("cannot write " + temp);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw ImageError("cannot replace " + path);
  }
}

void LoadImageFile(InstrumentModel& model, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImageError("cannot open memory image " + path);
  ReadImage(model, in);
}
