#include <climits>

#include "platform/profile.h"
#include "tests/ui/window_fixture.h"
#include "ui/position.h"

namespace {

TEST(LeadingDecimal, ReadsAsTheCLibraryDoes) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"12abc", 12},
      {" -7", -7},
      {"+5", 5},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"+-3", 0},
      {"\t 42", 42},
      {"- 4", 0},
      {"007", 7},
      {"-0", 0},
      {"3 4", 3},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      // Past 32 bits the value saturates, as strtol with a 32-bit long.
      {"2147483648", INT32_MAX},
      {"99999999999999999999999", INT32_MAX},
      {"-99999999999999999999999", INT32_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(leadingDecimal(text), value) << '"' << text << '"';
}

using Action = DialogScript::Action;

TEST_F(WindowTest, PositionDialogShowsAndTakesBothFields) {
  start();
  position(12, -3);
  expectText(1, 103, "12");
  expectText(1, 102, "-3");
  set(1, 103, "25");
  set(1, 102, " -4px");
  press(1, Action::Ok);
  command(CM_RIGHTPOSITION);
  EXPECT_EQ(w().workspace().rightOffsetX(), 25);
  EXPECT_EQ(w().workspace().rightOffsetY(), -4);
  EXPECT_TRUE(frame().paintPending());
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, PositionDialogCancelAndNineCharacterFields) {
  start();
  set(1, 103, "77");
  press(1, Action::Cancel);
  command(CM_RIGHTPOSITION);
  EXPECT_EQ(w().workspace().rightOffsetX(), 0);
  EXPECT_FALSE(frame().paintPending());

  // A tenth character cannot be typed: the field keeps nine.
  set(1, 103, "1234567890");
  set(1, 102, "abc");
  press(1, Action::Ok);
  command(CM_RIGHTPOSITION);
  EXPECT_EQ(w().workspace().rightOffsetX(), 123456789);
  EXPECT_EQ(w().workspace().rightOffsetY(), 0);
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, OptionsDialogShowsTheSettings) {
  start();
  const std::pair<int, const char*> shown[] = {{106, "255"}, {107, "0"},   {108, "0"},   {116, "0"},
                                               {117, "192"}, {118, "128"}, {119, "200"}, {122, "0"}};
  for (const auto& [control, text] : shown) expectText(3, control, text);
  act(3, Action::ExpectCheck, 101, {}, true);
  act(3, Action::ExpectCheck, 102, {}, true);
  press(3, Action::Ok);
  command(CM_OPTIONS);
  EXPECT_TRUE(frame().paintPending());
  EXPECT_EQ(w().workspace().settings().viewSize, 200u);
  allDialogExpectationsPassed();
}

struct FieldCase {
  int control;
  const char* text;
  bool accepted;
};

std::int64_t fieldValue(tmywindow& w, int control) {
  switch (control) {
    case 106:
      return w.workspace().settings().leftColour.red;
    case 108:
      return w.workspace().settings().leftColour.blue;
    case 116:
      return w.workspace().settings().rightColour.red;
    case 118:
      return w.workspace().settings().rightColour.blue;
    case 119:
      return w.workspace().settings().viewSize;
    case 122:
      return w.workspace().settings().imageSpacing;
  }
  return -1;
}

TEST_F(WindowTest, OptionsDialogRefusesFieldsOutOfRangeSilently) {
  const FieldCase cases[] = {
      {106, "256", false},  {106, "255", true},        {106, "-1", false}, {106, "+5", true},
      {106, " 12", true},   {106, "12abc", true},      {106, "", true},    {108, "0", true},
      {116, "1000", false}, {118, "255", true},        {119, "0", false},  {119, "1", true},
      {119, "", false},     {119, "0000000300", true}, {122, "-1", false}, {122, "0", true},
      {122, "abc", true},
  };
  start();
  for (const FieldCase& c : cases) {
    const std::int64_t before = fieldValue(w(), c.control);
    set(3, c.control, c.text);
    press(3, Action::Ok);
    if (!c.accepted) press(3, Action::Cancel);
    command(CM_OPTIONS);
    const std::int64_t expected = c.accepted ? leadingDecimal(std::string(c.text).substr(0, 9)) : before;
    EXPECT_EQ(fieldValue(w(), c.control), expected) << c.control << " \"" << c.text << '"';
    EXPECT_TRUE(hb_.messages.empty());
  }
  EXPECT_EQ(hb_.beeps, 0);
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, OptionsDialogHandsBackAllTenOnlyOnOk) {
  start();
  set(3, 107, "10");
  set(3, 117, "20");
  act(3, Action::Check, 101, {}, false);
  act(3, Action::Check, 102, {}, false);
  press(3, Action::Cancel);
  command(CM_OPTIONS);
  EXPECT_EQ(w().workspace().settings().leftColour.green, 0u);
  EXPECT_TRUE(w().workspace().usePosFiles());
  EXPECT_FALSE(frame().paintPending());

  // A later field refused: the earlier ones must not reach the workspace.
  set(3, 107, "10");
  set(3, 119, "0");
  press(3, Action::Ok);
  act(3, Action::Check, 101, {}, false);
  act(3, Action::Check, 102, {}, false);
  set(3, 119, "300");
  press(3, Action::Ok);
  command(CM_OPTIONS);
  EXPECT_EQ(w().workspace().settings().leftColour.green, 10u);
  EXPECT_EQ(w().workspace().settings().viewSize, 300u);
  EXPECT_FALSE(w().workspace().usePosFiles());
  EXPECT_FALSE(w().lockY);
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, OutOfRangeProfileValueIsShownAndMustBeCorrected) {
  Profile(profilePath()).writeString("Binoxa", "MLR", "300");
  start();
  EXPECT_EQ(w().workspace().settings().leftColour.red, 300u);
  expectText(3, 106, "300");
  press(3, Action::Ok);
  set(3, 106, "30");
  press(3, Action::Ok);
  command(CM_OPTIONS);
  EXPECT_EQ(w().workspace().settings().leftColour.red, 30u);
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, AboutChangesNothing) {
  start();
  press(2, Action::Ok);
  command(CM_ABOUT);
  EXPECT_FALSE(frame().paintPending());
  allDialogExpectationsPassed();
}

}  // namespace
