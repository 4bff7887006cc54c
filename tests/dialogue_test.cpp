// The whole program through a pseudo-terminal, typed at as a person would, and without one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/program_session.h"

namespace {

// Types each number after its prompt has appeared, the way a person answers.
void enter_order_and_entries(TerminalSession& session, const std::string& order,
                             const std::vector<std::string>& entries) {
  ASSERT_TRUE(session.expect(size_prompt));
  session.type(order + "\r");
  const int n = std::stoi(order);
  for (int k = 0; k < static_cast<int>(entries.size()); ++k) {
    ASSERT_TRUE(
        session.expect(std::to_string(k / n + 1) + ", " + std::to_string(k % n + 1) + ": "));
    session.type(entries[k] + "\r");
  }
}

void answer(TerminalSession& session, std::string_view key) {
  ASSERT_TRUE(session.expect(question));
  ASSERT_TRUE(session.wait_for_key_read());
  session.type(key);
}

TEST(Dialogue, OneCalculationByteForByte) {
  TerminalSession session;
  enter_order_and_entries(session, "2", {"1", "2", "3", "4"});
  answer(session, "n");
  EXPECT_TRUE(ended_with(session.wait_exit(), 0));
  EXPECT_EQ(session.received(), std::string(clear_sequence) +
                                    "Enter size of matrix:\n"
                                    "2\n"
                                    "Enter matrix:\n"
                                    "1, 1: 1\n"
                                    "1, 2: 2\n"
                                    "2, 1: 3\n"
                                    "2, 2: 4\n"
                                    "\n"
                                    "Source matrix:\n"
                                    "   1.00    2.00 \n"
                                    "   3.00    4.00 \n"
                                    "\n"
                                    "determ=-2.000\n"
                                    "Calculate another(Y/N)?\n");
  EXPECT_TRUE(session.in_line_mode());
}

TEST(Dialogue, OrderThreeAndLargeValues) {
  TerminalSession session;
  enter_order_and_entries(session, "3", {"1", "2", "3", "4", "5", "6", "7", "8", "10"});
  EXPECT_TRUE(session.expect("   7.00    8.00   10.00 \n\ndeterm=-3.000\n"));
  answer(session, "y");
  // Entries wider than the field widen it; nothing is cut.
  enter_order_and_entries(session, "1", {"-123456789"});
  EXPECT_TRUE(session.expect("Source matrix:\n-123456792.00 \n\ndeterm=-123456792.000\n"));
  answer(session, "N");
  EXPECT_TRUE(ended_with(session.wait_exit(), 0));
}

TEST(Dialogue, NumbersTypedAheadFillTheMatrixWithoutWaiting) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("3 1 2 3 4 5 6 7 8 10\r");
  EXPECT_TRUE(
      session.expect("3 1 2 3 4 5 6 7 8 10\nEnter matrix:\n"
                     "1, 1: 1, 2: 1, 3: 2, 1: 2, 2: 2, 3: 3, 1: 3, 2: 3, 3: \n"
                     "Source matrix:\n"
                     "   1.00    2.00    3.00 \n"
                     "   4.00    5.00    6.00 \n"
                     "   7.00    8.00   10.00 \n"
                     "\ndeterm=-3.000\n" +
                     question));
}

TEST(Dialogue, FractionalOrderLeavesItsFractionForTheFirstEntry) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("2.5\r");
  ASSERT_TRUE(session.expect("2.5\nEnter matrix:\n1, 1: 1, 2: "));
  session.type("1\r");
  ASSERT_TRUE(session.expect("2, 1: "));
  session.type("2\r");
  ASSERT_TRUE(session.expect("2, 2: "));
  session.type("3\r");
  EXPECT_TRUE(session.expect("   0.50    1.00 \n   2.00    3.00 \n\ndeterm=-0.500\n"));
}

TEST(Dialogue, LeftoverNumbersFeedTheNextCalculationAfterTheScreenIsCleared) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("1 5 2 1 2 3 4\r");
  ASSERT_TRUE(session.expect("1, 1: \nSource matrix:\n   5.00 \n\ndeterm=5.000\n"));
  answer(session, "Y");
  EXPECT_TRUE(session.expect(std::string(clear_sequence) + size_prompt +
                             "Enter matrix:\n1, 1: 1, 2: 2, 1: 2, 2: \nSource matrix:\n"
                             "   1.00    2.00 \n   3.00    4.00 \n\ndeterm=-2.000\n" +
                             question));
}

TEST(Dialogue, KeysThatAreNotAnswersAskAgainAndAreNeverShown) {
  const struct {
    const char* name;
    std::string keys;
    int questions;
  } cases[] = {
      {"Enter", "\r", 1},
      {"space", " ", 1},
      {"digit", "7", 1},
      {"letter", "x", 1},
      {"Ctrl+C", "\x03", 1},
      {"Ctrl+D", "\x04", 1},
      {"Escape", "\x1b", 1},
      {"Up", "\x1b[A", 2},
      {"F5", "\x1b[15~", 2},
      {"Ctrl+Left", "\x1b[1;5D", 2},
      {"euro sign", "\xe2\x82\xac", 1},
  };
  TerminalSession session;
  enter_order_and_entries(session, "1", {"2"});
  ASSERT_TRUE(session.expect(question));
  const std::size_t before = session.received().size();
  int asked = 0;
  for (const auto& c : cases) {
    ASSERT_TRUE(session.wait_for_key_read()) << c.name;
    session.type(c.keys);
    for (int k = 0; k < c.questions; ++k) ASSERT_TRUE(session.expect(question)) << c.name;
    asked += c.questions;
  }
  ASSERT_TRUE(session.wait_for_key_read());
  session.type("n");
  EXPECT_TRUE(ended_with(session.wait_exit(), 0));
  std::string all_questions;
  for (int k = 0; k < asked; ++k) all_questions += question;
  EXPECT_EQ(session.received().substr(before), all_questions);
}

TEST(Dialogue, SpecialKeysAnswerWhenTheirExtendedCodeDoes) {
  // Shift+F6 yields 0 and then 89, which is 'Y'; Alt+F7 yields 0 and then 110, 'n'.
  TerminalSession session;
  enter_order_and_entries(session, "1", {"2"});
  answer(session, "\x1b[17;2~");
  EXPECT_TRUE(session.expect(question + std::string(clear_sequence) + size_prompt));
  session.type("1 3\r");
  answer(session, "\x1b[18;3~");
  EXPECT_TRUE(ended_with(session.wait_exit(), 0));
  EXPECT_TRUE(session.received().ends_with("determ=3.000\n" + question + question));
}

TEST(Dialogue, NonFiniteValuesAreWrittenInWords) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("2 1e39 0 0 -1e39\r");
  EXPECT_TRUE(
      session.expect("Source matrix:\n   +INF    0.00 \n   0.00    -INF \n\ndeterm=-INF\n"));
  answer(session, "y");
  // inf * 0 is invalid: the result is the default NaN, which has its sign bit set.
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("2 1e39 1 1 0\r");
  EXPECT_TRUE(session.expect("determ=-NAN\n"));
}

TEST(Dialogue, RedirectedOutputCarriesOnlyTheDialogue) {
  const std::string path = testing::TempDir() + "detcalc-redirected-output";
  for (const char* term : {"TERM=xterm", "TERM=dumb"}) {
    TerminalSession session({{term}, path});
    session.type("2 1 2 3 4\r");
    ASSERT_TRUE(session.wait_for_key_read());
    session.type("n");
    EXPECT_TRUE(ended_with(session.wait_exit(), 0));
    std::ifstream file(path);
    const std::string written((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(written,
              "Enter size of matrix:\nEnter matrix:\n1, 1: 1, 2: 2, 1: 2, 2: \n"
              "Source matrix:\n   1.00    2.00 \n   3.00    4.00 \n\ndeterm=-2.000\n" +
                  question)
        << term;
    // The typed numbers were echoed by the terminal; the program itself wrote nothing there.
    EXPECT_EQ(session.received(), "2 1 2 3 4\n") << term;
  }
  std::remove(path.c_str());
}

TEST(Dialogue, DumbTerminalGetsNoControlSequences) {
  for (const std::vector<std::string>& environment :
       {std::vector<std::string>{"TERM=dumb"}, std::vector<std::string>{}}) {
    TerminalSession session({environment, ""});
    ASSERT_TRUE(session.expect(size_prompt));
    EXPECT_EQ(session.received().find('\x1b'), std::string::npos);
  }
}

TEST(Dialogue, NarrowTerminalGetsWholeRows) {
  // The terminal wraps a row wider than itself; the program cuts nothing.
  TerminalSession session({{"TERM=xterm"}, "", 20});
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("3 1 2 3 4 5 6 -123456.5 8 10\r");
  EXPECT_TRUE(
      session.expect("   1.00    2.00    3.00 \n   4.00    5.00    6.00 \n"
                     "-123456.50    8.00   10.00 \n"));
}

}  // namespace
