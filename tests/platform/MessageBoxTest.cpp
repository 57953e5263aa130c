#include "tests/support/TestSupport.h"

#include "platform/MessageBox.h"

#include <gtest/gtest.h>

namespace {

// Gives the batch run a fresh list of answers.
void answerWith(std::vector<int> answers) {
    platformConfig().batch = true;
    platformConfig().answers = answers;
    platformConfig().nextAnswer = 0;
}

} // namespace

TEST(MessageLog, EveryBoxIsLoggedAsCaptionAndTextOnOneLine) {
    answerWith({});
    startCapturingMessages();
    messageBox("FullScreen?", "Project Kestu", MB_YESNO);
    messageBox("Bad directive", "", MB_OK);
    messageBox("Corrupt directive file", "Implementor Error", MB_OK);
    std::vector<std::string> lines = stopCapturingMessages();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[Project Kestu] FullScreen?");
    EXPECT_EQ(lines[1], "[] Bad directive");
    EXPECT_EQ(lines[2], "[Implementor Error] Corrupt directive file");
}

TEST(MessageLog, LineBreaksAreWrittenAsBackslashN) {
    answerWith({});
    startCapturingMessages();
    messageBox("first\nsecond\n\nfourth", "Project Kestu - Demo", MB_YESNOCANCEL);
    std::vector<std::string> lines = stopCapturingMessages();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[Project Kestu - Demo] first\\nsecond\\n\\nfourth");
}

TEST(BatchAnswers, QuestionsTakeTheAnswersInOrder) {
    answerWith({IDNO, IDYES, IDCANCEL});
    startCapturingMessages();
    EXPECT_EQ(messageBox("FullScreen?", "Project Kestu", MB_YESNO), IDNO);
    EXPECT_EQ(messageBox("Demo?", "Project Kestu - Demo", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(messageBox("Again?", "", MB_YESNOCANCEL), IDCANCEL);
    stopCapturingMessages();
}

TEST(BatchAnswers, OkBoxesDoNotUseAnswers) {
    answerWith({IDYES});
    startCapturingMessages();
    EXPECT_EQ(messageBox("Bad directive", "", MB_OK), IDOK);
    EXPECT_EQ(messageBox("FEEL!", "", MB_OK), IDOK);
    EXPECT_EQ(messageBox("FullScreen?", "Project Kestu", MB_YESNO), IDYES);
    stopCapturingMessages();
}

TEST(BatchAnswers, QuestionsBeyondTheListGetTheirLastButton) {
    answerWith({IDYES});
    startCapturingMessages();
    EXPECT_EQ(messageBox("one", "", MB_YESNO), IDYES);
    EXPECT_EQ(messageBox("two", "", MB_YESNO), IDNO);
    EXPECT_EQ(messageBox("three", "", MB_YESNOCANCEL), IDCANCEL);
    stopCapturingMessages();
}

TEST(BatchAnswers, AnAnswerAQuestionDoesNotOfferGivesItsLastButton) {
    answerWith({IDCANCEL, IDNO});
    startCapturingMessages();
    EXPECT_EQ(messageBox("yes or no", "", MB_YESNO), IDNO);  // cancel is not a button here
    EXPECT_EQ(messageBox("next", "", MB_YESNOCANCEL), IDNO); // the list moved on
    stopCapturingMessages();
}

TEST(BatchAnswers, AnswersWorkWithoutBatchModeAndAreLoggedToo) {
    platformConfig().batch = false;
    platformConfig().answers = {IDYES};
    platformConfig().nextAnswer = 0;
    startCapturingMessages();
    int answer = messageBox("FullScreen?", "Project Kestu", MB_YESNO);
    std::vector<std::string> lines = stopCapturingMessages();
    platformConfig().batch = true;
    EXPECT_EQ(answer, IDYES);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[Project Kestu] FullScreen?");
}
