// Bad input, end of input, no terminal, refused orders, signals and output errors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <string>

#include "tests/program_session.h"

namespace {

TEST(Faults, TextThatIsNotANumberIsRejectedAndAskedForAgain) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("abc\r");
  ASSERT_TRUE(session.expect("abc\ndetcalc: not a number: \"abc\"\n" + size_prompt));
  session.type("2\r");
  ASSERT_TRUE(session.expect("1, 1: "));
  session.type("-\r");
  ASSERT_TRUE(session.expect("-\ndetcalc: not a number: \"-\"\n1, 1: "));
  // A number followed by text: the number counts, the text is the next read's bad input.
  session.type("1.5abc def\r");
  ASSERT_TRUE(session.expect("1.5abc def\n1, 2: detcalc: not a number: \"abc def\"\n1, 2: "));
  session.type("2 3 4\r");
  EXPECT_TRUE(session.expect(
      "Source matrix:\n   1.50    2.00 \n   3.00    4.00 \n\ndeterm=0.000\n" + question));
}

TEST(Faults, EndOfInputWhileTheOrderIsAwaitedEndsNormally) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("\x04");
  EXPECT_TRUE(ended_with(session.wait_exit(), 0));
  EXPECT_EQ(session.received(), std::string(clear_sequence) + size_prompt);
}

TEST(Faults, EndOfInputInsideAMatrixFailsWithoutAResult) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("2 1\r");
  ASSERT_TRUE(session.expect("1, 2: "));
  session.type("\x04");
  EXPECT_TRUE(ended_with(session.wait_exit(), 1));
  // A newline first, so that the shell's prompt does not follow "1, 2: " on its line.
  EXPECT_TRUE(session.received().ends_with(
      "1, 1: 1, 2: \ndetcalc: input ended before the matrix of order 2 was complete\n"));
}

TEST(Faults, WithoutATerminalTheAnswerComesFromStandardInput) {
  const std::string listing_2x2 =
      "Enter size of matrix:\nEnter matrix:\n1, 1: 1, 2: 2, 1: 2, 2: \n"
      "Source matrix:\n   1.00    2.00 \n   3.00    4.00 \n\ndeterm=-2.000\n";
  const std::string listing_1x1 =
      "Enter size of matrix:\nEnter matrix:\n1, 1: \nSource matrix:\n   6.00 \n\ndeterm=6.000\n";
  const struct {
    const char* input;
    std::string out;
    int code;
  } cases[] = {
      {"2 1 2 3 4 n", listing_2x2 + question, 0},
      {"2 1 2 3 4\n x 7\n\nY 1 6 N",
       listing_2x2 + question + question + question + listing_1x1 + question, 0},
      {"2 1 2 3 4", listing_2x2 + question, 0},  // no answer at all
      {"", size_prompt, 0},
      {"2 1 2 3 4 y", listing_2x2 + question + size_prompt, 0},
      {"2 1 2 3", "Enter size of matrix:\nEnter matrix:\n1, 1: 1, 2: 2, 1: 2, 2: \n", 1},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run_without_terminal(c.input);
    EXPECT_EQ(outcome.out, c.out) << c.input;
    EXPECT_TRUE(ended_with(outcome.status, c.code)) << c.input << " status " << outcome.status;
    EXPECT_EQ(outcome.err.find('\x1b'), std::string::npos);
  }
}

TEST(Faults, OrdersThatCannotBeHeldAreRefusedAndAskedForAgain) {
  const struct {
    const char* input;
    const char* complaint;
  } cases[] = {
      {"2000000000 7 7\n1 6 n", "detcalc: not enough memory for a matrix of order 2000000000\n"},
      {"2147483647\n1 6 n", "detcalc: not enough memory for a matrix of order 2147483647\n"},
      {"4000\n1 6 n", "detcalc: not enough memory for a matrix of order 4000\n"},
      {"2147483648 1\n1 6 n", "detcalc: not a number: \"2147483648 1\"\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run_without_terminal(c.input);
    EXPECT_EQ(outcome.err, c.complaint);
    EXPECT_EQ(outcome.out, size_prompt + size_prompt +
                               "Enter matrix:\n1, 1: \nSource matrix:\n   6.00 \n\ndeterm=6.000\n" +
                               question);
    EXPECT_TRUE(ended_with(outcome.status, 0)) << c.input;
  }
}

TEST(Faults, OutputErrorsAreNotReportedAsSuccess) {
  const Outcome outcome = run_without_terminal("2 1 2 3 4 n", "/dev/full");
  EXPECT_TRUE(ended_with(outcome.status, 1)) << outcome.status;
  EXPECT_EQ(outcome.err, "detcalc: cannot write to standard output: No space left on device\n");
}

TEST(Faults, SignalsWhileAKeyIsAwaitedRestoreTheTerminalFirst) {
  for (const int signal_number : {SIGTERM, SIGHUP, SIGQUIT}) {
    TerminalSession session;
    ASSERT_TRUE(session.expect(size_prompt));
    session.type("1 2\r");
    ASSERT_TRUE(session.expect(question));
    ASSERT_TRUE(session.wait_for_key_read());
    kill(session.pid(), signal_number);
    const int status = session.wait_exit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number)
        << strsignal(signal_number);
    EXPECT_TRUE(session.in_line_mode()) << strsignal(signal_number);
  }
}

TEST(Faults, InterruptKeyEndsTheProgramWhileANumberIsAwaited) {
  TerminalSession session;
  ASSERT_TRUE(session.expect(size_prompt));
  session.type("2\r");
  ASSERT_TRUE(session.expect("1, 1: "));
  session.type("\x03");
  const int status = session.wait_exit();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

}  // namespace
