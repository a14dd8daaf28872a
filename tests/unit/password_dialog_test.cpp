#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/wzrvdlg_core.h"

namespace {

using wzrv::PasswordInfo;

TEST(PasswordDialogCopy, FixedLengthCopyAlwaysTerminatedWithin100Bytes) {
  char buf[100];
  std::memset(buf, 'x', sizeof(buf));
  wzrv::CopyPassword(buf, "abc");
  EXPECT_STREQ(buf, "abc");
  for (int i = 3; i < 100; ++i) EXPECT_EQ(buf[i], '\0') << i;

  const std::string longer(150, 'k');
  wzrv::CopyPassword(buf, longer.c_str());
  EXPECT_EQ(std::strlen(buf), 99u);
  wzrv::CopyPassword(buf, nullptr);
  EXPECT_STREQ(buf, "");
}

TEST(PasswordDialogOutcome, SetReplacesForThisRunOnly) {
  char pass[100] = "old";
  PasswordInfo info;
  wzrv::PasswordBegin(info, pass);
  EXPECT_STREQ(info.password, "old");  // shown in the edit field
  const wzrv::DialogEnd end = wzrv::PasswordCommand(info, 1, "new");
  ASSERT_TRUE(end.ends);
  EXPECT_EQ(wzrv::PasswordFinish(info, end.code, pass), 0);
  EXPECT_STREQ(pass, "new");
}

TEST(PasswordDialogOutcome, SaveReplacesAndAsksToStoreAlsoWhenEmpty) {
  char pass[100] = "old";
  PasswordInfo info;
  wzrv::PasswordBegin(info, pass);
  const wzrv::DialogEnd end = wzrv::PasswordCommand(info, 102, "");
  ASSERT_TRUE(end.ends);
  EXPECT_EQ(wzrv::PasswordFinish(info, end.code, pass), 1);
  EXPECT_STREQ(pass, "");
}

TEST(PasswordDialogOutcome, CancelKeepsTheOldPasswordEvenAfterAnEarlierSave) {
  char pass[100] = "old";
  PasswordInfo info;
  // A previous dialog ended with "保存": the next one starts afresh.
  wzrv::PasswordBegin(info, pass);
  wzrv::PasswordCommand(info, 102, "x");
  wzrv::PasswordBegin(info, pass);
  EXPECT_EQ(info.save, 0);
  const wzrv::DialogEnd end = wzrv::PasswordCommand(info, 2, nullptr);
  ASSERT_TRUE(end.ends);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(wzrv::PasswordFinish(info, end.code, pass), 0);
  EXPECT_STREQ(pass, "old");
}

TEST(PasswordDialogOutcome, OtherCommandsKeepTheDialogOpenAndLongTextIsCut) {
  PasswordInfo info;
  wzrv::PasswordBegin(info, "p");
  EXPECT_FALSE(wzrv::PasswordCommand(info, 101, "ignored").ends);
  EXPECT_STREQ(info.password, "p");
  const std::string longer(300, 'z');
  char pass[100] = "p";
  const wzrv::DialogEnd end = wzrv::PasswordCommand(info, 1, longer.c_str());
  wzrv::PasswordFinish(info, end.code, pass);
  EXPECT_EQ(std::string(pass), std::string(99, 'z'));
}

TEST(AboutDialog, OnlyOkOrReturnCloses) {
  EXPECT_TRUE(wzrv::AboutCommand(1).ends);
  EXPECT_FALSE(wzrv::AboutCommand(2).ends);  // Esc, close box
  EXPECT_FALSE(wzrv::AboutCommand(0).ends);
}

}  // namespace
