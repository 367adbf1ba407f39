#pragma once
// One scenario script being run: its window on a headless back end, its
// temporary directory and the tally of its expectations.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "testing/dialogscript.h"
#include "tools/scenario/tokenize.h"

class tmyapp;
class tmywindow;

struct Tally {
  int passed = 0;
  int failed = 0;
};

using Args = std::vector<Token>;

// A step that cannot be carried out as written (bad argument, no window);
// thrown inside the runner only and reported as a failure of its line.
struct StepError {
  std::string message;
};

// Reads a step's arguments in order; every read names what it wants, so a
// missing or malformed argument explains itself.
class ArgReader {
 public:
  explicit ArgReader(const Args& args) : args_(args) {}
  bool more() const { return at_ < args_.size(); }
  const Token* peek() const { return more() ? &args_[at_] : nullptr; }
  const Token& next(const char* what);
  std::string text(const char* what) { return next(what).text; }
  std::int64_t integer(const char* what, std::int64_t lo, std::int64_t hi, int base = 10);
  int coordinate(const char* what) { return static_cast<int>(integer(what, -1000000, 1000000)); }
  bool flag(const char* what) { return integer(what, 0, 1) == 1; }
  std::vector<std::string> rest();
  void end();

 private:
  const Args& args_;
  std::size_t at_ = 1;  // args_[0] is the step's name
};

class Script {
 public:
  Script(std::string file, std::string dir, Tally& tally);
  ~Script();
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  void step(int line, const Args& args);
  void syntaxError(int line, const std::string& message);
  // Tears the application down, then fails what nobody expected or answered.
  void finish();

 private:
  // step families
  void windowStep(const Args& args);   // size start exit
  void profileStep(const Args& args);  // profile
  void fileStep(const Args& args);     // cd mkdir chmod bmp write jpeg png mpo
  void answerStep(const Args& args);   // open save
  void dialogStep(const Args& args);   // dialog
  // command accel key drop; a held Shift: accel Shift+Left; drop PATH...
  void inputStep(const Args& args);
  void mouseStep(const Args& args);   // ldown lup rdown rup move wheel
  void scrollStep(const Args& args);  // vscroll hscroll
  void paintStep(const Args& args);   // paint snapshot
  void expectStep(const Args& args);  // expect ... (expect.cpp)

  // expectations, expect.cpp
  void expectCaption(ArgReader& a);
  void expectMessage(ArgReader& a);
  void expectNoMessage(ArgReader& a);
  void expectBeeps(ArgReader& a);
  void expectBusy(ArgReader& a);
  void expectField(ArgReader& a);
  void expectLibrary(ArgReader& a);
  void expectPixel(ArgReader& a);
  void expectRect(ArgReader& a, bool white);
  void expectChecked(ArgReader& a);
  void expectScroll(ArgReader& a);
  void expectHScroll(ArgReader& a);
  void checkScroll(ArgReader& a, const char* bar, int min, int max, int pos);
  void expectStatus(ArgReader& a);
  void expectProfile(ArgReader& a);
  void expectFile(ArgReader& a);
  void expectSame(ArgReader& a);

  HeadlessFrame& frame();
  tmywindow& window();
  std::string where() const;
  std::string profilePath() const;
  void tearDown();
  // Messages and dialog outcomes the last step produced.
  void collectRecords();
  void popMessage();

  void check(bool ok, const std::string& expected, const std::string& seen);
  void fail(const std::string& where, const std::string& message);

  std::string file_;
  std::string dir_;
  Tally& tally_;
  int line_ = 0;
  HeadlessBackend backend_;
  DialogScript dialogs_{backend_};
  std::unique_ptr<tmyapp> app_;
  std::deque<int> messageLines_;  // the line of the step that showed each recorded message
  std::size_t outcomesSeen_ = 0;
};

std::string quoted(const std::string& text);
