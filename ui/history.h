#pragma once
// Undo and redo of the pair's position: each step is the state before one
// gesture or command that changed it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/correction.h"

class tbitmap;

struct tpairstate {
  const tbitmap* left = nullptr;
  const tbitmap* right = nullptr;
  std::string leftFile, rightFile;
  std::int32_t x = 0, y = 0;  // the right picture's position
  Correction correction;
  bool operator==(const tpairstate&) const = default;
  bool samePair(const tpairstate& o) const {
    return left == o.left && right == o.right && leftFile == o.leftFile && rightFile == o.rightFile;
  }
  bool swapped(const tpairstate& o) const {
    return left == o.right && right == o.left && leftFile == o.rightFile && rightFile == o.leftFile;
  }
};

class thistory {
 public:
  // From the state before a change to the one after it: a step when the
  // same pair (or the pair swapped) moved, a fresh history for another pair.
  void note(const tpairstate& before, const tpairstate& after);
  // The state to go back (or forward) to from now, if any.
  std::optional<tpairstate> undo(const tpairstate& now) { return move(undo_, redo_, now); }
  std::optional<tpairstate> redo(const tpairstate& now) { return move(redo_, undo_, now); }
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }

 private:
  static std::optional<tpairstate> move(std::vector<tpairstate>& from, std::vector<tpairstate>& to,
                                        const tpairstate& now);
  std::vector<tpairstate> undo_, redo_;
};
