// The program's prompter: with none installed nothing waits for a person
// and every question is answered as cancelled; the file dialog's re-show
// rule runs on the prompt clock.
#include "platform/prompter.h"

#include "testutil.h"

#include <gtest/gtest.h>

TEST(Prompter, WithNoneInstalledEveryQuestionIsCancelled)
{
    ql::Prompter* before = ql::setPrompter(nullptr);
    EXPECT_EQ(ql::MsgBox("Close software?", "Prompt", ql::Prompter::OkCancel, ql::Prompter::Question),
              ql::Prompter::IdCancel);
    EXPECT_EQ(ql::FileDialog(ql::FileKind::Picture, true, "Save", "bmp file(*.bmp)|*.bmp", "x"), "");
    EXPECT_EQ(ql::PickColor(), -1);
    bool ok = true;
    EXPECT_EQ(ql::prompter().Input("Title", "Prompt", "old", &ok), "");
    EXPECT_FALSE(ok);
    ql::setPrompter(before);
}

TEST(Prompter, AScriptedUserIsInstalledForItsLifeAndAnswersOnItsOwnClock)
{
    ql::Prompter* before = &ql::prompter();
    {
        qltest::ScriptedPrompter user;
        EXPECT_EQ(&ql::prompter(), &user);
        user.fileAnswer = "/tmp/a.csv";
        // Longer than 20 ms on the prompt clock: asked once.
        user.fileDelayMs = 20;
        EXPECT_EQ(ql::FileDialog(ql::FileKind::Data, false, "Open", "csv file(*.csv)|*.csv", "a.csv"), "/tmp/a.csv");
        EXPECT_EQ(user.fileCalls, 1);
        // Back within 19 ms: asked once more, without the proposed name.
        user.fileDelayMs = 19;
        EXPECT_EQ(ql::FileDialog(ql::FileKind::Data, false, "Open", "csv file(*.csv)|*.csv", "a.csv"), "/tmp/a.csv");
        EXPECT_EQ(user.fileNames, (QStringList{"a.csv", "a.csv", ""}));
        ql::ShowPrompt("Update OK", ql::Prompter::Information);
        EXPECT_EQ(user.titledTexts(), QStringList{"Prompt|Update OK"});
        EXPECT_EQ(user.messages.at(0).icon, ql::Prompter::Information);
    }
    EXPECT_EQ(&ql::prompter(), before);
}
